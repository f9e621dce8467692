// A stand-in add-on for the workbench's own tests: no resources, one menu, and reports that cross
// the real va_list boundary. WORKBENCH_FAKE_MODE picks a fault: "old-host" (another protocol word)
// or "empty-entry" (no Initialize entry).

#include "ACAPI/APIdefs.hpp"

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr Int16 FakeMenuId = 100;

HostFunction Table[HostFunctionTableSlots];
void* Context = nullptr;

template <typename Proc>
Proc* SlotAs(std::size_t slot) {
    return reinterpret_cast<Proc*>(Table[slot]);
}

GSErrCode Report(bool alert, const char* format, ...) {
    const GS::UniString text(format);
    va_list args;
    va_start(args, format);
    const GSErrCode result =
        SlotAs<HostReportMessageProc>(HostSlot_ReportMessage)(Context, &text, alert, &args);
    va_end(args);
    return result;
}

GSErrCode HandleMenu(const API_MenuParams* params) {
    return Report(false, "picked %d", static_cast<int>(params->menuResID));
}

Int32 Describe(API_EnvirParams* envir) {
    envir->addOnInfo.name = GS::UniString("Fake");
    envir->addOnInfo.description = GS::UniString("caf\xC3\xA9");
    return 1;
}

GSErrCode Register(void*) {
    API_MenuRegistrationRecord record{};
    record.menuStrResID = FakeMenuId;
    return SlotAs<HostRegisterMenuProc>(HostSlot_RegisterMenu)(&record);
}

GSErrCode Initialize(void* context) {
    Context = context;
    Report(true, "%s: %s", "Error", "APIERR_GENERAL");
    Report(false, "%d%% of %lu, %x", 50, 7ul, 255u);
    return SlotAs<HostInstallMenuHandlerProc>(HostSlot_InstallMenuHandler)(Context, FakeMenuId, HandleMenu);
}

GSErrCode ShutDown() {
    Context = nullptr;
    return NoError;
}

std::string_view Mode() {
    const char* mode = std::getenv("WORKBENCH_FAKE_MODE");
    return mode != nullptr ? mode : "";
}

} // namespace

extern "C" __attribute__((visibility("default"))) void GetExportedFuncAddrs(API_EntryPointRecord* record) {
    std::memset(record, 0, sizeof *record);
    record->protocolVersion = Mode() == "old-host" ? 0x001C0001 : API_ProtocolVersion29;
    record->hostVersion = API_HostVersion29;
    record->describeAddOn = Describe;
    record->registerCommands = Register;
    record->initialize = Mode() == "empty-entry" ? nullptr : Initialize;
    record->shutDown = ShutDown;
}

extern "C" __attribute__((visibility("default"))) GSErrCode SetImportedFuncAddrs(const HostFunction* table) {
    std::memcpy(Table, table, sizeof Table);
    return NoError;
}
