#include "WindowsDriver.hpp"

#include <iostream>

namespace Desktop {

using DG::Host::UserAction;

WindowsDriver::WindowsDriver(HWND ownerWindow, DialogShown dialogShown, PaletteActions actions)
    : owner(ownerWindow), shown(std::move(dialogShown)), palettes(ownerWindow, std::move(actions)) {}

void WindowsDriver::SetOwner(HWND window) {
    owner = window;
    palettes.SetOwner(window);
}

void WindowsDriver::DialogOpened(const DG::Host::DialogView& dialog) {
    // A dialog inside a dialog is owned by the one it comes from.
    HWND above = dialogs.empty() ? owner : dialogs.back()->Handle();
    try {
        dialogs.push_back(std::make_unique<DialogWindow>(dialog, above));
    } catch (const std::exception& error) { // NextAction gives up on it
        std::cerr << error.what() << '\n';
        dialogs.push_back(nullptr);
        return;
    }
    if (shown)
        shown(dialogs.back()->Handle(), dialog);
}

UserAction WindowsDriver::NextAction(const DG::Host::DialogView& dialog) {
    if (dialogs.empty() || dialogs.back() == nullptr)
        return UserAction::Abort();
    return dialogs.back()->WaitForAction(dialog);
}

void WindowsDriver::DialogClosed(const DG::Host::DialogView& /*dialog*/,
                                 DG::ModalDialog::ModalResponse /*response*/) {
    if (!dialogs.empty())
        dialogs.pop_back();
}

void WindowsDriver::PaletteChanged(const DG::Host::PaletteView& palette, DG::Host::PaletteChange change) {
    try {
        palettes.Changed(palette, change);
    } catch (const std::exception& error) { // the palette goes on unseen
        std::cerr << error.what() << '\n';
    }
}

} // namespace Desktop
