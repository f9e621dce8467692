#pragma once

// The dialog library's user interface as windows: each modal dialog a dialog window above the owner
// it disables, each palette a floating tool window. What the user does in a dialog is what the
// dialog window reports; what the user does on a palette goes to the library from its window.

#include "DialogWindow.hpp"
#include "PaletteWindows.hpp"

#include "DGHost.hpp"

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

namespace Desktop {

class WindowsDriver : public DG::Host::UIDriver, public DG::Host::PaletteDriver {
public:
    // Told when a dialog's window is shown, before the user can act on it.
    using DialogShown = std::function<void(HWND dialog, const DG::Host::DialogView& view)>;

    // Dialogs and palettes above `owner`, or above the desktop when it is null.
    explicit WindowsDriver(HWND owner, DialogShown shown = {}, PaletteActions actions = {});

    // Dialogs and palettes made from now on go above `window`.
    void SetOwner(HWND window);

    void DialogOpened(const DG::Host::DialogView& dialog) override;
    DG::Host::UserAction NextAction(const DG::Host::DialogView& dialog) override;
    void DialogClosed(const DG::Host::DialogView& dialog, DG::ModalDialog::ModalResponse response) override;
    void PaletteChanged(const DG::Host::PaletteView& palette, DG::Host::PaletteChange change) override;

    const PaletteWindows& Palettes() const { return palettes; }

    // The window of the innermost running dialog, or null.
    HWND FrontDialog() const {
        return dialogs.empty() || !dialogs.back() ? nullptr : dialogs.back()->Handle();
    }

private:
    HWND owner;
    DialogShown shown;
    std::vector<std::unique_ptr<DialogWindow>> dialogs; // the running ones, innermost last
    PaletteWindows palettes;
};

} // namespace Desktop
