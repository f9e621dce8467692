#include "Session.hpp"

#include "DataFolder.hpp"
#include "HostText.hpp"
#include "ModuleIdentity.hpp"

#include "DGHost.hpp"

#include <cstring>
#include <filesystem>

namespace Workbench {

namespace {

constexpr Int32 DescribeSucceeded = 1;
constexpr Int32 HostLanguageEnglishUS = 1033;
// The host asks whether the palette is visible; the parameter is the address of a one-byte answer.
// Not a value a one-byte boolean takes, so an answer left unwritten shows.
constexpr UInt8 UnwrittenAnswer = 0xFF;

std::string CodeText(Int32 code) {
    return std::to_string(code) + " (" + HexWord(static_cast<UInt32>(code)) + ")";
}

} // namespace

Session::Session(Transcript& events, Console& user, HostSettings settings)
    : transcript(events), console(user), sinks(events, user), host(events, user, std::move(settings)),
      table(host), collector(events) {}

Session::~Session() {
    Stop(true);
}

bool Session::Start(const std::string& modulePath) {
    std::error_code error;
    path = PathText(std::filesystem::canonical(PathFromText(modulePath), error));
    if (error) {
        console.Warn("cannot find the module " + modulePath + ": " + error.message());
        return false;
    }
    try {
        module.emplace(path);
    } catch (const ModuleError& loadError) {
        console.Warn(loadError.what());
        return false;
    }
    sinks.WindowsCalls().ModuleLoaded(module->Handle());
    transcript.Write("module-loaded", JsonObject().String("path", path));

    API_EntryPointRecord record;
    std::memset(&record, 0, sizeof record);
    module->GetExportedFuncAddrs()(&record);
    if (!CheckEntryPoints(record)) {
        Unload();
        return false;
    }
    entries = record;

    LogEntry("SetImportedFuncAddrs", module->SetImportedFuncAddrs()(table.Functions()), NoError);
    LoadResources();
    OpenPreferenceStore();

    API_EnvirParams envir{};
    envir.hostGeneration = static_cast<Int32>(API_ProtocolVersion29 >> 16);
    envir.hostLanguage = HostLanguageEnglishUS;
    const Int32 described = entries.describeAddOn(&envir);
    const std::string name = ToUtf8(envir.addOnInfo.name);
    const std::string description = ToUtf8(envir.addOnInfo.description);
    LogEntry("DescribeAddOn", described, DescribeSucceeded,
             JsonObject().String("name", name).String("description", description));
    console.Say("Add-on " + name + ": " + description);

    LogEntry("RegisterCommands", entries.registerCommands(table.RegistrationContext()), NoError);
    for (const MenuEntry& entry : Menu()) {
        if (!entry.problem.empty())
            console.Warn("menu " + std::to_string(entry.menuId) + ": " + entry.problem);
    }
    initialized = true;
    LogEntry("Initialize", entries.initialize(table.HostContext()), NoError);
    return true;
}

bool Session::CheckEntryPoints(const API_EntryPointRecord& record) {
    transcript.Write("entry", JsonObject()
                                  .String("entry", "GetExportedFuncAddrs")
                                  .String("protocolVersion", HexWord(record.protocolVersion))
                                  .Number("hostVersion", record.hostVersion));
    if (record.protocolVersion != API_ProtocolVersion29 || record.hostVersion != API_HostVersion29) {
        console.Warn(path + " is built for another host: protocol word " + HexWord(record.protocolVersion) +
                     ", host version " + std::to_string(record.hostVersion) + " (this host: " +
                     HexWord(API_ProtocolVersion29) + ", " + std::to_string(API_HostVersion29) + ")");
        return false;
    }
    if (record.describeAddOn == nullptr || record.registerCommands == nullptr ||
        record.initialize == nullptr || record.shutDown == nullptr) {
        console.Warn(path + " leaves an entry point of its entry-point record empty");
        return false;
    }
    return true;
}

void Session::LogEntry(const char* entry, Int32 result, Int32 expected, JsonObject fields) {
    transcript.Write("entry", JsonObject().String("entry", entry).Number("result", result).Members(fields));
    if (result != expected)
        console.Warn(std::string(entry) + " answered " + CodeText(result));
}

void Session::LoadResources() {
    try {
        resources.emplace(module->Resources());
    } catch (const RS::Host::ResourceError& error) {
        console.Warn("cannot read the module's resources, menus show their ids only: " +
                     std::string(error.what()));
    }
}

void Session::OpenPreferenceStore() {
    const auto mdid =
        resources ? resources->Find(RS::Host::FourCC("MDID"), ModuleIdentityResourceId) : std::nullopt;
    const ModuleIdentity identity = IdentifyModule(mdid, path);
    if (!identity.problem.empty())
        console.Warn("the module's preferences are kept by its file name: " + identity.problem);
    host.UsePreferenceStore(PreferenceStore(PreferencesFolder(host.DataFolder()), identity.key));
}

std::vector<MenuEntry> Session::Menu() const {
    return BuildMenu(host.Menus(), [this](Int32 id) -> std::optional<std::vector<std::string>> {
        if (!resources)
            return std::nullopt;
        const auto data = resources->Find(RS::Host::FourCC("STRS"), id);
        if (!data)
            return std::nullopt;
        return RS::Host::ParseStringList(*data);
    });
}

PickResult Session::Pick(Int16 menuId) {
    if (!Running())
        return PickResult::NotRunning;
    if (host.FindMenu(menuId) == nullptr)
        return PickResult::UnknownMenu;
    std::string text = "menu " + std::to_string(menuId);
    for (const MenuEntry& entry : Menu()) {
        if (entry.menuId == menuId)
            text = entry.text;
    }
    APIMenuCommandProc* handler = host.HandlerOf(menuId);
    transcript.Write(
        "menu-picked",
        JsonObject().Number("menu", menuId).String("text", text).Bool("handler", handler != nullptr));
    if (handler == nullptr) {
        console.Say("\"" + text + "\" (menu " + std::to_string(menuId) + ") has no handler installed.");
        return PickResult::NoHandler;
    }
    sinks.Debug().BeginCommand();
    API_MenuParams params{};
    params.menuResID = menuId;
    params.itemIndex = 1;
    const GSErrCode result = handler(&params);
    transcript.Write("menu-handled", JsonObject().Number("menu", menuId).Number("result", result));
    if (result != NoError)
        console.Warn("the handler of \"" + text + "\" answered " + CodeText(result));
    collector.Idle();
    return PickResult::Handled;
}

const RegisteredWindow* Session::PaletteWindow() const {
    if (!Running() || host.Windows().empty())
        return nullptr;
    return &host.Windows().front();
}

PaletteResult Session::ClickPalette(Int16 item) {
    return DeliverToPalette("palette-click", JsonObject().Number("item", item),
                            [item](const GS::Guid& guid) { return DG::Host::ClickPaletteItem(guid, item); });
}

PaletteResult Session::RequestPaletteClose() {
    return DeliverToPalette("palette-close-request", {}, DG::Host::RequestPaletteClose);
}

PaletteResult Session::DeliverToPalette(const char* event, JsonObject fields,
                                        const std::function<bool(const GS::Guid&)>& deliver) {
    if (!Running())
        return PaletteResult::NotRunning;
    const RegisteredWindow* window = PaletteWindow();
    if (window == nullptr)
        return PaletteResult::NoWindow;
    const std::string guid = window->guid;
    transcript.Write(event, fields.String("guid", guid));
    sinks.Debug().BeginCommand();
    const bool delivered = deliver(GS::Guid(guid.c_str()));
    if (!delivered)
        transcript.Write("palette-refused", JsonObject().String("action", event).String("guid", guid));
    collector.Idle();
    return delivered ? PaletteResult::Delivered : PaletteResult::Refused;
}

PaletteAnswer Session::SendPaletteMessage(Int32 message) {
    PaletteAnswer answer;
    if (!Running())
        return answer;
    const RegisteredWindow* registered = PaletteWindow();
    if (registered == nullptr) {
        answer.result = PaletteResult::NoWindow;
        return answer;
    }
    // A copy: the callback may unregister the window.
    const RegisteredWindow window = *registered;
    const std::string refId = HexWord(static_cast<UInt32>(window.referenceId));
    transcript.Write("palette-message", JsonObject().String("refId", refId).Number("message", message));
    UInt8 visible = UnwrittenAnswer;
    const GS::IntPtr parameter =
        message == APIPalMsg_IsPaletteVisible ? reinterpret_cast<GS::IntPtr>(&visible) : GS::IntPtr(0);
    answer.code = window.callback(window.referenceId, message, parameter);
    answer.result = PaletteResult::Delivered;
    JsonObject fields;
    fields.String("refId", refId).Number("message", message).Number("result", answer.code);
    if (message == APIPalMsg_IsPaletteVisible) {
        if (visible != UnwrittenAnswer) {
            answer.visible = visible;
            fields.Number("visible", visible);
        } else {
            fields.Null("visible");
        }
    }
    transcript.Write("palette-message-handled", fields);
    if (answer.code != NoError)
        console.Warn("the palette callback answered " + CodeText(answer.code) + " to message " +
                     std::to_string(message));
    collector.Idle();
    return answer;
}

void Session::Stop(bool shutDown) {
    if (!Running())
        return;
    if (shutDown && initialized)
        LogEntry("ShutDown", entries.shutDown(), NoError);
    Unload();
}

void Session::Unload() {
    host.ForgetModuleCode();
    sinks.WindowsCalls().ModuleUnloading(module->Handle());
    const bool gone = module->Close();
    module.reset();
    entries = {};
    initialized = false;
    sinks.Debug().Flush();
    transcript.Write("module-unloaded", JsonObject().String("path", path).Bool("resident", !gone));
    if (!gone)
        console.Warn(path + " stayed loaded after it was closed: its detach has not run");
}

} // namespace Workbench
