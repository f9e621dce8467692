#include "DialogProbes.hpp"
#include "GSRootHost.hpp"
#include "GarbageCollectorHost.hpp"
#include "PaletteProbes.hpp"
#include "TestPlatform.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using DG::Host::UserAction;
using testing::ElementsAre;

using RunDialogProc = bool(GSResModule resModule, short resId, bool onHeap, short* heard, int capacity,
                           int* heardCount);
using OpenPaletteProc = void(GSResModule resModule, short resId, const char* guidText);
using DisposedPalettesProc = int();

// Dialogs made inside a module with its own runtime and allocator, as the add-on makes them.
class ModuleBoundary : public testing::Test {
protected:
    void SetUp() override {
        runDialog = module.Find<RunDialogProc>("DGProbeRunDialog");
        openPalette = module.Find<OpenPaletteProc>("DGProbeOpenPalette");
        disposedPalettes = module.Find<DisposedPalettesProc>("DGProbeDisposedPalettes");
        ASSERT_NE(runDialog, nullptr);
        ASSERT_NE(openPalette, nullptr);
        ASSERT_NE(disposedPalettes, nullptr);
    }

    std::vector<short> Run(bool onHeap, bool expectAccepted) {
        short heard[8] = {};
        int count = 0;
        EXPECT_EQ(runDialog(resModule, DGTest::TwoButtonDialog, onHeap, heard, 8, &count), expectAccepted);
        return {heard, heard + count};
    }

    GSResModule resModule = DGTest::TestResModule();
    DGTest::Log log;
    DGTest::ScriptedDriver driver{log};
    DG::Host::DriverScope scope{&driver, &driver};
    const HostTest::LoadedLibrary module{HostTest::BuiltFile(KAVELO_DG_PROBE_MODULE)};
    RunDialogProc* runDialog = nullptr;
    OpenPaletteProc* openPalette = nullptr;
    DisposedPalettesProc* disposedPalettes = nullptr;
};

TEST_F(ModuleBoundary, ADialogOnTheModulesStackAllocatesNothingThroughTheModule) {
    driver.Script({UserAction::Click(4), UserAction::Click(1)});
    const GS::Host::MemoryStats before = GS::Host::GetMemoryStats();

    EXPECT_THAT(Run(false, true), ElementsAre(4, 1))
        << "AttachToAllItems must find the module's item observer";
    const GS::Host::MemoryStats after = GS::Host::GetMemoryStats();
    EXPECT_EQ(after.allocations, before.allocations) << "something in the DG headers allocated in the module";
    EXPECT_EQ(after.liveBlocks, before.liveBlocks);
}

TEST_F(ModuleBoundary, ADialogMadeWithTheModulesNewIsItsOnlyAllocation) {
    driver.Script({UserAction::Click(2), UserAction::Close()});
    const GS::Host::MemoryStats before = GS::Host::GetMemoryStats();

    EXPECT_THAT(Run(true, false), ElementsAre(2));
    const GS::Host::MemoryStats after = GS::Host::GetMemoryStats();
    EXPECT_EQ(after.allocations, before.allocations + 1);
    EXPECT_EQ(after.liveOperatorNewBlocks, before.liveOperatorNewBlocks);
    EXPECT_EQ(after.liveBlocks, before.liveBlocks);
}

TEST_F(ModuleBoundary, APaletteMadeInTheModuleIsDeletedByTheCollectorThroughTheModulesDelete) {
    const GS::Host::MemoryStats before = GS::Host::GetMemoryStats();
    openPalette(resModule, DGTest::PaletteResource, DGTest::PaletteGuidText);
    const GS::Host::MemoryStats open = GS::Host::GetMemoryStats();
    EXPECT_EQ(open.allocations, before.allocations + 1) << "only the palette object itself";
    EXPECT_EQ(open.liveOperatorNewBlocks, before.liveOperatorNewBlocks + 1);

    ASSERT_TRUE(DG::Host::RequestPaletteClose(DGTest::PaletteGuid));
    EXPECT_EQ(GS::Host::RunGarbageCollector(), 1u);
    EXPECT_EQ(disposedPalettes(), 1);
    const GS::Host::MemoryStats after = GS::Host::GetMemoryStats();
    EXPECT_EQ(after.liveOperatorNewBlocks, before.liveOperatorNewBlocks);
    EXPECT_EQ(after.liveBlocks, before.liveBlocks);
    EXPECT_TRUE(DG::Host::ListPalettes().empty());
}

} // namespace
