#pragma once

// A modal dialog of the dialog library as a real dialog window, built in memory from the dialog's
// resource. While it runs, its owner is disabled. Enter clicks item 1; Esc and the close control
// ask for the window to be closed, as the dialog library's Close action.

#include "PanelItems.hpp"

#include "DGHost.hpp"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

namespace Desktop {

class DialogWindow {
public:
    // Shown and active on return. Throws std::runtime_error when the window cannot be made.
    DialogWindow(const DG::Host::DialogView& view, HWND owner);
    ~DialogWindow();
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    HWND Handle() const { return window; }

    // Runs the thread's messages until the user clicks a button or asks to close the window, after
    // showing the items' current state. A WM_QUIT ends the wait as Abort and stays for the outer loop.
    DG::Host::UserAction WaitForAction(const DG::Host::DialogView& view);

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);

    const DG::Host::DialogView* building; // during creation only
    HWND owner;
    HWND window = nullptr;
    std::unique_ptr<PanelItems> items;
    std::string failure; // why the items could not be made
    std::optional<DG::Host::UserAction> action;
};

} // namespace Desktop
