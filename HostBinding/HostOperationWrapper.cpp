#include "ACAPI/ACAPinc.hpp"
#include "BindingState.hpp"

#include <cstring>

namespace {

template <typename Proc>
Proc* Slot(HostSlot slot) {
    return reinterpret_cast<Proc*>(HostBinding::HostFunctionTable[slot]);
}

// The common pattern: an empty slot answers APIERR_NOTSUPPORTED without a call; otherwise the
// host context goes first and the host's answer comes back unchanged.
template <typename Proc, typename... Args>
GSErrCode CallWithContext(HostSlot slot, Args... args) {
    auto* operation = Slot<Proc>(slot);
    if (operation == nullptr)
        return APIERR_NOTSUPPORTED;
    return operation(HostBinding::HostContext, args...);
}

GSErrCode CallSelector(HostSlot slot, UInt32 selector, void* param1, void* param2) {
    return CallWithContext<HostSelectorProc>(slot, selector, param1, param2, GS::IntPtr(0));
}

} // namespace

GSErrCode HostRegisterMenu(Int16 menuStrResID, Int16 promptStrResID, Int32 placementCode, Int32 flags) {
    API_MenuRegistrationRecord record;
    std::memset(&record, 0, sizeof(record));
    auto* operation = Slot<HostRegisterMenuProc>(HostSlot_RegisterMenu);
    if (operation == nullptr)
        return APIERR_NOTSUPPORTED;
    record.menuStrResID = menuStrResID;
    record.promptStrResID = promptStrResID;
    record.placementCode = placementCode;
    record.flags = flags;
    return operation(&record);
}

GSErrCode ACAPI_MenuItem_InstallMenuHandler(Int16 menuStrResID, APIMenuCommandProc* handler) {
    return CallWithContext<HostInstallMenuHandlerProc>(HostSlot_InstallMenuHandler, UInt16(menuStrResID),
                                                       handler);
}

GSErrCode ACAPI_SetPreferences(Int32 version, Int32 nByte, const void* data) {
    return CallWithContext<HostSetPreferencesProc>(HostSlot_SetPreferences, version, nByte, data);
}

GSErrCode HostGetPreferences(Int32* version, Int32* nByte, void* data) {
    return CallWithContext<HostGetPreferencesProc>(HostSlot_GetPreferences, version, nByte, data);
}

GSErrCode ACAPI_RegisterModelessWindow(Int32 referenceID, APIPaletteControlCallBackProc* callBackProc,
                                       Int32 controlFlags, const GS::Guid& guid) {
    API_ModelessWindowRecord record;
    std::memset(&record, 0, sizeof(record));
    auto* operation = Slot<HostRegisterModelessWindowProc>(HostSlot_RegisterModelessWindow);
    if (operation == nullptr)
        return APIERR_NOTSUPPORTED;
    record.referenceID = referenceID;
    record.callBackProc = callBackProc;
    record.controlFlags = controlFlags;
    std::memcpy(record.guid, &guid, sizeof(record.guid));
    return operation(HostBinding::HostContext, &record);
}

GSErrCode HostUnregisterModelessWindow(Int32 referenceID) {
    return CallWithContext<HostUnregisterModelessWindowProc>(HostSlot_UnregisterModelessWindow, referenceID);
}

GSErrCode HostReportMessage(const GS::UniString& format, int alert, ...) {
    auto* operation = Slot<HostReportMessageProc>(HostSlot_ReportMessage);
    if (operation == nullptr)
        return NoError;
    va_list args;
    va_start(args, alert);
    const GSErrCode result = operation(HostBinding::HostContext, &format, alert != 0, &args);
    va_end(args);
    return result;
}

GSErrCode HostGetCurrentWindow(API_WindowInfo* windowInfo) {
    return CallSelector(HostSlot_GetCurrentWindow, HostSelector_GetWindow, windowInfo, nullptr);
}

GSErrCode HostGetSpecialFolder(Int32* folderKind, IO::Location* location) {
    return CallSelector(HostSlot_GetSpecialFolder, HostSelector_GetSpecFolder, folderKind, location);
}

GSErrCode HostSaveCurrentWindow(API_FileSavePars* fileSavePars, API_SavePars_Picture* picturePars) {
    return CallSelector(HostSlot_SaveCurrentWindow, APIDo_SaveID, fileSavePars, picturePars);
}
