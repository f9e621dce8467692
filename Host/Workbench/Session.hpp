#pragma once

// One module driven through the add-on protocol, as the host does it: the two exports, then
// DescribeAddOn, RegisterCommands and Initialize; menu picks while it runs; ShutDown (unless the
// user wants to see an abnormal termination) and the unload.

#include "DebugLog.hpp"
#include "HostState.hpp"
#include "HostTable.hpp"
#include "MenuCatalog.hpp"
#include "ModuleFile.hpp"
#include "RSHost.hpp"

#include <optional>
#include <string>
#include <vector>

namespace Workbench {

enum class PickResult { Handled, NoHandler, UnknownMenu, NotRunning };

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

    // Unloads the module, calling ShutDown first when `shutDown` is set and Initialize was called.
    void Stop(bool shutDown);

private:
    void LoadResources();
    void OpenPreferenceStore();
    bool CheckEntryPoints(const API_EntryPointRecord& record);
    void LogEntry(const char* entry, Int32 result, Int32 expected, JsonObject fields = {});
    void Unload();

    Transcript& transcript;
    Console& console;
    LibrarySinks sinks;
    HostState host;
    HostTable table;
    std::string path;
    std::optional<RS::Host::ResourceFile> resources;
    std::optional<ModuleFile> module;
    API_EntryPointRecord entries{};
    bool initialized = false;
};

} // namespace Workbench
