#include "HostState.hpp"

#include "ACAPI/APIdefs.hpp"
#include "HostText.hpp"
#include "ReportFormat.hpp"

#include <algorithm>

namespace Workbench {

HostState::HostState(Transcript& events, Console& user, HostSettings hostSettings)
    : transcript(events), console(user), settings(std::move(hostSettings)),
      owner(std::this_thread::get_id()) {}

std::optional<GSErrCode> HostState::InjectedFailure(std::size_t slot) const {
    const auto found = failures.find(slot);
    if (found == failures.end())
        return std::nullopt;
    return found->second;
}

void HostState::SetSlotFailure(std::size_t slot, std::optional<GSErrCode> code) {
    JsonObject fields;
    fields.Number("slot", static_cast<std::int64_t>(slot));
    if (code) {
        failures[slot] = *code;
        fields.Number("code", *code);
    } else {
        failures.erase(slot);
        fields.Null("code");
    }
    transcript.Write("slot-failure-set", fields);
}

GSErrCode HostState::Reject(std::size_t slot, std::string_view reason, GSErrCode code) {
    console.Warn("refused a call of slot " + std::to_string(slot) + ": " + std::string(reason));
    transcript.Write("slot-rejected", JsonObject()
                                          .Number("slot", static_cast<std::int64_t>(slot))
                                          .String("reason", reason)
                                          .Number("result", code));
    return code;
}

const RegisteredMenu* HostState::FindMenu(Int16 menuId) const {
    const auto found = std::find_if(menus.begin(), menus.end(),
                                    [menuId](const RegisteredMenu& menu) { return menu.menuId == menuId; });
    return found == menus.end() ? nullptr : &*found;
}

APIMenuCommandProc* HostState::HandlerOf(Int16 menuId) const {
    const auto found = handlers.find(menuId);
    return found == handlers.end() ? nullptr : found->second;
}

GSErrCode HostState::RegisterMenu(const API_MenuRegistrationRecord* record) {
    if (record == nullptr)
        return Reject(HostSlot_RegisterMenu, "no registration record", APIERR_BADPARS);
    GSErrCode result = InjectedFailure(HostSlot_RegisterMenu).value_or(NoError);
    if (result == NoError && FindMenu(record->menuStrResID) != nullptr)
        result = APIERR_NAMEALREADYUSED;
    if (result == NoError)
        menus.push_back({record->menuStrResID, record->promptStrResID, record->placementCode, record->flags});
    transcript.Write("menu-registered", JsonObject()
                                            .Number("menu", record->menuStrResID)
                                            .Number("prompt", record->promptStrResID)
                                            .Number("placement", record->placementCode)
                                            .Number("flags", record->flags)
                                            .Number("result", result));
    return result;
}

GSErrCode HostState::InstallMenuHandler(UInt16 menuId, APIMenuCommandProc* handler) {
    // Menu string resource ids are positive 16-bit numbers; the operation carries them unsigned.
    const auto signedId = static_cast<Int16>(menuId);
    GSErrCode result = InjectedFailure(HostSlot_InstallMenuHandler).value_or(NoError);
    if (result == NoError && handler == nullptr)
        result = APIERR_BADPARS;
    if (result == NoError && FindMenu(signedId) == nullptr)
        result = APIERR_BADID;
    if (result == NoError)
        handlers[signedId] = handler;
    transcript.Write("handler-installed", JsonObject().Number("menu", menuId).Number("result", result));
    return result;
}

GSErrCode HostState::RegisterModelessWindow(const API_ModelessWindowRecord* record) {
    if (record == nullptr)
        return Reject(HostSlot_RegisterModelessWindow, "no window record", APIERR_BADPARS);
    const std::string guid = GuidText(record->guid);
    GSErrCode result = InjectedFailure(HostSlot_RegisterModelessWindow).value_or(NoError);
    if (result == NoError && record->callBackProc == nullptr)
        result = APIERR_BADPARS;
    const bool known = std::any_of(windows.begin(), windows.end(), [record](const RegisteredWindow& window) {
        return window.referenceId == record->referenceID;
    });
    if (result == NoError && known)
        result = APIERR_WINDEXIST;
    if (result == NoError)
        windows.push_back({record->referenceID, record->callBackProc, record->controlFlags, guid});
    transcript.Write("window-registered",
                     JsonObject()
                         .String("refId", HexWord(static_cast<UInt32>(record->referenceID)))
                         .Number("flags", record->controlFlags)
                         .String("guid", guid)
                         .Number("result", result));
    return result;
}

GSErrCode HostState::UnregisterModelessWindow(Int32 referenceId) {
    GSErrCode result = InjectedFailure(HostSlot_UnregisterModelessWindow).value_or(NoError);
    const auto found =
        std::find_if(windows.begin(), windows.end(), [referenceId](const RegisteredWindow& window) {
            return window.referenceId == referenceId;
        });
    if (result == NoError && found == windows.end())
        result = APIERR_WINDNOTEXIST;
    if (result == NoError)
        windows.erase(found);
    transcript.Write(
        "window-unregistered",
        JsonObject().String("refId", HexWord(static_cast<UInt32>(referenceId))).Number("result", result));
    return result;
}

GSErrCode HostState::ReportMessage(const GS::UniString* format, bool alert, va_list* args) {
    if (format == nullptr)
        return Reject(HostSlot_ReportMessage, "no format", APIERR_BADPARS);
    if (const auto failure = InjectedFailure(HostSlot_ReportMessage)) {
        transcript.Write("report", JsonObject().Bool("alert", alert).Number("result", *failure));
        return *failure;
    }
    const ReportText report = FormatReport(ToUtf8(*format), args);
    JsonObject fields;
    fields.String("text", report.text).Bool("alert", alert);
    if (report.Malformed()) {
        console.Warn("malformed report format (" + report.problem + "); shown unformatted");
        fields.String("malformed", report.problem);
    }
    fields.Number("result", NoError);
    transcript.Write("report", fields);
    console.Report(report.text, alert);
    return NoError;
}

void HostState::ForgetModuleCode() {
    handlers.clear();
    windows.clear();
}

} // namespace Workbench
