#pragma once

// The workbench's face for the host's palettes: a palette is drawn in the terminal as a small
// floating bar, its icon buttons named by their icons with the key that clicks each
// ("palette click <key>"), and its state. Every change of a palette goes to the transcript.

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

class PaletteBar : public DG::Host::PaletteDriver {
public:
    PaletteBar(Transcript& events, Console& user) : transcript(events), console(user) {}

    // Drawn when shown, and when its buttons change while it is visible; hiding and destruction
    // are one line each; the rest is for the transcript only.
    void PaletteChanged(const DG::Host::PaletteView& palette, DG::Host::PaletteChange change) override;

private:
    Transcript& transcript;
    Console& console;
};

} // namespace Workbench
