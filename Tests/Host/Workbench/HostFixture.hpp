#pragma once

// A host state with its operation table, called the way a module calls it, over a data folder of
// the test's own.

#include "ACAPI/APIdefs.hpp"
#include "HostTable.hpp"
#include "TranscriptReader.hpp"

#include "GSRoot/Guid.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>

namespace WorkbenchTest {

using namespace Workbench;

constexpr GSErrCode Refused = GSErrCode(0x81060001);

inline GSErrCode CountingHandler(const API_MenuParams*) {
    return NoError;
}

inline GSErrCode PaletteCallback(Int32, Int32, GS::IntPtr) {
    return NoError;
}

// An empty folder named after the running test.
inline std::filesystem::path FreshFolder(const std::string& prefix) {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    const auto folder = std::filesystem::path(testing::TempDir()) /
                        (prefix + "-" + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

struct WorkbenchHostTable : testing::Test {
    const std::filesystem::path dataFolder = FreshFolder("host") / "data";
    std::ostringstream lines, out, err;
    Transcript transcript{lines, err};
    Console console{out, err, false};
    HostState host{transcript, console, Settings()};
    HostTable table{host};

    // The view is small, so that rendering it costs little.
    HostSettings Settings() const { return {dataFolder, {{64, 48}, std::nullopt}}; }

    template <typename Proc>
    Proc* SlotAs(std::size_t slot) const {
        return reinterpret_cast<Proc*>(table.Functions()[slot]);
    }

    GSErrCode RegisterMenu(Int16 menuId, Int16 promptId = 0, Int32 placement = 0) {
        API_MenuRegistrationRecord record{};
        record.menuStrResID = menuId;
        record.promptStrResID = promptId;
        record.placementCode = placement;
        return SlotAs<HostRegisterMenuProc>(HostSlot_RegisterMenu)(&record);
    }

    GSErrCode InstallHandler(UInt16 menuId, APIMenuCommandProc* handler = CountingHandler,
                             void* context = nullptr) {
        return SlotAs<HostInstallMenuHandlerProc>(HostSlot_InstallMenuHandler)(
            context != nullptr ? context : table.HostContext(), menuId, handler);
    }

    GSErrCode RegisterWindow(Int32 referenceId, APIPaletteControlCallBackProc* callback = PaletteCallback) {
        API_ModelessWindowRecord record{};
        record.referenceID = referenceId;
        record.callBackProc = callback;
        record.controlFlags = 4;
        const GS::Guid guid("{D8A0A01F-1184-40F2-B8A8-28CF30714FA4}");
        std::memcpy(record.guid, &guid, sizeof guid);
        return SlotAs<HostRegisterModelessWindowProc>(HostSlot_RegisterModelessWindow)(table.HostContext(),
                                                                                       &record);
    }

    GSErrCode UnregisterWindow(Int32 referenceId) {
        return SlotAs<HostUnregisterModelessWindowProc>(HostSlot_UnregisterModelessWindow)(
            table.HostContext(), referenceId);
    }

    GSErrCode Report(void* context, const GS::UniString& format, bool alert, ...) {
        va_list args;
        va_start(args, alert);
        const GSErrCode result =
            SlotAs<HostReportMessageProc>(HostSlot_ReportMessage)(context, &format, alert, &args);
        va_end(args);
        return result;
    }

    GSErrCode SetPreferences(Int32 version, Int32 nByte, const void* data) {
        return SlotAs<HostSetPreferencesProc>(HostSlot_SetPreferences)(table.HostContext(), version, nByte,
                                                                       data);
    }

    GSErrCode GetPreferences(Int32* version, Int32* nByte, void* data) {
        return SlotAs<HostGetPreferencesProc>(HostSlot_GetPreferences)(table.HostContext(), version, nByte,
                                                                       data);
    }

    GSErrCode CallSelector(std::size_t slot, UInt32 selector, void* param1, void* param2) {
        return SlotAs<HostSelectorProc>(slot)(table.HostContext(), selector, param1, param2, 0);
    }

    std::vector<Event> Events() const { return ParseTranscript(lines.str()); }
};

} // namespace WorkbenchTest
