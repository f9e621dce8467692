#include "KaveloResources.hpp"
#include "PaletteProbes.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

using DGTest::PaletteGuid;
using DGTest::PaletteResource;
using DGTest::TestPalette;
using testing::ElementsAre;

class Trace : public testing::Test {
protected:
    void SetUp() override {
        DG::Host::SetTraceObserver([this](std::string_view line) { trace.emplace_back(line); });
    }
    void TearDown() override { DG::Host::SetTraceObserver({}); }

    GSResModule kavelo = DGTest::KaveloResModule();
    DGTest::Log log;
    DGTest::Log trace;
};

TEST_F(Trace, FollowsThePalettesConstructionAndDestruction) {
    auto palette = std::make_unique<TestPalette>(kavelo, PaletteResource, PaletteGuid, log, nullptr);
    EXPECT_THAT(trace, ElementsAre("Panel 32590 created", "Button 1 created", "Button 2 created",
                                   "PanelObserver attached to 32590",
                                   "CompoundItemObserver attached to all items of 32590"));
    trace.clear();

    palette.reset();
    EXPECT_THAT(trace, ElementsAre("PanelObserver detached from 32590",
                                   "CompoundItemObserver detached from all items of 32590",
                                   "Button 2 destroyed", "Button 1 destroyed", "Panel 32590 destroyed"));
}

TEST_F(Trace, FollowsTheModelessCalls) {
    TestPalette palette(kavelo, PaletteResource, PaletteGuid, log, nullptr);
    trace.clear();
    palette.BeginEventProcessing();
    palette.Show(DG::KeepPosition);
    palette.Hide();
    palette.Hide();
    palette.EndEventProcessing();

    EXPECT_THAT(trace, ElementsAre("Palette 32590 began event processing", "Palette 32590 shown with -32768",
                                   "Palette 32590 hidden", "Palette 32590 hidden",
                                   "Palette 32590 ended event processing"));
}

TEST_F(Trace, WritesOneLinePerCallWhetherOrNotItChangedAnything) {
    DGTest::TestDialog dialog(kavelo, 32520, log);
    DGTest::PanelRecorder panel("panel", log);
    DGTest::ClickRecorder clicks("clicks", log);
    trace.clear();
    dialog.Attach(panel);
    dialog.Attach(panel);
    dialog.accept.Attach(clicks);
    dialog.second.Detach(clicks);
    clicks.DetachFromAllItems(dialog);
    dialog.Detach(panel);

    EXPECT_THAT(trace, ElementsAre("PanelObserver attached to 32520", "PanelObserver attached to 32520",
                                   "ButtonItemObserver attached to button 1",
                                   "ButtonItemObserver detached from button 2",
                                   "CompoundItemObserver detached from all items of 32520",
                                   "PanelObserver detached from 32520"));
}

TEST_F(Trace, StopsWhenTheObserverIsEmptied) {
    DG::Host::SetTraceObserver({});
    const DGTest::TestDialog dialog(kavelo, 32534, log);
    EXPECT_TRUE(trace.empty());
}

TEST_F(Trace, NamesAPanelWhoseResourceDidNotLoadByItsId) {
    testing::internal::CaptureStderr();
    { const DGTest::TestDialog dialog(kavelo, 12345, log); }
    testing::internal::GetCapturedStderr();
    EXPECT_THAT(trace, ElementsAre("Panel 12345 created", "Button 1 created", "Button 2 created",
                                   "CompoundItemObserver attached to all items of 12345",
                                   "PanelObserver attached to 12345", "PanelObserver detached from 12345",
                                   "CompoundItemObserver detached from all items of 12345",
                                   "Button 2 destroyed", "Button 1 destroyed", "Panel 12345 destroyed"));
}

} // namespace
