// A stand-in add-on for the workbench's own tests: no resources, two menus, and reports that cross
// the real va_list boundary. Menu 100 reports its pick; menu 101 saves the front window into the
// special folder as "FakeCapture.jpeg" the way an export does, and reports each step's result.
// WORKBENCH_FAKE_MODE picks a fault: "old-host" (another protocol word) or "empty-entry" (no
// Initialize entry).

#include "ACAPI/APIdefs.hpp"
#include "IO/Location.hpp"

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr Int16 FakeMenuId = 100;
constexpr Int16 CaptureMenuId = 101;

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

GSErrCode CallSelector(std::size_t slot, UInt32 selector, void* param1, void* param2) {
    return SlotAs<HostSelectorProc>(slot)(Context, selector, param1, param2, 0);
}

GSErrCode Capture() {
    API_WindowInfo window{};
    const GSErrCode queried =
        CallSelector(HostSlot_GetCurrentWindow, HostSelector_GetWindow, &window, nullptr);
    Int32 kind = API_SpecFolderID_Temporary;
    IO::Location folder;
    const GSErrCode found =
        CallSelector(HostSlot_GetSpecialFolder, HostSelector_GetSpecFolder, &kind, &folder);
    IO::Location target(folder, IO::Name(GS::UniString("FakeCapture.jpeg")));
    API_FileSavePars file{};
    file.fileTypeID = APIFType_JPEGFile;
    file.file = &target;
    API_SavePars_Picture picture{};
    picture.value = APIPictSave_Options;
    const GSErrCode saved = CallSelector(HostSlot_SaveCurrentWindow, APIDo_SaveID, &file, &picture);
    return Report(false, "capture: window %x type %d, folder %x, save %x", static_cast<unsigned>(queried),
                  static_cast<int>(window.typeID), static_cast<unsigned>(found),
                  static_cast<unsigned>(saved));
}

GSErrCode HandleMenu(const API_MenuParams* params) {
    if (params->menuResID == CaptureMenuId)
        return Capture();
    return Report(false, "picked %d", static_cast<int>(params->menuResID));
}

Int32 Describe(API_EnvirParams* envir) {
    envir->addOnInfo.name = GS::UniString("Fake");
    envir->addOnInfo.description = GS::UniString("caf\xC3\xA9");
    return 1;
}

GSErrCode Register(void*) {
    for (const Int16 menuId : {FakeMenuId, CaptureMenuId}) {
        API_MenuRegistrationRecord record{};
        record.menuStrResID = menuId;
        if (const GSErrCode result = SlotAs<HostRegisterMenuProc>(HostSlot_RegisterMenu)(&record);
            result != NoError)
            return result;
    }
    return NoError;
}

GSErrCode Initialize(void* context) {
    Context = context;
    Report(true, "%s: %s", "Error", "APIERR_GENERAL");
    Report(false, "%d%% of %lu, %x", 50, 7ul, 255u);
    for (const Int16 menuId : {FakeMenuId, CaptureMenuId}) {
        const GSErrCode result = SlotAs<HostInstallMenuHandlerProc>(HostSlot_InstallMenuHandler)(
            Context, UInt16(menuId), HandleMenu);
        if (result != NoError)
            return result;
    }
    return NoError;
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
