#include "PaletteBar.hpp"
#include "TranscriptReader.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace Workbench;
using DG::Host::ItemKind;
using DG::Host::PaletteChange;
using DG::Host::PaletteView;
using WorkbenchTest::EventsNamed;
using WorkbenchTest::ParseTranscript;

PaletteView TwoButtonPalette() {
    PaletteView palette;
    palette.guid = GS::Guid("{D8A0A01F-1184-40F2-B8A8-28CF30714FA4}");
    palette.dialog.resId = 32590;
    palette.dialog.title = "Kavelo Palette";
    for (const GSResID icon : {GSResID(32105), GSResID(32103)}) {
        DG::Host::ItemView item;
        item.id = static_cast<short>(palette.dialog.items.size() + 1);
        item.kind = ItemKind::Button;
        item.style = DG::Host::IconButtonStyle;
        item.iconId = icon;
        palette.dialog.items.push_back(item);
    }
    palette.visible = true;
    palette.processingEvents = true;
    return palette;
}

TEST(WorkbenchPaletteBar, NamesTheKnownIconsAndNumbersTheOthers) {
    EXPECT_EQ(PaletteIconName(32105), "export (cloud with arrow)");
    EXPECT_EQ(PaletteIconName(32103), "live view (globe)");
    EXPECT_EQ(PaletteIconName(32104), "icon 32104");
}

TEST(WorkbenchPaletteBar, DrawsTheButtonsByKeyAndTheState) {
    PaletteView palette = TwoButtonPalette();
    EXPECT_EQ(DrawPaletteBar(palette), "┌─ Kavelo Palette (palette 32590) ──────────────────────┐\n"
                                       "│ [1] export (cloud with arrow)   [2] live view (globe) │\n"
                                       "│ shown, enabled                                        │\n"
                                       "└───────────────────────────────────────────────────────┘\n");
    palette.visible = false;
    EXPECT_EQ(PaletteStateText(palette), "hidden, enabled");
    palette.dialog.items[1].enabled = false;
    EXPECT_EQ(PaletteStateText(palette), "hidden, disabled") << "one disabled button disables the bar";
    palette.dialog.items[0].style = 0;
    palette.dialog.items[0].text = "Go";
    EXPECT_NE(DrawPaletteBar(palette).find("│ [1] Go   [2] live view (globe)"), std::string::npos);
    palette.dialog.items.clear();
    EXPECT_NE(DrawPaletteBar(palette).find("(no buttons)"), std::string::npos);
}

TEST(WorkbenchPaletteBar, TranscribesEveryChangeAndDrawsOnlyWhatAPersonSees) {
    std::ostringstream lines, out, err;
    Transcript transcript(lines, err);
    Console console(out, err, false);
    PaletteBar bar(transcript, console);

    PaletteView palette = TwoButtonPalette();
    palette.visible = false;
    bar.PaletteChanged(palette, PaletteChange::Created);
    EXPECT_EQ(out.str(), "") << "a palette that is not shown is not drawn";
    palette.visible = true;
    bar.PaletteChanged(palette, PaletteChange::Shown);
    EXPECT_NE(out.str().find("[1] export (cloud with arrow)"), std::string::npos);
    out.str("");
    for (auto& item : palette.dialog.items)
        item.enabled = false;
    bar.PaletteChanged(palette, PaletteChange::ItemsDisabled);
    EXPECT_NE(out.str().find("│ shown, disabled"), std::string::npos) << out.str();
    out.str("");
    palette.visible = false;
    bar.PaletteChanged(palette, PaletteChange::ItemsEnabled);
    bar.PaletteChanged(palette, PaletteChange::Hidden);
    bar.PaletteChanged(palette, PaletteChange::Destroyed);
    EXPECT_EQ(out.str(), "(palette 32590 \"Kavelo Palette\": buttons enabled, still hidden)\n"
                         "(palette 32590 \"Kavelo Palette\" hidden)\n"
                         "(palette 32590 \"Kavelo Palette\" is gone)\n");

    const auto changed = EventsNamed(ParseTranscript(lines.str()), "palette-changed");
    ASSERT_EQ(changed.size(), 6u);
    const char* names[] = {"created", "shown", "items-disabled", "items-enabled", "hidden", "destroyed"};
    for (std::size_t i = 0; i < changed.size(); ++i) {
        EXPECT_EQ(changed[i].Text("change"), names[i]);
        EXPECT_EQ(changed[i].Number("resId"), 32590);
        EXPECT_EQ(changed[i].Text("guid"), "{D8A0A01F-1184-40F2-B8A8-28CF30714FA4}");
    }
    EXPECT_FALSE(changed[0].Flag("visible"));
    EXPECT_TRUE(changed[1].Flag("visible"));
    EXPECT_TRUE(changed[1].Flag("enabled"));
    EXPECT_FALSE(changed[2].Flag("enabled"));
    EXPECT_TRUE(changed[2].Flag("processingEvents"));
}

} // namespace
