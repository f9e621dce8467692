#include "DGHost.hpp"
#include "GSRootHost.hpp"
#include "HostText.hpp"
#include "ModuleHost.hpp"
#include "TestPlatform.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Testing::ModuleHost;

constexpr GSErrCode Refusal = GSErrCode(0x81060009);
constexpr Int32 PaletteRefId = Int32(0x8D0ACB8B);

class AddOnMain : public ::testing::Test {
protected:
    ModuleHost host{ModuleHost::BuiltModulePath()};

    void SendTableAndRegister() {
        ASSERT_EQ(host.SendTable(), NoError);
        ASSERT_EQ(host.RegisterCommands(), NoError);
    }
};

TEST_F(AddOnMain, DescribeAddOnFillsNameAndDescriptionOnly) {
    ASSERT_EQ(host.SendTable(), NoError);
    API_EnvirParams envir{};
    envir.hostGeneration = 0x5A5A5A5A;
    envir.hostLanguage = -7;
    EXPECT_EQ(host.Describe(&envir), 1);
    EXPECT_STREQ(envir.addOnInfo.name.ToCStr().Get(), "KAVELO");
    EXPECT_STREQ(envir.addOnInfo.description.ToCStr().Get(), "Export models to kavelo.ai to improve realism");
    EXPECT_EQ(envir.hostGeneration, 0x5A5A5A5A);
    EXPECT_EQ(envir.hostLanguage, -7);
}

TEST_F(AddOnMain, RegistersFourCommandsAndTheToolbarEntryInOrder) {
    ASSERT_EQ(host.SendTable(), NoError);
    EXPECT_EQ(host.RegisterCommands(), NoError);
    ASSERT_EQ(host.Menus().size(), 5u);
    const Int16 ids[] = {32511, 32512, 32514, 32513, 32540};
    const Int16 prompts[] = {32530, 0, 0, 0, 0};
    const Int32 placements[] = {MenuCode_UserDef, MenuCode_UserDef, MenuCode_UserDef, MenuCode_UserDef,
                                MenuCode_ToolBar};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(host.Menus()[i].menuId, ids[i]);
        EXPECT_EQ(host.Menus()[i].promptId, prompts[i]);
        EXPECT_EQ(host.Menus()[i].placement, placements[i]);
        EXPECT_EQ(host.Menus()[i].flags, 0);
    }
}

TEST_F(AddOnMain, RegistrationStopsAtTheFirstRefusalAndAnswersItsCode) {
    ASSERT_EQ(host.SendTable(), NoError);
    host.FailSlot(HostSlot_RegisterMenu, Refusal);
    EXPECT_EQ(host.RegisterCommands(), Refusal);
    EXPECT_EQ(host.calls, std::vector<std::string>{"RegisterMenu 32511"});
}

TEST_F(AddOnMain, RegistrationRefusedHalfWayLeavesTheLaterCommandsUnregistered) {
    ASSERT_EQ(host.SendTable(), NoError);
    host.FailSlot(HostSlot_RegisterMenu, Refusal, 2);
    EXPECT_EQ(host.RegisterCommands(), Refusal);
    const std::vector<std::string> expected = {"RegisterMenu 32511", "RegisterMenu 32512",
                                               "RegisterMenu 32514"};
    EXPECT_EQ(host.calls, expected);
}

TEST_F(AddOnMain, InitializeInstallsEveryHandlerThenRegistersThePalette) {
    SendTableAndRegister();
    host.calls.clear();
    EXPECT_EQ(host.Initialize(), NoError);
    const std::vector<std::string> expected = {
        "InstallMenuHandler 32511", "InstallMenuHandler 32512", "InstallMenuHandler 32514",
        "InstallMenuHandler 32513", "InstallMenuHandler 32540", "RegisterModelessWindow 0x8D0ACB8B"};
    EXPECT_EQ(host.calls, expected);
    EXPECT_TRUE(host.debugLines.empty());

    ASSERT_EQ(host.Windows().size(), 1u);
    EXPECT_EQ(host.Windows()[0].referenceId, PaletteRefId);
    EXPECT_EQ(host.Windows()[0].flags, 4);
    EXPECT_NE(host.Windows()[0].callback, nullptr);
    const UInt8 guid[] = {0x1F, 0xA0, 0xA0, 0xD8, 0x84, 0x11, 0xF2, 0x40,
                          0xB8, 0xA8, 0x28, 0xCF, 0x30, 0x71, 0x4F, 0xA4};
    EXPECT_EQ(host.Windows()[0].guid, Workbench::GuidText(guid));

    // The reference id is the wrap-around sum of the GUID's four little-endian words.
    UInt32 sum = 0;
    for (int word = 0; word < 4; ++word) {
        UInt32 value = 0;
        std::memcpy(&value, guid + 4 * word, 4);
        sum += value;
    }
    EXPECT_EQ(Int32(sum), PaletteRefId);
}

TEST_F(AddOnMain, FailedHandlerInstallationIsLoggedAndInitializeGoesOn) {
    SendTableAndRegister();
    host.calls.clear();
    host.FailSlot(HostSlot_InstallMenuHandler, Refusal, 1);
    EXPECT_EQ(host.Initialize(), NoError);
    const std::vector<std::string> expected = {"InstallMenuHandler 32511", "InstallMenuHandler 32512",
                                               "RegisterModelessWindow 0x8D0ACB8B"};
    EXPECT_EQ(host.calls, expected);
    EXPECT_EQ(host.debugLines,
              std::vector<std::string>{"Initialize() ACAPI_MenuItem_InstallMenuHandler failed\n"});
}

TEST_F(AddOnMain, MissingHandlerSlotCountsAsAFailedInstallation) {
    host.ClearSlot(HostSlot_InstallMenuHandler);
    SendTableAndRegister();
    EXPECT_EQ(host.Initialize(), NoError);
    EXPECT_EQ(host.HandlerOf(32511), nullptr);
    EXPECT_EQ(host.debugLines,
              std::vector<std::string>{"Initialize() ACAPI_MenuItem_InstallMenuHandler failed\n"});
    EXPECT_EQ(host.Windows().size(), 1u);
}

TEST_F(AddOnMain, RefusedPaletteRegistrationIsLoggedAndReturnedWithHandlersInstalled) {
    SendTableAndRegister();
    host.FailSlot(HostSlot_RegisterModelessWindow, Refusal);
    EXPECT_EQ(host.Initialize(), Refusal);
    for (const Workbench::RegisteredMenu& menu : host.Menus())
        EXPECT_NE(host.HandlerOf(menu.menuId), nullptr) << menu.menuId;
    EXPECT_EQ(host.debugLines,
              std::vector<std::string>{"DG_Test:: Initialize() ACAPI_RegisterModelessWindow failed\n"});
}

TEST_F(AddOnMain, ShutDownUnregistersThePaletteAndIgnoresARefusal) {
    host.Start();
    host.calls.clear();
    host.FailSlot(HostSlot_UnregisterModelessWindow, Refusal);
    EXPECT_EQ(host.ShutDown(), NoError);
    EXPECT_EQ(host.calls, std::vector<std::string>{"UnregisterModelessWindow 0x8D0ACB8B"});
}

TEST_F(AddOnMain, UnloadAfterShutDownIsQuiet) {
    host.Start();
    EXPECT_EQ(host.ShutDown(), NoError);
    host.Unload();
    EXPECT_TRUE(host.debugLines.empty());
}

TEST_F(AddOnMain, UnloadWithoutShutDownReportsAbnormalTermination) {
    host.Start();
    host.Unload();
    const std::vector<std::string> expected = {
        "Abnormal add-on termination (\"" + ModuleHost::BuiltModulePath() + "\")", "\n"};
    EXPECT_EQ(host.debugLines, expected);
}

TEST_F(AddOnMain, MenuPicksAnswerZeroAndReadOnlyTheMenuId) {
    host.Start();
    for (const Int16 id : {Int16(32511), Int16(32512), Int16(32514), Int16(32513), Int16(32540)})
        EXPECT_EQ(host.PickMenu(id), NoError) << id;
    API_MenuParams unknown{};
    unknown.menuResID = 12345;
    unknown.itemIndex = -1;
    unknown.filler = -1;
    EXPECT_EQ(host.HandlerOf(32511)(&unknown), NoError);
}

TEST_F(AddOnMain, PaletteMessagesForAnotherReferenceIdAreIgnored) {
    host.Start();
    APIPaletteControlCallBackProc* callback = host.Windows().at(0).callback;
    bool visible = true;
    EXPECT_EQ(callback(PaletteRefId + 1, APIPalMsg_IsPaletteVisible, reinterpret_cast<GS::IntPtr>(&visible)),
              NoError);
    EXPECT_TRUE(visible);
    EXPECT_EQ(callback(PaletteRefId, APIPalMsg_IsPaletteVisible, reinterpret_cast<GS::IntPtr>(&visible)),
              NoError);
    EXPECT_FALSE(visible);
}

TEST_F(AddOnMain, UnloadDeletesAnOpenPaletteWithoutHidingIt) {
    host.Start();
    host.PickMenu(32511);
    std::vector<std::string> trace;
    DG::Host::SetTraceObserver([&](std::string_view line) { trace.emplace_back(line); });
    EXPECT_EQ(host.ShutDown(), NoError);
    host.Unload();
    DG::Host::SetTraceObserver(nullptr);
    const std::vector<std::string> expected = {"Palette 32590 ended event processing",
                                               "PanelObserver detached from 32590",
                                               "CompoundItemObserver detached from all items of 32590",
                                               "Button 2 destroyed",
                                               "Button 1 destroyed",
                                               "Panel 32590 destroyed"};
    EXPECT_EQ(trace, expected);
    EXPECT_TRUE(DG::Host::ListPalettes().empty());
}

// The module takes its own C++ runtime with it when it goes: loaded and unloaded many times, it gives
// the heap back, where a runtime left behind would keep tens of kilobytes a time.
TEST(AddOnUnload, RepeatedLoadsGiveTheHeapBack) {
    const auto loadRunAndUnload = [] {
        ModuleHost host{ModuleHost::BuiltModulePath()};
        host.Start();
        EXPECT_EQ(host.ShutDown(), NoError);
    };
    loadRunAndUnload(); // what the host and its libraries build once
    const std::size_t before = HostTest::HeapBytesInUse();
    if (before == 0) {
        GTEST_SKIP() << "this process's allocator does not report its heap (AddressSanitizer's does not)";
    }
    constexpr int Loads = 20;
    for (int load = 0; load < Loads; ++load)
        loadRunAndUnload();
    // A runtime left behind keeps about 70 kB a load; the host's own state settles within a few kB.
    EXPECT_LE(HostTest::HeapBytesInUse(), before + 32 * 1024) << "bytes in use after " << Loads << " loads";
}

} // namespace
