#include "DesktopFace.hpp"

#include "CommandLoop.hpp"
#include "DialogFaces.hpp"
#include "MainWindow.hpp"
#include "PaletteBar.hpp"

#include "PanelItems.hpp"
#include "Screenshot.hpp"
#include "Wide.hpp"
#include "WindowsDriver.hpp"

#include <objbase.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <vector>

namespace Workbench {

namespace {

using DG::Host::DialogView;
using DG::Host::UserAction;

// Runs the thread's messages until `done`, for at most `limit`; false when it did not come.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    MSG message;
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
        while (!done() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return false;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

// A picture of `window` in the PNG file `path`, written to the transcript; empty, or why not.
std::string TakePicture(HWND window, const std::string& path, Transcript& transcript) {
    if (window == nullptr)
        return "screenshot: no window of the workbench is shown";
    try {
        const Desktop::Picture picture = Desktop::CaptureWindow(window);
        Desktop::WritePng(picture, Desktop::Widen(path));
        std::wstring title(256, L'\0');
        title.resize(static_cast<std::size_t>(GetWindowTextW(window, title.data(), 256)));
        std::string narrow;
        for (const wchar_t c : title)
            narrow += c < 0x80 ? static_cast<char>(c) : '?';
        transcript.Write("screenshot", JsonObject()
                                           .String("file", path)
                                           .String("window", narrow)
                                           .Number("width", picture.width)
                                           .Number("height", picture.height));
        return {};
    } catch (const std::exception& error) {
        return "screenshot " + path + ": " + error.what();
    }
}

// Reports as the system's message box, with its beep; the debug text in the main window's pane. A
// script closes each report's box as soon as it shows, by its OK button.
class Presenter final : public ConsolePresenter {
public:
    explicit Presenter(bool isScripted) : scripted(isScripted) {}

    void SetMainWindow(MainWindow* window) { main = window; }

    void Report(std::string_view text, bool alert) override {
        HHOOK hook =
            scripted ? SetWindowsHookExW(WH_CBT, CloseOnActivate, nullptr, GetCurrentThreadId()) : nullptr;
        MessageBoxW(main != nullptr ? main->Handle() : nullptr, Desktop::Widen(text).c_str(), L"Archicad",
                    MB_OK | (alert ? MB_ICONWARNING : MB_ICONINFORMATION));
        if (hook != nullptr)
            UnhookWindowsHookEx(hook);
    }
    void Beep() override { MessageBeep(MB_ICONWARNING); }
    void Debug(std::string_view text) override {
        if (main != nullptr)
            main->AppendDebug(text);
    }

private:
    static LRESULT CALLBACK CloseOnActivate(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE)
            PostMessageW(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDOK, 0);
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    bool scripted;
    MainWindow* main = nullptr;
};

// The dialogs and palettes as windows, written to the transcript as the text faces write them. A
// script's answer is given to the dialog's window as the click a person makes, and the window says
// what happened.
class DesktopDialogs final : public ScriptDialogs {
public:
    DesktopDialogs(Transcript& events, Console& user, bool isScripted, Desktop::WindowsDriver& windowsDriver)
        : ScriptDialogs(events, user), scripted(isScripted), windows(windowsDriver) {}

    // A picture taken when the dialog that the latest waiting answer goes to shows, before that
    // answer is given.
    void PictureBeforeLatestAnswer(std::string path) {
        pictures.emplace(used + Pending().size(), std::move(path));
    }

    void DialogOpened(const DialogView& dialog) override {
        ScriptDialogs::DialogOpened(dialog);
        windows.DialogOpened(dialog);
    }

    void DialogClosed(const DialogView& dialog, DG::ModalDialog::ModalResponse response) override {
        windows.DialogClosed(dialog, response);
        ScriptDialogs::DialogClosed(dialog, response);
    }

protected:
    UserAction Choose(const DialogView& dialog) override {
        HWND window = windows.FrontDialog();
        if (!scripted || window == nullptr)
            return windows.NextAction(dialog);
        if (!Pending().empty())
            for (auto [first, last] = pictures.equal_range(used + 1); first != last;
                 first = pictures.erase(first))
                if (const std::string failure = TakePicture(window, first->second, transcript);
                    !failure.empty())
                    console.Warn(failure);
        const bool answered = !Pending().empty();
        const UserAction planned = ScriptDialogs::Choose(dialog);
        if (answered)
            ++used;
        if (planned.kind == UserAction::Kind::Abort)
            return planned;
        if (planned.kind == UserAction::Kind::Click)
            Desktop::PanelItems::Click(window, planned.itemId);
        else
            PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return windows.NextAction(dialog);
    }

private:
    bool scripted;
    Desktop::WindowsDriver& windows;
    std::size_t used = 0;                             // answers given so far
    std::multimap<std::size_t, std::string> pictures; // by the answer they come before
};

// The palettes as tool windows as well as in the transcript and on the console.
class DesktopPalettes final : public PaletteBar {
public:
    DesktopPalettes(Transcript& events, Console& user, Desktop::WindowsDriver& windowsDriver)
        : PaletteBar(events, user), windows(windowsDriver) {}

    void PaletteChanged(const DG::Host::PaletteView& palette, DG::Host::PaletteChange change) override {
        PaletteBar::PaletteChanged(palette, change);
        windows.PaletteChanged(palette, change);
    }

private:
    Desktop::WindowsDriver& windows;
};

// A script's user actions as a person's clicks on the real windows, each waited for until the
// window has done what it does.
class WindowHands final : public UserHands {
public:
    WindowHands(Session& driven, MainWindow& mainWindow, DesktopDialogs& dialogFace,
                const Desktop::PaletteWindows& paletteWindows, std::optional<PaletteResult>& paletteOutcome,
                Transcript& events)
        : session(driven), main(mainWindow), dialogs(dialogFace), palettes(paletteWindows),
          paletteResult(paletteOutcome), transcript(events) {}

    PickResult Pick(Int16 menuId) override {
        // Where the menus have no such command, a person cannot pick it.
        if (!session.Running() || session.Host().FindMenu(menuId) == nullptr || main.Closed())
            return session.Pick(menuId);
        PostMessageW(main.Handle(), WM_COMMAND, static_cast<WPARAM>(static_cast<UInt16>(menuId)), 0);
        std::optional<PickResult> result;
        PumpUntil([&] {
            if (!result)
                result = main.TakePick();
            return result.has_value();
        });
        return result.value_or(PickResult::NotRunning);
    }

    void SwitchWindow(WindowKind kind) override {
        if (main.Closed()) {
            session.Host().SwitchWindow(kind);
            return;
        }
        PostMessageW(main.Handle(), WM_COMMAND, MainWindow::CommandOf(kind), 0);
        bool switched = false;
        PumpUntil([&] { return switched = switched || main.TakeHandled(); });
    }

    PaletteResult ClickPalette(Int16 item) override {
        HWND button = PaletteButton(item);
        if (button == nullptr || !IsWindowVisible(button) || !IsWindowEnabled(button))
            return session.ClickPalette(item); // where no button can be clicked, the host hears it as it is
        return AwaitPalette([&] { PostMessageW(button, BM_CLICK, 0, 0); });
    }

    PaletteResult ClosePalette() override {
        HWND window = PaletteWindow();
        if (window == nullptr || !IsWindowVisible(window))
            return session.RequestPaletteClose();
        return AwaitPalette([&] { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); });
    }

    std::string Screenshot(const std::string& path) override {
        if (!dialogs.Pending().empty()) {
            dialogs.PictureBeforeLatestAnswer(path);
            return {};
        }
        PumpUntil([] { return false; }, std::chrono::milliseconds(0));
        return TakePicture(Desktop::FrontWindowOfProcess(), path, transcript);
    }

private:
    const RegisteredWindow* Registered() const {
        const auto& registered = session.Host().Windows();
        return registered.empty() ? nullptr : &registered.front();
    }
    HWND PaletteWindow() const {
        const RegisteredWindow* registered = Registered();
        return registered != nullptr ? palettes.Find(GS::Guid(registered->guid.c_str())) : nullptr;
    }
    HWND PaletteButton(Int16 item) const {
        const RegisteredWindow* registered = Registered();
        return registered != nullptr ? palettes.Button(GS::Guid(registered->guid.c_str()), item) : nullptr;
    }

    // What the palette's window handed to the host after `act`.
    PaletteResult AwaitPalette(const std::function<void()>& act) {
        paletteResult.reset();
        act();
        PumpUntil([&] { return paletteResult.has_value(); });
        return paletteResult.value_or(PaletteResult::Refused);
    }

    Session& session;
    MainWindow& main;
    DesktopDialogs& dialogs;
    const Desktop::PaletteWindows& palettes;
    std::optional<PaletteResult>& paletteResult;
    Transcript& transcript;
};

class WindowsFace final : public Face {
public:
    WindowsFace(Transcript& events, Console& user, std::istream* scriptInput, std::string_view scriptName)
        : transcript(events), console(user), script(scriptInput), name(scriptName),
          presenter(script != nullptr), windows(nullptr, {}, Actions()),
          dialogs(events, user, script != nullptr, windows), palettes(events, user, windows) {}

    DG::Host::UIDriver& Dialogs() override { return dialogs; }
    DG::Host::PaletteDriver& Palettes() override { return palettes; }

    bool Run(Session& driven) override {
        session = &driven;
        MainWindow main(driven);
        windows.SetOwner(main.Handle());
        presenter.SetMainWindow(&main);
        console.SetPresenter(&presenter);
        bool succeeded = true;
        if (script != nullptr) {
            WindowHands hands(driven, main, dialogs, windows.Palettes(), paletteResult, transcript);
            succeeded = RunScript(driven, console, dialogs, *script, name, &hands);
        } else {
            MSG message;
            while (!main.Closed() && GetMessageW(&message, nullptr, 0, 0) > 0) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            driven.Stop(true);
        }
        console.SetPresenter(nullptr);
        presenter.SetMainWindow(nullptr);
        windows.SetOwner(nullptr);
        session = nullptr;
        return succeeded;
    }

private:
    // A person's click on a palette reaches the module as the host's palette action.
    Desktop::PaletteActions Actions() {
        return {[this](const GS::Guid&, short item) {
                    if (session != nullptr)
                        paletteResult = session->ClickPalette(item);
                },
                [this](const GS::Guid&) {
                    if (session != nullptr)
                        paletteResult = session->RequestPaletteClose();
                }};
    }

    Transcript& transcript;
    Console& console;
    std::istream* script; // null: a person uses the windows
    std::string name;
    Presenter presenter;
    Desktop::WindowsDriver windows;
    DesktopDialogs dialogs;
    DesktopPalettes palettes;
    Session* session = nullptr;
    std::optional<PaletteResult> paletteResult;
};

} // namespace

std::unique_ptr<Face> MakeDesktopFace(Transcript& transcript, Console& console, std::istream* script,
                                      std::string_view scriptName, std::string& why) {
    if (!DisplayPresent()) {
        why = "there is no display to show windows on (under wine: set DISPLAY, e.g. with xvfb-run)";
        return nullptr;
    }
    // Icons and layouts are drawn at the scale each screen asks for; pictures and files use COM.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    return std::make_unique<WindowsFace>(transcript, console, script, scriptName);
}

// Windows has a desktop wherever it runs; wine has one when it has an X display.
bool DisplayPresent() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const bool wine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    if (!wine)
        return true;
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && *display != '\0';
}

} // namespace Workbench
