#include "PaletteBar.hpp"

#include "HostText.hpp"
#include "TextBox.hpp"

#include <algorithm>
#include <vector>

namespace Workbench {

namespace {

using DG::Host::ItemView;
using DG::Host::PaletteChange;
using DG::Host::PaletteView;

struct KnownIcon {
    GSResID id;
    const char* name;
};

// The icons of the add-on's palette, as the person at the workbench knows them.
constexpr KnownIcon KnownIcons[] = {{32105, "export (cloud with arrow)"}, {32103, "live view (globe)"}};

bool AllButtonsEnabled(const PaletteView& palette) {
    return std::all_of(palette.dialog.items.begin(), palette.dialog.items.end(), [](const ItemView& item) {
        return item.kind != DG::Host::ItemKind::Button || item.enabled;
    });
}

std::string Describe(const PaletteView& palette) {
    return "palette " + std::to_string(palette.dialog.resId) + " \"" + palette.dialog.title + "\"";
}

std::string ButtonText(const ItemView& item) {
    return item.IsIconButton() ? PaletteIconName(item.iconId) : item.text;
}

// Read from its memory form: a UniString would allocate through the module's memory manager.
std::string GuidOf(const PaletteView& palette) {
    return GuidText(std::span<const UInt8, 16>(reinterpret_cast<const UInt8*>(&palette.guid), 16));
}

} // namespace

std::string PaletteIconName(GSResID iconId) {
    const auto known = std::find_if(std::begin(KnownIcons), std::end(KnownIcons),
                                    [iconId](const KnownIcon& icon) { return icon.id == iconId; });
    return known != std::end(KnownIcons) ? known->name : "icon " + std::to_string(iconId);
}

std::string_view PaletteChangeName(PaletteChange change) {
    switch (change) {
    case PaletteChange::Created:
        return "created";
    case PaletteChange::Shown:
        return "shown";
    case PaletteChange::Hidden:
        return "hidden";
    case PaletteChange::EventProcessingBegun:
        return "event-processing-begun";
    case PaletteChange::EventProcessingEnded:
        return "event-processing-ended";
    case PaletteChange::ItemsEnabled:
        return "items-enabled";
    case PaletteChange::ItemsDisabled:
        return "items-disabled";
    case PaletteChange::Destroyed:
        return "destroyed";
    }
    return "unknown";
}

std::string PaletteStateText(const PaletteView& palette) {
    return std::string(palette.visible ? "shown" : "hidden") + ", " +
           (AllButtonsEnabled(palette) ? "enabled" : "disabled");
}

std::string DrawPaletteBar(const PaletteView& palette) {
    std::string buttons;
    for (const ItemView& item : palette.dialog.items) {
        if (item.kind != DG::Host::ItemKind::Button)
            continue;
        if (!buttons.empty())
            buttons += "   ";
        buttons += "[" + std::to_string(item.id) + "] " + ButtonText(item);
    }
    const std::vector<BoxLine> lines = {{buttons.empty() ? "(no buttons)" : buttons, false},
                                        {PaletteStateText(palette), false}};
    return DrawBox(palette.dialog.title + " (palette " + std::to_string(palette.dialog.resId) + ")", lines,
                   BoxFrame::Single);
}

void PaletteBar::PaletteChanged(const PaletteView& palette, PaletteChange change) {
    transcript.Write("palette-changed", JsonObject()
                                            .String("change", PaletteChangeName(change))
                                            .Number("resId", palette.dialog.resId)
                                            .String("guid", GuidOf(palette))
                                            .Bool("visible", palette.visible)
                                            .Bool("processingEvents", palette.processingEvents)
                                            .Bool("enabled", AllButtonsEnabled(palette)));
    switch (change) {
    case PaletteChange::Shown:
        console.Out() << DrawPaletteBar(palette) << std::flush;
        break;
    case PaletteChange::ItemsEnabled:
    case PaletteChange::ItemsDisabled:
        if (palette.visible)
            console.Out() << DrawPaletteBar(palette) << std::flush;
        else
            console.Say("(" + Describe(palette) + ": buttons " +
                        (change == PaletteChange::ItemsEnabled ? "enabled" : "disabled") + ", still hidden)");
        break;
    case PaletteChange::Hidden:
        console.Say("(" + Describe(palette) + " hidden)");
        break;
    case PaletteChange::Destroyed:
        console.Say("(" + Describe(palette) + " is gone)");
        break;
    case PaletteChange::Created:
    case PaletteChange::EventProcessingBegun:
    case PaletteChange::EventProcessingEnded:
        break;
    }
}

} // namespace Workbench
