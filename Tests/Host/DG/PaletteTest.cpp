#include "GarbageCollectorHost.hpp"
#include "PaletteProbes.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

namespace {

using DG::Host::ClickPaletteItem;
using DG::Host::ListPalettes;
using DG::Host::RequestPaletteClose;
using DGTest::PaletteGuid;
using DGTest::PaletteOwner;
using DGTest::PaletteResource;
using DGTest::TestPalette;
using GS::Host::PendingDisposables;
using GS::Host::RunGarbageCollector;
using testing::ElementsAre;

class Palettes : public testing::Test {
protected:
    void TearDown() override {
        owner.Close();
        EXPECT_EQ(PendingDisposables(), 0u);
        EXPECT_TRUE(ListPalettes().empty());
    }

    // The lines of one kind ("driver: ", "palette: ", "owner: ", ...).
    std::vector<std::string> Lines(const std::string& prefix) const {
        std::vector<std::string> lines;
        for (const std::string& line : log)
            if (line.starts_with(prefix))
                lines.push_back(line);
        return lines;
    }

    // What the library says when it drops an event of the palette.
    std::string Refusal(const std::string& why) const {
        return DGTest::Numbered("DG: dialog # of resource module ", PaletteResource) +
               std::to_string(resModule) + why + '\n';
    }

    // The driver's line for a change of the palette.
    static std::string Driver(std::string_view change) {
        return DGTest::Numbered("driver: palette # ", PaletteResource) + std::string(change);
    }

    // Delivers a click, expecting it to be refused with `message` on standard error.
    void ExpectClickRefused(short itemId, const std::string& message) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(ClickPaletteItem(PaletteGuid, itemId));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), message);
    }

    GSResModule resModule = DGTest::TestResModule();
    DGTest::Log log;
    DGTest::ScriptedDriver driver{log};
    DG::Host::DriverScope scope{&driver, &driver};
    PaletteOwner owner{resModule, log};
};

TEST_F(Palettes, AreBuiltFromTheirResourceAndStartHiddenAndIdle) {
    TestPalette palette(resModule, PaletteResource, PaletteGuid, log, nullptr);

    EXPECT_FALSE(palette.IsVisible());
    const std::vector<DG::Host::PaletteView> palettes = ListPalettes();
    ASSERT_EQ(palettes.size(), 1u);
    const DG::Host::PaletteView& view = palettes[0];
    EXPECT_EQ(view.guid, PaletteGuid);
    EXPECT_FALSE(view.visible);
    EXPECT_FALSE(view.processingEvents);
    EXPECT_EQ(view.dialog.resModule, resModule);
    EXPECT_EQ(view.dialog.iconResModule, resModule);
    EXPECT_EQ(view.dialog.resId, PaletteResource);
    EXPECT_EQ(view.dialog.title, DGTEST_PALETTE_TITLE);
    EXPECT_EQ(view.dialog.panelKind, DGTEST_PALETTE_KIND);
    EXPECT_EQ(view.dialog.flags, DGTEST_PALETTE_FLAGS);
    EXPECT_EQ(view.dialog.rect, (DG::Host::Rect{0, 0, DGTEST_PALETTE_WIDTH, DGTEST_PALETTE_HEIGHT}));
    ASSERT_EQ(view.dialog.items.size(), 2u);
    EXPECT_TRUE(view.dialog.items[0].IsIconButton());
    EXPECT_EQ(view.dialog.items[0].iconId, DGTEST_ICON_FIRST);
    EXPECT_TRUE(view.dialog.items[1].IsIconButton());
    EXPECT_EQ(view.dialog.items[1].iconId, DGTEST_ICON_SECOND);
    EXPECT_THAT(Lines("driver: "), ElementsAre(Driver("created")));
}

TEST_F(Palettes, ShowAndHideAreSeenByTheDriverWithTheShowArgument) {
    TestPalette& palette = owner.Open();
    EXPECT_TRUE(palette.IsVisible());
    ASSERT_FALSE(driver.paletteViews.empty());
    EXPECT_EQ(driver.paletteViews.back().dockState, DG::KeepPosition);
    EXPECT_TRUE(driver.paletteViews.back().visible);
    EXPECT_TRUE(driver.paletteViews.back().processingEvents);

    palette.Hide();
    EXPECT_FALSE(palette.IsVisible());
    EXPECT_FALSE(ListPalettes().at(0).visible);
    EXPECT_TRUE(ListPalettes().at(0).processingEvents) << "hiding must not end event processing";
    palette.Show(5);
    EXPECT_TRUE(palette.IsVisible());
    EXPECT_EQ(ListPalettes().at(0).dockState, 5);

    EXPECT_THAT(Lines("driver: "),
                ElementsAre(Driver("created"), Driver("began event processing"), Driver("shown with -32768"),
                            Driver("hidden"), Driver("shown with 5")));
}

TEST_F(Palettes, ClicksArriveOnlyWhileShownAndProcessingEvents) {
    TestPalette& palette = owner.Open();
    EXPECT_TRUE(ClickPaletteItem(PaletteGuid, 1));
    EXPECT_TRUE(ClickPaletteItem(PaletteGuid, 2));

    palette.Hide();
    ExpectClickRefused(1, Refusal(" is hidden; the click on item 1 is dropped"));
    palette.Show(DG::KeepPosition);
    palette.EndEventProcessing();
    ExpectClickRefused(2, Refusal(" processes no events; the click on item 2 is dropped"));
    palette.BeginEventProcessing();
    EXPECT_TRUE(ClickPaletteItem(PaletteGuid, 2));

    EXPECT_THAT(Lines("palette: "), ElementsAre("palette: click 1 (first)", "palette: click 2 (second)",
                                                "palette: click 2 (second)"));
}

TEST_F(Palettes, DisabledItemsTakeNoClicksAndTheDriverSeesTheirState) {
    TestPalette& palette = owner.Open();
    palette.DisableItems();
    ASSERT_FALSE(driver.paletteViews.empty());
    for (const DG::Host::ItemView& item : driver.paletteViews.back().dialog.items)
        EXPECT_FALSE(item.enabled) << "item " << item.id;
    ExpectClickRefused(1, Refusal(": item 1 is disabled; the click is dropped"));

    palette.EnableItems();
    const std::vector<DG::Host::PaletteView> palettes = ListPalettes();
    ASSERT_EQ(palettes.size(), 1u);
    for (const DG::Host::ItemView& item : palettes[0].dialog.items)
        EXPECT_TRUE(item.enabled) << "item " << item.id;
    EXPECT_TRUE(ClickPaletteItem(PaletteGuid, 1));

    EXPECT_THAT(Lines("palette: "), ElementsAre("palette: click 1 (first)"));
    EXPECT_THAT(Lines(Driver("items")), ElementsAre(Driver("items disabled"), Driver("items enabled")));
}

TEST_F(Palettes, HidingDoesNotEnableOrDisable) {
    TestPalette& palette = owner.Open();
    palette.DisableItems();
    palette.Hide();
    palette.Show(DG::KeepPosition);
    ExpectClickRefused(2, Refusal(": item 2 is disabled; the click is dropped"));
}

TEST_F(Palettes, DeliveriesToNothingAreRefused) {
    owner.Open();
    ExpectClickRefused(3, Refusal(" has no item 3; the click is dropped"));
    ExpectClickRefused(0, Refusal(" has no item 0; the click is dropped"));

    const GS::Guid stranger("{00000000-1184-40F2-B8A8-28CF30714FA4}");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ClickPaletteItem(stranger, 1));
    EXPECT_FALSE(RequestPaletteClose(stranger));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "DG: no palette {00000000-1184-40F2-B8A8-28CF30714FA4}; the click on item 1 is dropped\n"
              "DG: no palette {00000000-1184-40F2-B8A8-28CF30714FA4}; the close request is dropped\n");
    EXPECT_TRUE(Lines("palette: ").empty());
}

TEST_F(Palettes, AClosedPaletteWaitsHiddenForTheCollectorWhichDeletesItAndTellsTheOwner) {
    owner.Open();
    EXPECT_TRUE(RequestPaletteClose(PaletteGuid));

    ASSERT_NE(owner.palette, nullptr) << "the owner keeps the palette until the collector has run";
    EXPECT_FALSE(owner.palette->IsVisible());
    EXPECT_FALSE(ListPalettes().at(0).processingEvents);
    EXPECT_EQ(PendingDisposables(), 1u);
    ExpectClickRefused(1, Refusal(" is hidden; the click on item 1 is dropped"));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(RequestPaletteClose(PaletteGuid));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), Refusal(" is hidden; the close request is dropped"));

    EXPECT_EQ(RunGarbageCollector(), 1u);
    EXPECT_EQ(owner.palette, nullptr);
    EXPECT_TRUE(ListPalettes().empty());
    EXPECT_THAT(Lines("palette: "), ElementsAre("palette: close requested"));
    EXPECT_THAT(Lines("owner: "), ElementsAre("owner: palette disposed"));
    EXPECT_EQ(log.back(), "owner: palette disposed") << "the owner is told after the deletion";
    EXPECT_EQ(RunGarbageCollector(), 0u);
}

TEST_F(Palettes, AClosedPaletteItsOwnerDeletesFirstIsNotDeletedAgain) {
    owner.Open();
    ASSERT_TRUE(RequestPaletteClose(PaletteGuid));
    owner.Close();

    EXPECT_EQ(PendingDisposables(), 0u);
    EXPECT_EQ(RunGarbageCollector(), 0u);
    EXPECT_TRUE(Lines("owner: ").empty());
    EXPECT_EQ(Lines(Driver("destroyed")).size(), 1u);
    owner.Open();
    EXPECT_EQ(ListPalettes().size(), 1u) << "a fresh palette after the close";
}

TEST_F(Palettes, TheLibraryLeavesAPaletteAsItsObserversLeaveItOnACloseRequest) {
    DG::Palette plain(resModule, PaletteResource, resModule, PaletteGuid);
    DGTest::PanelRecorder listener("listener", log);
    plain.Attach(listener);
    plain.BeginEventProcessing();
    plain.Show(DG::KeepPosition);

    EXPECT_TRUE(RequestPaletteClose(PaletteGuid));
    EXPECT_THAT(Lines("listener: "), ElementsAre("listener: close requested"));
    EXPECT_TRUE(plain.IsVisible());
    EXPECT_TRUE(ListPalettes().at(0).processingEvents);
}

TEST_F(Palettes, MayBeDeletedFromInsideTheirOwnClickCallback) {
    TestPalette& palette = owner.Open();
    DGTest::ClickRecorder later("later", log);
    later.AttachToAllItems(palette);
    palette.onClicked = [this] { owner.Close(); };

    EXPECT_TRUE(ClickPaletteItem(PaletteGuid, 1));
    EXPECT_EQ(owner.palette, nullptr);
    EXPECT_TRUE(ListPalettes().empty());
    EXPECT_THAT(Lines("palette: "), ElementsAre("palette: click 1 (first)"));
    EXPECT_TRUE(Lines("later: ").empty()) << "observers of a destroyed palette were called";
}

TEST_F(Palettes, MayBeDeletedFromInsideTheirOwnCloseCallback) {
    TestPalette& palette = owner.Open();
    DGTest::PanelRecorder later("later", log);
    palette.Attach(later);
    palette.onCloseRequested = [this] { owner.Close(); };

    EXPECT_TRUE(RequestPaletteClose(PaletteGuid));
    EXPECT_EQ(owner.palette, nullptr);
    EXPECT_EQ(PendingDisposables(), 0u) << "the deletion must take the palette out of the collector";
    EXPECT_TRUE(Lines("later: ").empty());
}

TEST_F(Palettes, TakeNoEventsWhileAModalDialogRuns) {
    owner.Open();
    DGTest::TestDialog dialog(resModule, DGTest::TwoButtonDialog, log);
    bool clicked = true;
    bool closed = true;
    std::string refusals;
    dialog.onOpened = [&] {
        testing::internal::CaptureStderr();
        clicked = ClickPaletteItem(PaletteGuid, 1);
        closed = RequestPaletteClose(PaletteGuid);
        refusals = testing::internal::GetCapturedStderr();
    };
    driver.Script({DG::Host::UserAction::Click(1)});

    EXPECT_TRUE(dialog.Invoke());
    EXPECT_FALSE(clicked);
    EXPECT_FALSE(closed);
    EXPECT_EQ(refusals,
              Refusal(" takes no events while a modal dialog runs; the click on item 1 is dropped") +
                  Refusal(" takes no events while a modal dialog runs; the close request is dropped"));
    EXPECT_TRUE(ClickPaletteItem(PaletteGuid, 1)) << "events resume once the dialog has closed";
    EXPECT_THAT(Lines("palette: "), ElementsAre("palette: click 1 (first)"));
}

TEST_F(Palettes, TheNewestPaletteWithAGuidTakesTheEvents) {
    TestPalette& older = owner.Open();
    testing::internal::CaptureStderr();
    auto newer = std::make_unique<TestPalette>(resModule, PaletteResource, PaletteGuid, log, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string("DG: a palette ") +
                                                          DGTest::PaletteGuidText +
                                                          " exists already; the newest takes the events\n");
    newer->onClicked = [this] { log.push_back("newer heard it"); };
    older.onClicked = [this] { log.push_back("older heard it"); };
    newer->BeginEventProcessing();
    newer->Show(DG::KeepPosition);

    EXPECT_TRUE(ClickPaletteItem(PaletteGuid, 1));
    newer.reset();
    EXPECT_TRUE(ClickPaletteItem(PaletteGuid, 1));
    EXPECT_THAT(Lines("newer heard"), ElementsAre("newer heard it"));
    EXPECT_THAT(Lines("older heard"), ElementsAre("older heard it"));
}

TEST_F(Palettes, AreDestroyedAsTheyStandWithoutBeingHiddenFirst) {
    owner.Open();
    owner.palette->EndEventProcessing();
    delete owner.palette;
    owner.palette = nullptr;

    EXPECT_TRUE(ListPalettes().empty());
    EXPECT_EQ(log.back(), Driver("destroyed"));
    ASSERT_FALSE(driver.paletteViews.empty());
    EXPECT_TRUE(driver.paletteViews.back().visible);
    EXPECT_FALSE(driver.paletteViews.back().processingEvents);
    EXPECT_TRUE(Lines(Driver("hidden")).empty());
}

TEST_F(Palettes, WorkWithoutAUserInterface) {
    const DG::Host::DriverScope none(nullptr, nullptr);
    owner.Open();
    EXPECT_TRUE(ClickPaletteItem(PaletteGuid, 2));
    EXPECT_TRUE(RequestPaletteClose(PaletteGuid));
    EXPECT_EQ(RunGarbageCollector(), 1u);
    EXPECT_THAT(
        log, ElementsAre("palette: click 2 (second)", "palette: close requested", "owner: palette disposed"));
}

TEST_F(Palettes, OneWhoseResourceDidNotLoadIsNeverShownNorListed) {
    testing::internal::CaptureStderr();
    TestPalette palette(resModule, DGTest::MissingResource, PaletteGuid, log, nullptr);
    palette.BeginEventProcessing();
    palette.Show(DG::KeepPosition);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              DGTest::Numbered("DG: dialog # of resource module ", DGTest::MissingResource) +
                  std::to_string(resModule) +
                  DGTest::Numbered(" refused: the module has no 'GSDG' #\n", DGTest::MissingResource));
    EXPECT_FALSE(palette.IsVisible());
    EXPECT_TRUE(ListPalettes().empty());
    EXPECT_TRUE(Lines("driver: ").empty());
}

} // namespace
