#pragma once

// The workbench's main window on the desktop: the add-on's menus as registered (their texts from
// the module's string lists, the prompt in the status bar), the toolbar entries, the window kinds
// to bring to the front, and the front window's view: the 3D scene rendered at the window's size,
// which is the size the saved view has.

#include "Console.hpp"
#include "FrontWindow.hpp"
#include "Scene/RgbImage.hpp"
#include "Scene/ViewSize.hpp"
#include "Session.hpp"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Workbench {

class MainWindow {
public:
    // Shown, with its view at the session's view size as far as the screen allows. Throws
    // std::runtime_error when the window cannot be made.
    explicit MainWindow(Session& session);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND Handle() const { return window; }
    bool Closed() const { return window == nullptr; }

    // The menu command that brings a window kind to the front.
    static UINT CommandOf(WindowKind kind);

    // What the latest menu command did, taken once: the pick of an add-on's command, or none for the
    // workbench's own commands.
    std::optional<PickResult> TakePick() { return std::exchange(lastPick, std::nullopt); }
    bool TakeHandled() { return std::exchange(handled, false); }

    // The module's debug text, kept in the debug log pane whether it is shown or not.
    void AppendDebug(std::string_view text);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void BuildMenu();
    void Command(UINT id);
    void FitView(Scene::ViewSize size, const RECT& work);
    void Layout();
    void Paint();
    void ShowPrompt(UINT id);

    Session& session;
    HWND window = nullptr;
    HWND status = nullptr;
    HWND debugPane = nullptr; // a tool window of its own
    HWND debugText = nullptr;
    std::vector<MenuEntry> entries;
    std::optional<Scene::RgbImage> view; // of the 3D window at its current size
    std::vector<unsigned char> viewBits; // the same as a top-down 24-bit DIB
    std::optional<PickResult> lastPick;
    bool handled = false;
};

} // namespace Workbench
