#pragma once

// The workbench's face for the host's palettes: a palette is drawn in the terminal as a small
// floating bar, its icon buttons named by their icons with the key that clicks each
// ("palette click <key>"), and its state. Every change of a palette goes to the transcript.
//
// The dialog library has one user-interface driver, so the bar wraps the dialogs' face and hands
// dialogs on to it.

#include "Console.hpp"
#include "Transcript.hpp"

#include "DGHost.hpp"

#include <string>
#include <string_view>

namespace Workbench {

// What the bar calls an icon: "export (cloud with arrow)" for 32105, "live view (globe)" for
// 32103, "icon <id>" for icons the workbench does not know.
std::string PaletteIconName(GSResID iconId);

std::string_view PaletteChangeName(DG::Host::PaletteChange change);

// "shown, enabled", "hidden, disabled": visibility, and whether all its buttons are enabled.
std::string PaletteStateText(const DG::Host::PaletteView& palette);

// The bar: title and resource id in the frame, the buttons by key and icon name, and the state,
// which says "disabled" as soon as one button is.
std::string DrawPaletteBar(const DG::Host::PaletteView& palette);

class PaletteBar : public DG::Host::UIDriver {
public:
    PaletteBar(DG::Host::UIDriver& dialogFace, Transcript& events, Console& user)
        : dialogs(dialogFace), transcript(events), console(user) {}

    void DialogOpened(const DG::Host::DialogView& dialog) override { dialogs.DialogOpened(dialog); }
    DG::Host::UserAction NextAction(const DG::Host::DialogView& dialog) override {
        return dialogs.NextAction(dialog);
    }
    void DialogClosed(const DG::Host::DialogView& dialog, DG::ModalDialog::ModalResponse response) override {
        dialogs.DialogClosed(dialog, response);
    }

    // Drawn when shown, and when its buttons change while it is visible; hiding and destruction
    // are one line each; the rest is for the transcript only.
    void PaletteChanged(const DG::Host::PaletteView& palette, DG::Host::PaletteChange change) override;

private:
    DG::Host::UIDriver& dialogs;
    Transcript& transcript;
    Console& console;
};

} // namespace Workbench
