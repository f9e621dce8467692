#pragma once

// The host's side of the operations the workbench supplies: the registered menus and their
// handlers, the modeless windows, the report, and the failures a tester has asked for. Every
// call is written to the transcript with its result, refused or not.

#include "ACAPI/APIdefs.hpp"
#include "Console.hpp"
#include "Transcript.hpp"

#include <cstdarg>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace Workbench {

struct RegisteredMenu {
    Int16 menuId;
    Int16 promptId;
    Int32 placement;
    Int32 flags;
};

struct RegisteredWindow {
    Int32 referenceId;
    APIPaletteControlCallBackProc* callback;
    Int32 flags;
    std::string guid;
};

class HostState {
public:
    HostState(Transcript& transcript, Console& console);

    GSErrCode RegisterMenu(const API_MenuRegistrationRecord* record);
    GSErrCode InstallMenuHandler(UInt16 menuId, APIMenuCommandProc* handler);
    GSErrCode RegisterModelessWindow(const API_ModelessWindowRecord* record);
    GSErrCode UnregisterModelessWindow(Int32 referenceId);
    GSErrCode ReportMessage(const GS::UniString* format, bool alert, va_list* args);

    // From now on the operation of `slot` answers `code` without doing anything; nullopt restores it.
    void SetSlotFailure(std::size_t slot, std::optional<GSErrCode> code);

    // A call the operation table turned away before it reached the state (foreign context).
    GSErrCode Reject(std::size_t slot, std::string_view reason, GSErrCode code);

    // The module is gone: its handlers and window callbacks would point nowhere.
    void ForgetModuleCode();

    bool OnOwnerThread() const { return std::this_thread::get_id() == owner; }

    const std::vector<RegisteredMenu>& Menus() const { return menus; }
    const RegisteredMenu* FindMenu(Int16 menuId) const;
    APIMenuCommandProc* HandlerOf(Int16 menuId) const;
    const std::vector<RegisteredWindow>& Windows() const { return windows; }

private:
    std::optional<GSErrCode> InjectedFailure(std::size_t slot) const;

    Transcript& transcript;
    Console& console;
    std::thread::id owner;
    std::map<std::size_t, GSErrCode> failures;
    std::vector<RegisteredMenu> menus;
    std::map<Int16, APIMenuCommandProc*> handlers;
    std::vector<RegisteredWindow> windows;
};

} // namespace Workbench
