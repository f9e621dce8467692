#include "HostTable.hpp"

#include "ACAPI/APIdefs.hpp"
#include "HostText.hpp"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace Workbench {

namespace {

HostState* ActiveHost = nullptr;

// Stands for the host during interface registration; only its address matters.
char RegistrationToken = 0;

// The state behind a slot call, or null with the code that turns the call away. A call from
// another thread is told on standard error only: the transcript belongs to the user-interface thread.
struct Caller {
    HostState* host = nullptr;
    GSErrCode refusal = APIERR_NOTINIT;
};

Caller CallerOf(std::size_t slot) {
    HostState* host = ActiveHost;
    if (host == nullptr)
        return {};
    if (!host->OnOwnerThread()) {
        std::fprintf(stderr,
                     "kavelo-workbench: refused a call of slot %zu from outside the user-interface thread\n",
                     slot);
        return {nullptr, APIERR_GENERAL};
    }
    return {host, NoError};
}

Caller CallerOf(std::size_t slot, const void* context) {
    Caller caller = CallerOf(slot);
    if (caller.host != nullptr && context != caller.host) {
        caller.refusal = caller.host->Reject(
            slot, context == nullptr ? "null host context" : "unknown host context", APIERR_NOTINIT);
        caller.host = nullptr;
    }
    return caller;
}

std::string SelectorText(UInt32 selector) {
    std::string text = "'";
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((selector >> shift) & 0xFFu);
        if (c < 0x20 || c > 0x7E)
            return HexWord(selector);
        text += c;
    }
    return text + "'";
}

Caller CallerOf(std::size_t slot, const void* context, UInt32 selector, UInt32 expected) {
    Caller caller = CallerOf(slot, context);
    if (caller.host != nullptr && selector != expected) {
        caller.refusal = caller.host->Reject(
            slot, "selector " + SelectorText(selector) + " is not " + SelectorText(expected), APIERR_BADPARS);
        caller.host = nullptr;
    }
    return caller;
}

GSErrCode SlotRegisterMenu(const API_MenuRegistrationRecord* record) {
    const Caller caller = CallerOf(HostSlot_RegisterMenu);
    return caller.host != nullptr ? caller.host->RegisterMenu(record) : caller.refusal;
}

GSErrCode SlotInstallMenuHandler(void* context, UInt16 menuId, APIMenuCommandProc* handler) {
    const Caller caller = CallerOf(HostSlot_InstallMenuHandler, context);
    return caller.host != nullptr ? caller.host->InstallMenuHandler(menuId, handler) : caller.refusal;
}

GSErrCode SlotRegisterModelessWindow(void* context, const API_ModelessWindowRecord* record) {
    const Caller caller = CallerOf(HostSlot_RegisterModelessWindow, context);
    return caller.host != nullptr ? caller.host->RegisterModelessWindow(record) : caller.refusal;
}

GSErrCode SlotUnregisterModelessWindow(void* context, Int32 referenceId) {
    const Caller caller = CallerOf(HostSlot_UnregisterModelessWindow, context);
    return caller.host != nullptr ? caller.host->UnregisterModelessWindow(referenceId) : caller.refusal;
}

GSErrCode SlotReportMessage(void* context, const GS::UniString* format, bool alert, va_list* args) {
    const Caller caller = CallerOf(HostSlot_ReportMessage, context);
    return caller.host != nullptr ? caller.host->ReportMessage(format, alert, args) : caller.refusal;
}

GSErrCode SlotSetPreferences(void* context, Int32 version, Int32 nByte, const void* data) {
    const Caller caller = CallerOf(HostSlot_SetPreferences, context);
    return caller.host != nullptr ? caller.host->SetPreferences(version, nByte, data) : caller.refusal;
}

GSErrCode SlotGetPreferences(void* context, Int32* version, Int32* nByte, void* data) {
    const Caller caller = CallerOf(HostSlot_GetPreferences, context);
    return caller.host != nullptr ? caller.host->GetPreferences(version, nByte, data) : caller.refusal;
}

GSErrCode SlotGetCurrentWindow(void* context, UInt32 selector, void* windowInfo, void*, GS::IntPtr) {
    const Caller caller = CallerOf(HostSlot_GetCurrentWindow, context, selector, HostSelector_GetWindow);
    return caller.host != nullptr ? caller.host->GetCurrentWindow(static_cast<API_WindowInfo*>(windowInfo))
                                  : caller.refusal;
}

GSErrCode SlotGetSpecialFolder(void* context, UInt32 selector, void* folderKind, void* location, GS::IntPtr) {
    const Caller caller = CallerOf(HostSlot_GetSpecialFolder, context, selector, HostSelector_GetSpecFolder);
    return caller.host != nullptr ? caller.host->GetSpecialFolder(static_cast<const Int32*>(folderKind),
                                                                  static_cast<IO::Location*>(location))
                                  : caller.refusal;
}

GSErrCode SlotSaveCurrentWindow(void* context, UInt32 selector, void* file, void* picture, GS::IntPtr) {
    const Caller caller = CallerOf(HostSlot_SaveCurrentWindow, context, selector, APIDo_SaveID);
    return caller.host != nullptr
               ? caller.host->SaveCurrentWindow(static_cast<const API_FileSavePars*>(file),
                                                static_cast<const API_SavePars_Picture*>(picture))
               : caller.refusal;
}

template <typename Proc>
HostFunction Slot(Proc* function) {
    return reinterpret_cast<HostFunction>(function);
}

} // namespace

bool IsSuppliedSlot(std::size_t slot) {
    return std::find(SuppliedSlots.begin(), SuppliedSlots.end(), slot) != SuppliedSlots.end();
}

HostTable::HostTable(HostState& state) : host(state) {
    if (ActiveHost != nullptr)
        throw std::logic_error("another host table is already active");
    ActiveHost = &state;
    functions[HostSlot_RegisterMenu] = Slot<HostRegisterMenuProc>(SlotRegisterMenu);
    functions[HostSlot_InstallMenuHandler] = Slot<HostInstallMenuHandlerProc>(SlotInstallMenuHandler);
    functions[HostSlot_RegisterModelessWindow] =
        Slot<HostRegisterModelessWindowProc>(SlotRegisterModelessWindow);
    functions[HostSlot_UnregisterModelessWindow] =
        Slot<HostUnregisterModelessWindowProc>(SlotUnregisterModelessWindow);
    functions[HostSlot_ReportMessage] = Slot<HostReportMessageProc>(SlotReportMessage);
    functions[HostSlot_SetPreferences] = Slot<HostSetPreferencesProc>(SlotSetPreferences);
    functions[HostSlot_GetPreferences] = Slot<HostGetPreferencesProc>(SlotGetPreferences);
    functions[HostSlot_GetCurrentWindow] = Slot<HostSelectorProc>(SlotGetCurrentWindow);
    functions[HostSlot_GetSpecialFolder] = Slot<HostSelectorProc>(SlotGetSpecialFolder);
    functions[HostSlot_SaveCurrentWindow] = Slot<HostSelectorProc>(SlotSaveCurrentWindow);
}

HostTable::~HostTable() {
    ActiveHost = nullptr;
}

void* HostTable::RegistrationContext() const {
    return &RegistrationToken;
}

} // namespace Workbench
