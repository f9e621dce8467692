#include "HostFixture.hpp"

#include <thread>

namespace {

using namespace Workbench;
using namespace WorkbenchTest;

TEST_F(WorkbenchHostTable, FillsExactlyTheSuppliedSlots) {
    std::vector<std::size_t> filled;
    for (std::size_t slot = 0; slot < HostFunctionTableSlots; ++slot) {
        if (table.Functions()[slot] != nullptr)
            filled.push_back(slot);
    }
    EXPECT_EQ(filled, std::vector<std::size_t>({5, 25, 59, 60, 61, 62, 68, 77, 78, 81}));
    EXPECT_NE(table.RegistrationContext(), nullptr);
    EXPECT_NE(table.RegistrationContext(), table.HostContext());
}

TEST_F(WorkbenchHostTable, OnlyOneTableIsActive) {
    EXPECT_THROW(HostTable second(host), std::logic_error);
}

TEST_F(WorkbenchHostTable, RegistersMenusAndWritesEachCall) {
    EXPECT_EQ(RegisterMenu(32511, 32530), NoError);
    EXPECT_EQ(RegisterMenu(32540, 0, 12), NoError);
    EXPECT_EQ(RegisterMenu(32511), APIERR_NAMEALREADYUSED);

    ASSERT_EQ(host.Menus().size(), 2u);
    EXPECT_EQ(host.Menus()[1].placement, 12);
    EXPECT_EQ(
        lines.str().substr(0, lines.str().find('\n')),
        R"({"seq":1,"event":"menu-registered","menu":32511,"prompt":32530,"placement":0,"flags":0,"result":0})");
    const auto events = Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[2].Number("result"), APIERR_NAMEALREADYUSED);
}

TEST_F(WorkbenchHostTable, AnInjectedFailureAnswersTheCodeAndRegistersNothingUntilOff) {
    host.SetSlotFailure(HostSlot_RegisterMenu, Refused);
    EXPECT_EQ(RegisterMenu(32511), Refused);
    EXPECT_TRUE(host.Menus().empty());
    host.SetSlotFailure(HostSlot_RegisterMenu, std::nullopt);
    EXPECT_EQ(RegisterMenu(32511), NoError);

    const auto events = Events();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].Name(), "slot-failure-set");
    EXPECT_EQ(events[0].Number("slot"), 5);
    EXPECT_EQ(events[0].Number("code"), Refused);
    EXPECT_EQ(events[1].Number("result"), Refused);
    EXPECT_EQ(events[2].Name(), "slot-failure-set");
    EXPECT_TRUE(events[2].fields.at("code").is_null());
    EXPECT_EQ(events[3].Number("result"), 0);
}

TEST_F(WorkbenchHostTable, InstallsHandlersForRegisteredMenusOnly) {
    ASSERT_EQ(RegisterMenu(32540, 0, 12), NoError);
    EXPECT_EQ(InstallHandler(32540), NoError);
    EXPECT_EQ(host.HandlerOf(32540), &CountingHandler);
    EXPECT_EQ(InstallHandler(32511), APIERR_BADID);
    EXPECT_EQ(InstallHandler(32540, nullptr), APIERR_BADPARS);
    EXPECT_EQ(host.HandlerOf(32511), nullptr);

    host.SetSlotFailure(HostSlot_InstallMenuHandler, Refused);
    EXPECT_EQ(InstallHandler(32540), Refused);
    const auto events = EventsNamed(Events(), "handler-installed");
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].Number("menu"), 32540);
    EXPECT_EQ(events[0].Number("result"), 0);
    EXPECT_EQ(events[3].Number("result"), Refused);
}

TEST_F(WorkbenchHostTable, RefusesAForeignOrNullHostContext) {
    ASSERT_EQ(RegisterMenu(32511), NoError);
    int foreign = 0;
    EXPECT_EQ(InstallHandler(32511, CountingHandler, &foreign), APIERR_NOTINIT);
    EXPECT_EQ(SlotAs<HostUnregisterModelessWindowProc>(HostSlot_UnregisterModelessWindow)(nullptr, 1),
              APIERR_NOTINIT);
    EXPECT_EQ(host.HandlerOf(32511), nullptr);

    const auto rejected = EventsNamed(Events(), "slot-rejected");
    ASSERT_EQ(rejected.size(), 2u);
    EXPECT_EQ(rejected[0].Number("slot"), 25);
    EXPECT_EQ(rejected[0].Text("reason"), "unknown host context");
    EXPECT_EQ(rejected[1].Number("slot"), 62);
    EXPECT_EQ(rejected[1].Text("reason"), "null host context");
    EXPECT_NE(err.str().find("refused a call of slot 25"), std::string::npos);
}

TEST_F(WorkbenchHostTable, RefusesCallsFromAnotherThreadWithoutTouchingTheState) {
    GSErrCode result = NoError;
    std::thread other([&] { result = RegisterMenu(32511); });
    other.join();
    EXPECT_EQ(result, APIERR_GENERAL);
    EXPECT_TRUE(host.Menus().empty());
    EXPECT_TRUE(lines.str().empty());
}

TEST_F(WorkbenchHostTable, RegistersAndUnregistersModelessWindows) {
    const Int32 refId = static_cast<Int32>(0x8D0ACB8Bu);
    EXPECT_EQ(RegisterWindow(refId), NoError);
    EXPECT_EQ(RegisterWindow(refId), APIERR_WINDEXIST);
    EXPECT_EQ(RegisterWindow(7, nullptr), APIERR_BADPARS);
    ASSERT_EQ(host.Windows().size(), 1u);
    EXPECT_EQ(host.Windows()[0].callback, &PaletteCallback);
    EXPECT_EQ(UnregisterWindow(refId), NoError);
    EXPECT_EQ(UnregisterWindow(refId), APIERR_WINDNOTEXIST);
    EXPECT_TRUE(host.Windows().empty());

    const auto events = Events();
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].Name(), "window-registered");
    EXPECT_EQ(events[0].Text("refId"), "0x8D0ACB8B");
    EXPECT_EQ(events[0].Number("flags"), 4);
    EXPECT_EQ(events[0].Text("guid"), "{D8A0A01F-1184-40F2-B8A8-28CF30714FA4}");
    EXPECT_EQ(events[1].Number("result"), APIERR_WINDEXIST);
    EXPECT_EQ(events[3].Name(), "window-unregistered");
    EXPECT_EQ(events[3].Text("refId"), "0x8D0ACB8B");
    EXPECT_EQ(events[4].Number("result"), APIERR_WINDNOTEXIST);
}

TEST_F(WorkbenchHostTable, ReportsShowAnAlertLineAndAreWrittenWithTheirFlag) {
    EXPECT_EQ(Report(table.HostContext(), GS::UniString("%s: %s"), true, "Error", "APIERR_BADWINDOW"),
              NoError);
    EXPECT_EQ(Report(table.HostContext(), GS::UniString("HTTP %u"), false, 500u), NoError);
    EXPECT_EQ(out.str(), "╔═ ALERT ═════════════════╗\n"
                         "║ Error: APIERR_BADWINDOW ║\n"
                         "╚═════════════════════════╝\n"
                         "[report] HTTP 500\n");
    const auto events = Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].Text("text"), "Error: APIERR_BADWINDOW");
    EXPECT_TRUE(events[0].Flag("alert"));
    EXPECT_FALSE(events[0].Has("malformed"));
    EXPECT_FALSE(events[1].Flag("alert"));
}

TEST_F(WorkbenchHostTable, AMalformedReportIsShownRawAndLogged) {
    EXPECT_EQ(Report(table.HostContext(), GS::UniString("%s: %.1f"), true, "x", 1.0), NoError);
    EXPECT_NE(out.str().find("║ %s: %.1f ║\n"), std::string::npos) << out.str();
    EXPECT_NE(err.str().find("malformed report format"), std::string::npos);
    const auto events = Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Text("text"), "%s: %.1f");
    EXPECT_NE(events[0].Text("malformed").find("\"%.\""), std::string::npos);
}

TEST_F(WorkbenchHostTable, AFailingReportSlotShowsNothing) {
    host.SetSlotFailure(HostSlot_ReportMessage, Refused);
    EXPECT_EQ(Report(table.HostContext(), GS::UniString("%s"), true, "hidden"), Refused);
    EXPECT_EQ(out.str(), "");
    const auto reports = EventsNamed(Events(), "report");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].Number("result"), Refused);
    EXPECT_FALSE(reports[0].Has("text"));
}

TEST_F(WorkbenchHostTable, ForgettingTheModuleDropsHandlersAndWindows) {
    ASSERT_EQ(RegisterMenu(32511), NoError);
    ASSERT_EQ(InstallHandler(32511), NoError);
    ASSERT_EQ(RegisterWindow(1), NoError);
    host.ForgetModuleCode();
    EXPECT_EQ(host.HandlerOf(32511), nullptr);
    EXPECT_TRUE(host.Windows().empty());
    EXPECT_NE(host.FindMenu(32511), nullptr);
}

} // namespace
