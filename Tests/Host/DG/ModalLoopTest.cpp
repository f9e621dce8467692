#include "DialogProbes.hpp"
#include "KaveloResources.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using DG::Host::UserAction;
using DGTest::TestDialog;
using testing::ElementsAre;

constexpr short LinkDialog = 32520;      // items: 1 "OK", 2 "Cancel", 3 separator, 4 text
constexpr short AccountUnlinked = 32534; // items: 1 "OK", 2 separator, 3 text

class ModalLoop : public testing::Test {
protected:
    GSResModule kavelo = DGTest::KaveloResModule();
    DGTest::Log log;
    DGTest::ScriptedDriver driver{log};
    DGTest::DriverScope scope{&driver};
};

TEST_F(ModalLoop, AcceptButtonClosesWithAccept) {
    TestDialog dialog(kavelo, LinkDialog, log);
    driver.Script({UserAction::Click(1)});

    EXPECT_TRUE(dialog.Invoke());
    EXPECT_THAT(log,
                ElementsAre("driver: opened 32520 \"Link to KAVELO\"", "dialog: opened", "driver: click 1",
                            "dialog: click 1 (accept)", "driver: closed 32520 with 1"));
}

TEST_F(ModalLoop, SecondButtonClosesWithCancel) {
    TestDialog dialog(kavelo, LinkDialog, log);
    driver.Script({UserAction::Click(2)});

    EXPECT_FALSE(dialog.Invoke());
    EXPECT_THAT(log,
                ElementsAre("driver: opened 32520 \"Link to KAVELO\"", "dialog: opened", "driver: click 2",
                            "dialog: click 2 (second)", "driver: closed 32520 with 2"));
}

TEST_F(ModalLoop, ClicksOnTextsReachTheObserversAndSeparatorsTakeNone) {
    TestDialog dialog(kavelo, AccountUnlinked, log);
    driver.Script({UserAction::Click(3), UserAction::Click(2), UserAction::Click(1)});

    testing::internal::CaptureStderr();
    EXPECT_TRUE(dialog.Invoke());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "DG: dialog 32534 of resource module " +
                                                          std::to_string(kavelo) +
                                                          ": item 2 is a separator; the click is dropped\n");
    EXPECT_THAT(log, ElementsAre("driver: opened 32534 \"Account unlinked\"", "dialog: opened",
                                 "driver: click 3", "dialog: click 3", "driver: click 2", "driver: click 1",
                                 "dialog: click 1 (accept)", "driver: closed 32534 with 1"))
        << "in a one-button dialog item 2 is the separator, bound to the second button: it must not post "
           "Cancel";
}

TEST_F(ModalLoop, ItemsWithoutObjectsHaveAStableSourceOfTheirOwn) {
    TestDialog dialog(kavelo, LinkDialog, log);
    std::vector<DG::Item*> sources;
    dialog.onClicked = [&](const DG::ButtonClickEvent& ev) { sources.push_back(ev.GetSource()); };
    driver.Script({UserAction::Click(4), UserAction::Click(4)});

    EXPECT_FALSE(dialog.Invoke());
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0]->GetId(), 4);
    EXPECT_EQ(sources[0], sources[1]);
    for (DG::Item* source : sources) {
        EXPECT_NE(source, &dialog.accept);
        EXPECT_NE(source, &dialog.second);
    }
}

TEST_F(ModalLoop, TheLatestItemObjectBoundToAnItemIsTheSource) {
    TestDialog dialog(kavelo, LinkDialog, log);
    std::vector<DG::Item*> sources;
    dialog.onClicked = [&](const DG::ButtonClickEvent& ev) { sources.push_back(ev.GetSource()); };
    auto extra = std::make_unique<DG::Button>(dialog, 2);
    const DG::Item* extraAddress = extra.get();
    driver.Script({UserAction::Click(2)});
    EXPECT_FALSE(dialog.Invoke()) << "the click came from the extra button, which closes nothing";
    extra.reset();
    driver.Script({UserAction::Click(2)});
    EXPECT_FALSE(dialog.Invoke());

    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0], extraAddress);
    EXPECT_EQ(sources[1], &dialog.second);
    EXPECT_THAT(log, testing::Contains("driver: closed 32520 with 2"));
}

TEST_F(ModalLoop, CloseThroughTheWindowControlCancels) {
    TestDialog dialog(kavelo, LinkDialog, log);
    driver.Script({UserAction::Close()});

    EXPECT_FALSE(dialog.Invoke());
    EXPECT_THAT(log, ElementsAre("driver: opened 32520 \"Link to KAVELO\"", "dialog: opened", "driver: close",
                                 "dialog: close requested", "driver: closed 32520 with 2"));
}

TEST_F(ModalLoop, ARefusedCloseKeepsTheDialogOpen) {
    TestDialog dialog(kavelo, LinkDialog, log);
    dialog.onCloseRequested = [](bool* accepted) { *accepted = false; };
    driver.Script({UserAction::Close(), UserAction::Click(1)});

    EXPECT_TRUE(dialog.Invoke());
    EXPECT_THAT(log, ElementsAre("driver: opened 32520 \"Link to KAVELO\"", "dialog: opened", "driver: close",
                                 "dialog: close requested", "driver: click 1", "dialog: click 1 (accept)",
                                 "driver: closed 32520 with 1"));
}

TEST_F(ModalLoop, ACloseRequestMayPostItsOwnResponse) {
    TestDialog dialog(kavelo, LinkDialog, log);
    dialog.onCloseRequested = [&dialog](bool*) { dialog.PostCloseRequest(DG::ModalDialog::Accept); };
    driver.Script({UserAction::Close()});

    EXPECT_TRUE(dialog.Invoke());
}

TEST_F(ModalLoop, AbortCancelsWithoutACloseRequest) {
    TestDialog dialog(kavelo, LinkDialog, log);
    driver.Script({UserAction::Abort()});

    EXPECT_FALSE(dialog.Invoke());
    EXPECT_THAT(log, ElementsAre("driver: opened 32520 \"Link to KAVELO\"", "dialog: opened", "driver: abort",
                                 "driver: closed 32520 with 2"));
}

TEST_F(ModalLoop, ADialogMayCloseItselfWhenOpenedWithoutAskingTheUser) {
    TestDialog dialog(kavelo, LinkDialog, log);
    dialog.onOpened = [&dialog] { dialog.PostCloseRequest(DG::ModalDialog::Accept); };

    EXPECT_TRUE(dialog.Invoke());
    EXPECT_THAT(log, ElementsAre("driver: opened 32520 \"Link to KAVELO\"", "dialog: opened",
                                 "driver: closed 32520 with 1"));
}

TEST_F(ModalLoop, TheFirstPostedResponseWins) {
    TestDialog dialog(kavelo, LinkDialog, log);
    dialog.onClicked = [&dialog](const DG::ButtonClickEvent&) {
        dialog.PostCloseRequest(DG::ModalDialog::Cancel);
    };
    driver.Script({UserAction::Click(1)});

    EXPECT_TRUE(dialog.Invoke());
}

TEST_F(ModalLoop, ARequestPostedWhileNotRunningIsIgnored) {
    TestDialog dialog(kavelo, LinkDialog, log);
    dialog.PostCloseRequest(DG::ModalDialog::Accept);
    driver.Script({UserAction::Abort()});

    EXPECT_FALSE(dialog.Invoke());
}

TEST_F(ModalLoop, ADialogRunsAgainAfterItClosed) {
    TestDialog dialog(kavelo, LinkDialog, log);
    driver.Script({UserAction::Click(1)});
    EXPECT_TRUE(dialog.Invoke());
    driver.Script({UserAction::Click(2)});
    EXPECT_FALSE(dialog.Invoke());
    driver.Script({UserAction::Click(1)});
    EXPECT_TRUE(dialog.Invoke());
}

TEST_F(ModalLoop, ARunningDialogRefusesToRunTwice) {
    TestDialog dialog(kavelo, LinkDialog, log);
    bool nested = true;
    dialog.onClicked = [&](const DG::ButtonClickEvent& ev) {
        if (ev.GetSource()->GetId() == 4) {
            testing::internal::CaptureStderr();
            nested = dialog.Invoke();
            EXPECT_EQ(testing::internal::GetCapturedStderr(), "DG: dialog 32520 of resource module " +
                                                                  std::to_string(kavelo) +
                                                                  " is already running\n");
        }
    };
    driver.Script({UserAction::Click(4), UserAction::Click(1)});

    EXPECT_TRUE(dialog.Invoke());
    EXPECT_FALSE(nested);
    EXPECT_EQ(std::count(log.begin(), log.end(), "dialog: opened"), 1);
}

TEST_F(ModalLoop, DisabledItemsDeliverNoClicks) {
    TestDialog dialog(kavelo, LinkDialog, log);
    dialog.DisableItems();
    driver.Script({UserAction::Click(1), UserAction::Click(4)});

    testing::internal::CaptureStderr();
    EXPECT_FALSE(dialog.Invoke());
    const std::string prefix = "DG: dialog 32520 of resource module " + std::to_string(kavelo) + ": item ";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), prefix + "1 is disabled; the click is dropped\n" +
                                                          prefix + "4 is disabled; the click is dropped\n");
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& line) { return line.starts_with("dialog: click"); }),
              0);
    ASSERT_FALSE(driver.seen.empty());
    for (const DG::Host::ItemView& item : driver.seen.front().items)
        EXPECT_FALSE(item.enabled) << "item " << item.id;

    dialog.EnableItems();
    driver.seen.clear();
    driver.Script({UserAction::Click(1)});
    EXPECT_TRUE(dialog.Invoke());
    for (const DG::Host::ItemView& item : driver.seen.front().items)
        EXPECT_TRUE(item.enabled) << "item " << item.id;
}

TEST_F(ModalLoop, AClickOnAnItemTheDialogDoesNotHaveIsDropped) {
    TestDialog dialog(kavelo, LinkDialog, log);
    driver.Script({UserAction::Click(9), UserAction::Click(0), UserAction::Click(1)});

    testing::internal::CaptureStderr();
    EXPECT_TRUE(dialog.Invoke());
    const std::string prefix =
        "DG: dialog 32520 of resource module " + std::to_string(kavelo) + " has no item ";
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              prefix + "9; the click is dropped\n" + prefix + "0; the click is dropped\n");
}

class Refusal : public ModalLoop {};

TEST_F(Refusal, AMissingResourceIsNamedAndNothingIsShown) {
    testing::internal::CaptureStderr();
    TestDialog dialog(kavelo, 12345, log);
    EXPECT_FALSE(dialog.Invoke());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "DG: dialog 12345 of resource module " +
                                                          std::to_string(kavelo) +
                                                          " refused: the module has no 'GSDG' 12345\n");
    EXPECT_TRUE(log.empty()) << "the driver or an observer was called";
}

TEST_F(Refusal, AnUnregisteredModuleIsNamed) {
    TestDialog dialog(987654, LinkDialog, log);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(dialog.Invoke());
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        "DG: dialog 32520 of resource module 987654 refused: resource module 987654 is not registered\n");
    EXPECT_TRUE(log.empty());
}

TEST_F(Refusal, WithoutAUserInterfaceNothingIsShown) {
    const DGTest::DriverScope none(nullptr);
    TestDialog dialog(kavelo, LinkDialog, log);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(dialog.Invoke());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "DG: no user interface to show dialog 32520\n");
    EXPECT_TRUE(log.empty());
}

TEST_F(Refusal, AButtonForAnItemTheDialogDoesNotHaveIsReported) {
    TestDialog dialog(kavelo, LinkDialog, log);
    testing::internal::CaptureStderr();
    const DG::Button missing(dialog, 9);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "DG: dialog 32520 of resource module " + std::to_string(kavelo) + " has no item 9\n");
    EXPECT_EQ(missing.GetId(), 9);
}

} // namespace
