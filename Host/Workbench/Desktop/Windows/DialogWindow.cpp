#include "DialogWindow.hpp"

#include <stdexcept>
#include <string>
#include <vector>

namespace Desktop {

namespace {

using DG::Host::UserAction;

// An empty dialog template in the system's dialog font; the items come as child windows sized in
// pixels, as the resource gives them.
std::vector<WORD> EmptyTemplate() {
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = style;
    const WORD rest[] = {0 /* no menu */, 0 /* standard class */, 0 /* no title yet */, 8 /* points */};
    words.insert(words.end(), std::begin(rest), std::end(rest));
    for (const wchar_t* face = L"MS Shell Dlg"; *face != L'\0'; ++face)
        words.push_back(static_cast<WORD>(*face));
    words.push_back(0);
    return words;
}

} // namespace

DialogWindow::DialogWindow(const DG::Host::DialogView& view, HWND ownerWindow)
    : building(&view), owner(ownerWindow) {
    // DWORD-aligned, as the dialog manager requires.
    const std::vector<WORD> words = EmptyTemplate();
    std::vector<DWORD> aligned((words.size() + 1) / 2);
    std::copy(words.begin(), words.end(), reinterpret_cast<WORD*>(aligned.data()));
    const HWND created = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                                    reinterpret_cast<const DLGTEMPLATE*>(aligned.data()),
                                                    owner, Procedure, reinterpret_cast<LPARAM>(this));
    building = nullptr;
    if (created == nullptr || !items) {
        if (created != nullptr)
            DestroyWindow(created);
        throw std::runtime_error("dialog " + std::to_string(view.resId) + " could not be shown: " +
                                 (failure.empty() ? "error " + std::to_string(GetLastError()) : failure));
    }
    if (owner != nullptr)
        EnableWindow(owner, FALSE);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
}

DialogWindow::~DialogWindow() {
    // The owner first, so that it, not another program's window, becomes active.
    if (owner != nullptr)
        EnableWindow(owner, TRUE);
    DestroyWindow(window);
}

UserAction DialogWindow::WaitForAction(const DG::Host::DialogView& view) {
    items->Update(view);
    action.reset();
    MSG message;
    while (!action) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return UserAction::Abort();
        }
        if (got == -1)
            return UserAction::Abort();
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return *action;
}

INT_PTR CALLBACK DialogWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<DialogWindow*>(lParam)->window = window;
    }
    auto* dialog = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    return dialog != nullptr ? dialog->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR DialogWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        try {
            items = std::make_unique<PanelItems>(window, *building);
        } catch (const std::exception& error) {
            failure = error.what(); // the constructor reports it
            return FALSE;
        }
        if (HWND accept = items->Item(1); accept != nullptr) {
            SendMessageW(window, DM_SETDEFID, static_cast<WPARAM>(GetDlgCtrlID(accept)), 0);
            SetFocus(accept);
        }
        return FALSE; // the focus is set
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) { // Esc
            action = UserAction::Close();
            return TRUE;
        }
        if (const auto item = PanelItems::ClickedItem(wParam)) {
            action = UserAction::Click(*item);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE: // the close control
        action = UserAction::Close();
        return TRUE;
    case WM_DRAWITEM:
        return items != nullptr && items->Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    default:
        return FALSE;
    }
}

} // namespace Desktop
