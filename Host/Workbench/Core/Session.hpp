#pragma once

// One module driven through the add-on protocol, as the host does it: the two exports, then
// DescribeAddOn, RegisterCommands and Initialize; menu picks while it runs; ShutDown (unless the
// user wants to see an abnormal termination) and the unload.

#include "DebugLog.hpp"
#include "HostState.hpp"
#include "HostTable.hpp"
#include "IdleCollector.hpp"
#include "MenuCatalog.hpp"
#include "ModuleFile.hpp"
#include "RSHost.hpp"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Workbench {

enum class PickResult { Handled, NoHandler, UnknownMenu, NotRunning };

// What the module's palette made of the host's action.
enum class PaletteResult {
    Delivered,
    Refused,  // the dialog library had no palette to take it (it said why on standard error)
    NoWindow, // the module has no modeless window registered
    NotRunning
};

struct PaletteAnswer {
    PaletteResult result = PaletteResult::NotRunning;
    GSErrCode code = NoError;     // what the callback answered
    std::optional<UInt8> visible; // message 7: the byte the callback wrote; none if it wrote none
};

class Session {
public:
    Session(Transcript& transcript, Console& console, HostSettings settings);
    // Shuts the module down and unloads it if it is still loaded.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Loads the module and runs it up to Initialize; the entries' results are logged, whatever
    // they are. False when the file cannot be loaded or is no module this host can drive (the
    // console has said why); nothing is loaded then.
    bool Start(const std::string& modulePath);

    void SetSlotFailure(std::size_t slot, std::optional<GSErrCode> code) { host.SetSlotFailure(slot, code); }
    HostState& Host() { return host; }

    bool Running() const { return module.has_value(); }
    const std::string& ModulePath() const { return path; }
    std::vector<MenuEntry> Menu() const;

    // Calls the handler installed for `menuId` with a menu-parameter record naming it.
    PickResult Pick(Int16 menuId);

    // The user's actions on the module's registered modeless window: a click on item `item`, a close
    // through its window control, and the host's message `message` sent to its palette callback.
    PaletteResult ClickPalette(Int16 item);
    PaletteResult RequestPaletteClose();
    PaletteAnswer SendPaletteMessage(Int32 message);

    // The host's garbage collector, which runs after each menu pick and palette action.
    IdleCollector& Collector() { return collector; }

    // Unloads the module, calling ShutDown first when `shutDown` is set and Initialize was called.
    void Stop(bool shutDown);

private:
    void LoadResources();
    void OpenPreferenceStore();
    bool CheckEntryPoints(const API_EntryPointRecord& record);
    void LogEntry(const char* entry, Int32 result, Int32 expected, JsonObject fields = {});
    void Unload();
    // The module's registered window, when it is running and has one.
    const RegisteredWindow* PaletteWindow() const;
    // Writes `event`, hands the action to the palette with the window's GUID, and lets the host idle.
    PaletteResult DeliverToPalette(const char* event, JsonObject fields,
                                   const std::function<bool(const GS::Guid&)>& deliver);

    Transcript& transcript;
    Console& console;
    LibrarySinks sinks;
    HostState host;
    HostTable table;
    IdleCollector collector;
    std::string path;
    std::optional<RS::Host::ResourceFile> resources;
    std::optional<ModuleFile> module;
    API_EntryPointRecord entries{};
    bool initialized = false;
};

} // namespace Workbench
