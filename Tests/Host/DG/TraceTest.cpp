#include "PaletteProbes.hpp"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string_view>

namespace {

using DGTest::Numbered;
using DGTest::PaletteGuid;
using DGTest::PaletteResource;
using DGTest::TestPalette;

class Trace : public testing::Test {
protected:
    void SetUp() override {
        DG::Host::SetTraceObserver([this](std::string_view line) { trace.emplace_back(line); });
    }
    void TearDown() override { DG::Host::SetTraceObserver({}); }

    // The lines expected for panel `id`, written with '#' for its resource id.
    static DGTest::Log Traced(short id, std::initializer_list<std::string_view> lines) {
        DGTest::Log expected;
        for (std::string_view line : lines)
            expected.push_back(Numbered(line, id));
        return expected;
    }

    GSResModule resModule = DGTest::TestResModule();
    DGTest::Log log;
    DGTest::Log trace;
};

TEST_F(Trace, FollowsThePalettesConstructionAndDestruction) {
    auto palette = std::make_unique<TestPalette>(resModule, PaletteResource, PaletteGuid, log, nullptr);
    EXPECT_EQ(trace, Traced(PaletteResource, {"Panel # created", "Button 1 created", "Button 2 created",
                                              "PanelObserver attached to #",
                                              "CompoundItemObserver attached to all items of #"}));
    trace.clear();

    palette.reset();
    EXPECT_EQ(trace,
              Traced(PaletteResource,
                     {"PanelObserver detached from #", "CompoundItemObserver detached from all items of #",
                      "Button 2 destroyed", "Button 1 destroyed", "Panel # destroyed"}));
}

TEST_F(Trace, FollowsTheModelessCalls) {
    TestPalette palette(resModule, PaletteResource, PaletteGuid, log, nullptr);
    trace.clear();
    palette.BeginEventProcessing();
    palette.Show(DG::KeepPosition);
    palette.Hide();
    palette.Hide();
    palette.EndEventProcessing();

    EXPECT_EQ(trace, Traced(PaletteResource,
                            {"Palette # began event processing", "Palette # shown with -32768",
                             "Palette # hidden", "Palette # hidden", "Palette # ended event processing"}));
}

TEST_F(Trace, WritesOneLinePerCallWhetherOrNotItChangedAnything) {
    DGTest::TestDialog dialog(resModule, DGTest::TwoButtonDialog, log);
    DGTest::PanelRecorder panel("panel", log);
    DGTest::ClickRecorder clicks("clicks", log);
    trace.clear();
    dialog.Attach(panel);
    dialog.Attach(panel);
    dialog.accept.Attach(clicks);
    dialog.second.Detach(clicks);
    clicks.DetachFromAllItems(dialog);
    dialog.Detach(panel);

    EXPECT_EQ(trace,
              Traced(DGTest::TwoButtonDialog,
                     {"PanelObserver attached to #", "PanelObserver attached to #",
                      "ButtonItemObserver attached to button 1", "ButtonItemObserver detached from button 2",
                      "CompoundItemObserver detached from all items of #", "PanelObserver detached from #"}));
}

TEST_F(Trace, StopsWhenTheObserverIsEmptied) {
    DG::Host::SetTraceObserver({});
    const DGTest::TestDialog dialog(resModule, DGTest::OneButtonDialog, log);
    EXPECT_TRUE(trace.empty());
}

TEST_F(Trace, NamesAPanelWhoseResourceDidNotLoadByItsId) {
    testing::internal::CaptureStderr();
    { const DGTest::TestDialog dialog(resModule, DGTest::MissingResource, log); }
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(trace,
              Traced(DGTest::MissingResource,
                     {"Panel # created", "Button 1 created", "Button 2 created",
                      "CompoundItemObserver attached to all items of #", "PanelObserver attached to #",
                      "PanelObserver detached from #", "CompoundItemObserver detached from all items of #",
                      "Button 2 destroyed", "Button 1 destroyed", "Panel # destroyed"}));
}

} // namespace
