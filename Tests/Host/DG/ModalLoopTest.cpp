#include "DialogProbes.hpp"
#include "TestResources.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using DG::Host::UserAction;
using DGTest::Numbered;
using DGTest::OneButtonDialog;
using DGTest::TestDialog;
using DGTest::TwoButtonDialog;
using testing::ElementsAre;

class ModalLoop : public testing::Test {
protected:
    // The driver's lines for the two-button dialog.
    static std::string Opened() {
        return Numbered("driver: opened # \"" DGTEST_DLG_TWO_BUTTONS_TITLE "\"", TwoButtonDialog);
    }
    static std::string Closed(int response) {
        return Numbered("driver: closed # with ", TwoButtonDialog) + std::to_string(response);
    }
    // The start of what the library says about a dialog of the module.
    std::string About(short resId) const {
        return Numbered("DG: dialog # of resource module ", resId) + std::to_string(resModule);
    }

    GSResModule resModule = DGTest::TestResModule();
    DGTest::Log log;
    DGTest::ScriptedDriver driver{log};
    DG::Host::DriverScope scope{&driver, &driver};
};

TEST_F(ModalLoop, AcceptButtonClosesWithAccept) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    driver.Script({UserAction::Click(1)});

    EXPECT_TRUE(dialog.Invoke());
    EXPECT_THAT(log, ElementsAre(Opened(), "dialog: opened", "driver: click 1", "dialog: click 1 (accept)",
                                 Closed(1)));
}

TEST_F(ModalLoop, SecondButtonClosesWithCancel) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    driver.Script({UserAction::Click(2)});

    EXPECT_FALSE(dialog.Invoke());
    EXPECT_THAT(log, ElementsAre(Opened(), "dialog: opened", "driver: click 2", "dialog: click 2 (second)",
                                 Closed(2)));
}

TEST_F(ModalLoop, ClicksOnTextsReachTheObserversAndSeparatorsTakeNone) {
    TestDialog dialog(resModule, OneButtonDialog, log);
    driver.Script({UserAction::Click(3), UserAction::Click(2), UserAction::Click(1)});

    testing::internal::CaptureStderr();
    EXPECT_TRUE(dialog.Invoke());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              About(OneButtonDialog) + ": item 2 is a separator; the click is dropped\n");
    EXPECT_THAT(log,
                ElementsAre(Numbered("driver: opened # \"" DGTEST_DLG_ONE_BUTTON_TITLE "\"", OneButtonDialog),
                            "dialog: opened", "driver: click 3", "dialog: click 3", "driver: click 2",
                            "driver: click 1", "dialog: click 1 (accept)",
                            Numbered("driver: closed # with 1", OneButtonDialog)))
        << "in a one-button dialog item 2 is the separator, bound to the second button: it must not post "
           "Cancel";
}

TEST_F(ModalLoop, ItemsWithoutObjectsHaveAStableSourceOfTheirOwn) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
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
    TestDialog dialog(resModule, TwoButtonDialog, log);
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
    EXPECT_THAT(log, testing::Contains(Closed(2)));
}

TEST_F(ModalLoop, CloseThroughTheWindowControlCancels) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    driver.Script({UserAction::Close()});

    EXPECT_FALSE(dialog.Invoke());
    EXPECT_THAT(
        log, ElementsAre(Opened(), "dialog: opened", "driver: close", "dialog: close requested", Closed(2)));
}

TEST_F(ModalLoop, ARefusedCloseKeepsTheDialogOpen) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    dialog.onCloseRequested = [](bool* accepted) { *accepted = false; };
    driver.Script({UserAction::Close(), UserAction::Click(1)});

    EXPECT_TRUE(dialog.Invoke());
    EXPECT_THAT(log, ElementsAre(Opened(), "dialog: opened", "driver: close", "dialog: close requested",
                                 "driver: click 1", "dialog: click 1 (accept)", Closed(1)));
}

TEST_F(ModalLoop, ACloseRequestMayPostItsOwnResponse) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    dialog.onCloseRequested = [&dialog](bool*) { dialog.PostCloseRequest(DG::ModalDialog::Accept); };
    driver.Script({UserAction::Close()});

    EXPECT_TRUE(dialog.Invoke());
}

TEST_F(ModalLoop, AbortCancelsWithoutACloseRequest) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    driver.Script({UserAction::Abort()});

    EXPECT_FALSE(dialog.Invoke());
    EXPECT_THAT(log, ElementsAre(Opened(), "dialog: opened", "driver: abort", Closed(2)));
}

TEST_F(ModalLoop, ADialogMayCloseItselfWhenOpenedWithoutAskingTheUser) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    dialog.onOpened = [&dialog] { dialog.PostCloseRequest(DG::ModalDialog::Accept); };

    EXPECT_TRUE(dialog.Invoke());
    EXPECT_THAT(log, ElementsAre(Opened(), "dialog: opened", Closed(1)));
}

TEST_F(ModalLoop, TheFirstPostedResponseWins) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    dialog.onClicked = [&dialog](const DG::ButtonClickEvent&) {
        dialog.PostCloseRequest(DG::ModalDialog::Cancel);
    };
    driver.Script({UserAction::Click(1)});

    EXPECT_TRUE(dialog.Invoke());
}

TEST_F(ModalLoop, ARequestPostedWhileNotRunningIsIgnored) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    dialog.PostCloseRequest(DG::ModalDialog::Accept);
    driver.Script({UserAction::Abort()});

    EXPECT_FALSE(dialog.Invoke());
}

TEST_F(ModalLoop, ADialogRunsAgainAfterItClosed) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    driver.Script({UserAction::Click(1)});
    EXPECT_TRUE(dialog.Invoke());
    driver.Script({UserAction::Click(2)});
    EXPECT_FALSE(dialog.Invoke());
    driver.Script({UserAction::Click(1)});
    EXPECT_TRUE(dialog.Invoke());
}

TEST_F(ModalLoop, ARunningDialogRefusesToRunTwice) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    bool nested = true;
    dialog.onClicked = [&](const DG::ButtonClickEvent& ev) {
        if (ev.GetSource()->GetId() == 4) {
            testing::internal::CaptureStderr();
            nested = dialog.Invoke();
            EXPECT_EQ(testing::internal::GetCapturedStderr(),
                      About(TwoButtonDialog) + " is already running\n");
        }
    };
    driver.Script({UserAction::Click(4), UserAction::Click(1)});

    EXPECT_TRUE(dialog.Invoke());
    EXPECT_FALSE(nested);
    EXPECT_EQ(std::count(log.begin(), log.end(), "dialog: opened"), 1);
}

TEST_F(ModalLoop, DisabledItemsDeliverNoClicks) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    dialog.DisableItems();
    driver.Script({UserAction::Click(1), UserAction::Click(4)});

    testing::internal::CaptureStderr();
    EXPECT_FALSE(dialog.Invoke());
    const std::string prefix = About(TwoButtonDialog) + ": item ";
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
    TestDialog dialog(resModule, TwoButtonDialog, log);
    driver.Script({UserAction::Click(9), UserAction::Click(0), UserAction::Click(1)});

    testing::internal::CaptureStderr();
    EXPECT_TRUE(dialog.Invoke());
    const std::string prefix = About(TwoButtonDialog) + " has no item ";
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              prefix + "9; the click is dropped\n" + prefix + "0; the click is dropped\n");
}

class Refusal : public ModalLoop {};

TEST_F(Refusal, AMissingResourceIsNamedAndNothingIsShown) {
    testing::internal::CaptureStderr();
    TestDialog dialog(resModule, DGTest::MissingResource, log);
    EXPECT_FALSE(dialog.Invoke());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              About(DGTest::MissingResource) +
                  Numbered(" refused: the module has no 'GSDG' #\n", DGTest::MissingResource));
    EXPECT_TRUE(log.empty()) << "the driver or an observer was called";
}

TEST_F(Refusal, AnUnregisteredModuleIsNamed) {
    TestDialog dialog(987654, TwoButtonDialog, log);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(dialog.Invoke());
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        Numbered("DG: dialog # of resource module 987654 refused: resource module 987654 is not registered\n",
                 TwoButtonDialog));
    EXPECT_TRUE(log.empty());
}

TEST_F(Refusal, WithoutAUserInterfaceNothingIsShown) {
    const DG::Host::DriverScope none(nullptr, nullptr);
    TestDialog dialog(resModule, TwoButtonDialog, log);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(dialog.Invoke());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              Numbered("DG: no user interface to show dialog #\n", TwoButtonDialog));
    EXPECT_TRUE(log.empty());
}

TEST_F(Refusal, AButtonForAnItemTheDialogDoesNotHaveIsReported) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    testing::internal::CaptureStderr();
    const DG::Button missing(dialog, 9);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), About(TwoButtonDialog) + " has no item 9\n");
    EXPECT_EQ(missing.GetId(), 9);
}

} // namespace
