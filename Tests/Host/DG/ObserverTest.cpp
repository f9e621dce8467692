#include "DialogProbes.hpp"
#include "TestResources.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

using DG::Host::UserAction;
using DGTest::ClickRecorder;
using DGTest::PanelRecorder;
using DGTest::TestDialog;
using DGTest::TwoButtonDialog;
using testing::ElementsAre;

// A dialog that observes nothing itself, so that only the test's observers are called.
class PlainDialog : public DG::ModalDialog {
public:
    explicit PlainDialog(GSResModule module) : DG::ModalDialog(module, TwoButtonDialog, module) {}

    DG::Button accept{*this, 1};
};

class Observers : public testing::Test {
protected:
    GSResModule resModule = DGTest::TestResModule();
    DGTest::Log log;
    DGTest::ScriptedDriver driver{log};
    DG::Host::DriverScope scope{&driver, &driver};

    // The observers' lines only.
    std::vector<std::string> Notifications() const {
        std::vector<std::string> lines;
        for (const std::string& line : log)
            if (!line.starts_with("driver: "))
                lines.push_back(line);
        return lines;
    }
};

TEST_F(Observers, AreCalledInTheOrderTheyWereAttached) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    PanelRecorder second("second", log), first("first", log);
    ClickRecorder onAccept("onAccept", log), onAll("onAll", log);
    dialog.Attach(second);
    dialog.Attach(first);
    dialog.accept.Attach(onAccept);
    onAll.AttachToAllItems(dialog);
    dialog.onCloseRequested = [](bool* accepted) { *accepted = false; };
    driver.Script({UserAction::Click(4), UserAction::Close(), UserAction::Click(1)});

    EXPECT_TRUE(dialog.Invoke());
    EXPECT_THAT(Notifications(),
                ElementsAre("dialog: opened", "second: opened", "first: opened", "dialog: click 4",
                            "onAll: click 4", "dialog: close requested", "second: close requested",
                            "first: close requested", "dialog: click 1 (accept)", "onAccept: click 1",
                            "onAll: click 1"))
        << "every observer of the clicked item hears the click, also after one posted the close";
    EXPECT_EQ(onAccept.lastSource, &dialog.accept);
}

TEST_F(Observers, AttachingTwiceCallsOnceAndDetachingAStrangerIsHarmless) {
    PlainDialog dialog(resModule);
    PanelRecorder panel("panel", log), stranger("stranger", log);
    ClickRecorder clicks("clicks", log), notAttached("notAttached", log);
    dialog.Attach(panel);
    dialog.Attach(panel);
    dialog.Detach(stranger);
    dialog.accept.Attach(clicks);
    clicks.AttachToAllItems(dialog);
    dialog.accept.Detach(notAttached);
    notAttached.DetachFromAllItems(dialog);
    driver.Script({UserAction::Click(1)});

    EXPECT_FALSE(dialog.Invoke());
    EXPECT_THAT(Notifications(), ElementsAre("panel: opened", "clicks: click 1"));
}

TEST_F(Observers, DetachedObserversHearNothingMore) {
    PlainDialog dialog(resModule);
    PanelRecorder panel("panel", log);
    ClickRecorder direct("direct", log), all("all", log);
    dialog.Attach(panel);
    dialog.accept.Attach(direct);
    all.AttachToAllItems(dialog);
    dialog.Detach(panel);
    dialog.accept.Detach(direct);
    all.DetachFromAllItems(dialog);
    driver.Script({UserAction::Click(1), UserAction::Click(4), UserAction::Close()});

    EXPECT_FALSE(dialog.Invoke());
    EXPECT_THAT(Notifications(), ElementsAre());
}

TEST_F(Observers, DetachingDuringACallbackSkipsTheDetachedInThatRound) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    PanelRecorder first("first", log), second("second", log);
    ClickRecorder early("early", log), late("late", log);
    dialog.Attach(first);
    dialog.Attach(second);
    first.onOpened = [&] {
        dialog.Detach(first);
        dialog.Detach(second);
    };
    early.AttachToAllItems(dialog);
    late.AttachToAllItems(dialog);
    early.onClicked = [&](const DG::ButtonClickEvent&) {
        early.DetachFromAllItems(dialog);
        late.DetachFromAllItems(dialog);
    };
    driver.Script({UserAction::Click(4), UserAction::Click(4), UserAction::Click(1)});

    EXPECT_TRUE(dialog.Invoke());
    EXPECT_THAT(Notifications(),
                ElementsAre("dialog: opened", "first: opened", "dialog: click 4", "early: click 4",
                            "dialog: click 4", "dialog: click 1 (accept)"));
}

TEST_F(Observers, AttachingDuringACallbackTakesEffectFromTheNextRound) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    ClickRecorder newcomer("newcomer", log);
    dialog.onClicked = [&](const DG::ButtonClickEvent&) { newcomer.AttachToAllItems(dialog); };
    driver.Script({UserAction::Click(4), UserAction::Click(4), UserAction::Click(1)});

    EXPECT_TRUE(dialog.Invoke());
    EXPECT_THAT(Notifications(),
                ElementsAre("dialog: opened", "dialog: click 4", "dialog: click 4", "newcomer: click 4",
                            "dialog: click 1 (accept)", "newcomer: click 1"));
}

TEST_F(Observers, MayBeDestroyedDuringACallback) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    auto doomedPanel = std::make_unique<PanelRecorder>("doomedPanel", log);
    auto doomedClicks = std::make_unique<ClickRecorder>("doomedClicks", log);
    dialog.Attach(*doomedPanel);
    doomedClicks->AttachToAllItems(dialog);
    dialog.onOpened = [&] { doomedPanel.reset(); };
    dialog.onClicked = [&](const DG::ButtonClickEvent&) { doomedClicks.reset(); };
    driver.Script({UserAction::Click(4), UserAction::Close()});

    EXPECT_FALSE(dialog.Invoke());
    EXPECT_THAT(Notifications(), ElementsAre("dialog: opened", "dialog: click 4", "dialog: close requested"));
}

TEST_F(Observers, MayBeDestroyedBeforeTheirDialog) {
    TestDialog dialog(resModule, TwoButtonDialog, log);
    {
        PanelRecorder panel("panel", log);
        ClickRecorder clicks("clicks", log);
        dialog.Attach(panel);
        dialog.accept.Attach(clicks);
        clicks.AttachToAllItems(dialog);
    }
    driver.Script({UserAction::Click(1)});

    EXPECT_TRUE(dialog.Invoke());
    EXPECT_THAT(Notifications(), ElementsAre("dialog: opened", "dialog: click 1 (accept)"));
}

TEST_F(Observers, OutliveADialogDestroyedWhileTheyWereAttached) {
    PanelRecorder panel("panel", log);
    ClickRecorder clicks("clicks", log);
    auto gone = std::make_unique<PlainDialog>(resModule);
    PlainDialog kept(resModule);
    for (PlainDialog* dialog : {gone.get(), &kept}) {
        dialog->Attach(panel);
        dialog->accept.Attach(clicks);
        clicks.AttachToAllItems(*dialog);
    }
    gone.reset();
    driver.Script({UserAction::Click(1)});

    EXPECT_FALSE(kept.Invoke());
    EXPECT_THAT(Notifications(), ElementsAre("panel: opened", "clicks: click 1"));
}

TEST_F(Observers, AnItemObjectOutlivesItsPanel) {
    ClickRecorder clicks("clicks", log);
    auto dialog = std::make_unique<PlainDialog>(resModule);
    auto button = std::make_unique<DG::Button>(*dialog, 2);
    button->Attach(clicks);
    dialog.reset();

    EXPECT_EQ(button->GetId(), 2);
    button->Attach(clicks);
    button->Detach(clicks);
    button.reset();
    EXPECT_TRUE(log.empty());
}

TEST_F(Observers, ADialogDestroyedDuringItsRunEndsTheRun) {
    auto dialog = std::make_unique<TestDialog>(resModule, TwoButtonDialog, log);
    ClickRecorder destroyer("destroyer", log), after("after", log);
    destroyer.AttachToAllItems(*dialog);
    after.AttachToAllItems(*dialog);
    destroyer.onClicked = [&](const DG::ButtonClickEvent&) { dialog.reset(); };
    driver.Script({UserAction::Click(4), UserAction::Click(1)});

    TestDialog* running = dialog.get();
    EXPECT_FALSE(running->Invoke());
    EXPECT_THAT(log,
                ElementsAre(DGTest::Numbered("driver: opened # \"" DGTEST_DLG_TWO_BUTTONS_TITLE "\"",
                                             TwoButtonDialog),
                            "dialog: opened", "driver: click 4", "dialog: click 4", "destroyer: click 4"))
        << "after the dialog is gone, neither its observers nor the driver hear of it";
}

} // namespace
