#include "ModuleHost.hpp"

#include "BrowserLaunches.hpp"

#include "DGHost.hpp"
#include "DataFolder.hpp"
#include "GSRootHost.hpp"
#include "GSUtilsHost.hpp"
#include "HostText.hpp"
#include "IO/Location.hpp"
#include "ReportFormat.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

namespace Testing {

namespace {

ModuleHost* current = nullptr; // the slot functions receive no pointer to the test's host

constexpr const char* PreferenceKey = "addon";

// A folder of this host's own: create_directory answers false for a name another host took first.
std::filesystem::path MakeDataFolder() {
    const std::filesystem::path temporary = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "kavelo-host-%08x%08x", random(), random());
        if (std::filesystem::create_directory(temporary / name))
            return temporary / name;
    }
    throw std::runtime_error("cannot make the host's data folder in " + temporary.string());
}

} // namespace

// Plays the test's answers to the dialogs the add-on shows and records what happened.
class ModuleHost::DialogDriver : public DG::Host::UIDriver {
public:
    explicit DialogDriver(ModuleHost& owner) : host(owner) {}

    void DialogOpened(const DG::Host::DialogView& dialog) override {
        host.calls.push_back("Dialog " + std::to_string(dialog.resId) + " " + dialog.title);
    }

    DG::Host::UserAction NextAction(const DG::Host::DialogView& dialog) override {
        if (host.dialogAnswers.empty()) {
            host.calls.push_back("Unanswered " + std::to_string(dialog.resId));
            return DG::Host::UserAction::Abort();
        }
        const short item = host.dialogAnswers.front();
        host.dialogAnswers.pop_front();
        if (item == 0) {
            host.calls.push_back("Close");
            return DG::Host::UserAction::Close();
        }
        host.calls.push_back("Click " + std::to_string(item));
        return DG::Host::UserAction::Click(item);
    }

    void DialogClosed(const DG::Host::DialogView& dialog, DG::ModalDialog::ModalResponse response) override {
        host.calls.push_back("Closed " + std::to_string(dialog.resId) + " " + std::to_string(int(response)));
    }

private:
    ModuleHost& host;
};

// Sits in front of each of the host table's slot functions: writes the call's line, counts it
// against the test's failure, and hands the call on unchanged.
struct ModuleHost::Recorder {
    template <typename Proc>
    static Proc* HostSlotFunction(HostSlot slot) {
        return reinterpret_cast<Proc*>(current->table.Functions()[slot]);
    }

    static void Record(HostSlot slot, std::string line) {
        current->calls.push_back(std::move(line));
        current->CountCall(slot);
    }

    static GSErrCode RegisterMenu(const API_MenuRegistrationRecord* record) {
        Record(HostSlot_RegisterMenu, "RegisterMenu " + std::to_string(record->menuStrResID));
        return HostSlotFunction<HostRegisterMenuProc>(HostSlot_RegisterMenu)(record);
    }

    static GSErrCode InstallMenuHandler(void* context, UInt16 menuStrResID, APIMenuCommandProc* handler) {
        Record(HostSlot_InstallMenuHandler, "InstallMenuHandler " + std::to_string(menuStrResID));
        return HostSlotFunction<HostInstallMenuHandlerProc>(HostSlot_InstallMenuHandler)(
            context, menuStrResID, handler);
    }

    static GSErrCode SetPreferences(void* context, Int32 version, Int32 nByte, const void* data) {
        Record(HostSlot_SetPreferences,
               "SetPreferences " + std::to_string(version) + " " + std::to_string(nByte));
        return HostSlotFunction<HostSetPreferencesProc>(HostSlot_SetPreferences)(context, version, nByte,
                                                                                 data);
    }

    static GSErrCode GetPreferences(void* context, Int32* version, Int32* nByte, void* data) {
        Record(HostSlot_GetPreferences, data == nullptr ? "GetPreferences" : "GetPreferences data");
        return HostSlotFunction<HostGetPreferencesProc>(HostSlot_GetPreferences)(context, version, nByte,
                                                                                 data);
    }

    static GSErrCode GetCurrentWindow(void* context, UInt32 selector, void* param1, void* param2,
                                      GS::IntPtr last) {
        Record(HostSlot_GetCurrentWindow, "GetCurrentWindow");
        return HostSlotFunction<HostSelectorProc>(HostSlot_GetCurrentWindow)(context, selector, param1,
                                                                             param2, last);
    }

    static GSErrCode GetSpecialFolder(void* context, UInt32 selector, void* param1, void* param2,
                                      GS::IntPtr last) {
        Record(HostSlot_GetSpecialFolder, "GetSpecialFolder " + std::to_string(*static_cast<Int32*>(param1)));
        return HostSlotFunction<HostSelectorProc>(HostSlot_GetSpecialFolder)(context, selector, param1,
                                                                             param2, last);
    }

    static GSErrCode SaveCurrentWindow(void* context, UInt32 selector, void* param1, void* param2,
                                       GS::IntPtr last) {
        const auto* file = static_cast<const API_FileSavePars*>(param1);
        const auto* picture = static_cast<const API_SavePars_Picture*>(param2);
        Record(HostSlot_SaveCurrentWindow, "SaveCurrentWindow " + std::to_string(file->fileTypeID) + " " +
                                               std::to_string(picture->value));
        if (file->file != nullptr)
            current->savedPath = Workbench::ToUtf8(file->file->ToPath());
        const bool failing = current->failures.contains(HostSlot_SaveCurrentWindow) &&
                             current->failures.at(HostSlot_SaveCurrentWindow).passing < 0;
        if (current->viewPicture.empty() && !failing)
            return NoError;
        std::ofstream(current->ViewPictureFile(), std::ios::binary | std::ios::trunc) << current->viewPicture;
        return HostSlotFunction<HostSelectorProc>(HostSlot_SaveCurrentWindow)(context, selector, param1,
                                                                              param2, last);
    }

    static GSErrCode RegisterModelessWindow(void* context, const API_ModelessWindowRecord* record) {
        Record(HostSlot_RegisterModelessWindow,
               "RegisterModelessWindow " + Workbench::HexWord(UInt32(record->referenceID)));
        return HostSlotFunction<HostRegisterModelessWindowProc>(HostSlot_RegisterModelessWindow)(context,
                                                                                                 record);
    }

    static GSErrCode UnregisterModelessWindow(void* context, Int32 referenceID) {
        Record(HostSlot_UnregisterModelessWindow,
               "UnregisterModelessWindow " + Workbench::HexWord(UInt32(referenceID)));
        return HostSlotFunction<HostUnregisterModelessWindowProc>(HostSlot_UnregisterModelessWindow)(
            context, referenceID);
    }

    static GSErrCode ReportMessage(void* context, const GS::UniString* format, bool alert, va_list* args) {
        const std::string formatText = Workbench::ToUtf8(*format);
        current->reports.push_back(Workbench::FormatReport(formatText, args).text);
        Record(HostSlot_ReportMessage, std::string(alert ? "Alert " : "Report ") + formatText);
        return HostSlotFunction<HostReportMessageProc>(HostSlot_ReportMessage)(context, format, alert, args);
    }
};

ModuleHost::ModuleHost(const std::string& modulePath)
    : dataFolder(MakeDataFolder()),
      state(transcript, console,
            {dataFolder, {Workbench::Scene::defaultViewSize, dataFolder / "view.jpeg"}}) {
    module = std::make_unique<Workbench::ModuleFile>(modulePath);
    setImported = module->SetImportedFuncAddrs();
    Attach();
    module->GetExportedFuncAddrs()(&entries);
}

ModuleHost::ModuleHost(GetExportedFuncAddrsProc* getExported, SetImportedFuncAddrsProc* setImportedFunc)
    : dataFolder(MakeDataFolder()),
      state(transcript, console, {dataFolder, {Workbench::Scene::defaultViewSize, dataFolder / "view.jpeg"}}),
      setImported(setImportedFunc), linkedIn(true) {
    Attach();
    getExported(&entries);
}

void ModuleHost::Attach() {
    if (current != nullptr)
        throw std::logic_error("one module host at a time");
    current = this;
    state.UsePreferenceStore(
        Workbench::PreferenceStore(Workbench::PreferencesFolder(dataFolder), PreferenceKey));
    // Apart from the calls: on Windows a launch arrives after the calls that follow it.
    WatchBrowserLaunches([this](std::string_view url) { launchedUrls.emplace_back(url); });
    dialogDriver = std::make_unique<DialogDriver>(*this);
    DG::Host::SetUIDriver(dialogDriver.get());
    GS::Host::SetDebugSink([this](std::string_view text) { debugLines.emplace_back(text); });
    GSUtils::Host::SetBeepSink([this] { calls.emplace_back("Beep"); });
}

ModuleHost::~ModuleHost() {
    if (linkedIn && running)
        ShutDown();
    Unload();
    GS::Host::SetDebugSink(nullptr);
    GSUtils::Host::SetBeepSink(nullptr);
    StopWatchingBrowserLaunches();
    DG::Host::SetUIDriver(nullptr);
    current = nullptr;
    std::error_code ignored;
    std::filesystem::remove_all(dataFolder, ignored);
}

std::vector<std::string>& ModuleHost::LaunchedUrls() {
    AwaitBrowserLaunches();
    return launchedUrls;
}

std::filesystem::path ModuleHost::ViewPictureFile() const {
    return dataFolder / "view.jpeg";
}

void ModuleHost::FailSlot(HostSlot slot, GSErrCode code, int passing) {
    failures[slot] = {code, passing};
    if (passing == 0)
        CountCall(slot);
}

void ModuleHost::CountCall(HostSlot slot) {
    const auto failure = failures.find(slot);
    if (failure == failures.end() || failure->second.passing < 0)
        return;
    // -1: the host's own failure is armed.
    if (failure->second.passing-- == 0)
        state.SetSlotFailure(slot, failure->second.code);
}

GSErrCode ModuleHost::Initialize() {
    running = true;
    return entries.initialize(table.HostContext());
}

GSErrCode ModuleHost::ShutDown() {
    running = false;
    return entries.shutDown();
}

std::string ModuleHost::BuiltModulePath(const char* fileName) {
    const char* folder = std::getenv("KAVELO_BIN_DIR");
    if (folder == nullptr)
        throw std::runtime_error("KAVELO_BIN_DIR is not set");
    // In the system's own form, as the module names its file.
    return (std::filesystem::path(folder) / fileName).make_preferred().string();
}

GSErrCode ModuleHost::SendTable() {
    HostFunction recording[HostFunctionTableSlots] = {};
    auto put = [&](HostSlot slot, auto* function) {
        if (std::find(cleared.begin(), cleared.end(), slot) == cleared.end())
            recording[slot] = reinterpret_cast<HostFunction>(function);
    };
    put(HostSlot_RegisterMenu, &Recorder::RegisterMenu);
    put(HostSlot_InstallMenuHandler, &Recorder::InstallMenuHandler);
    put(HostSlot_SetPreferences, &Recorder::SetPreferences);
    put(HostSlot_GetPreferences, &Recorder::GetPreferences);
    put(HostSlot_RegisterModelessWindow, &Recorder::RegisterModelessWindow);
    put(HostSlot_GetCurrentWindow, &Recorder::GetCurrentWindow);
    put(HostSlot_GetSpecialFolder, &Recorder::GetSpecialFolder);
    put(HostSlot_SaveCurrentWindow, &Recorder::SaveCurrentWindow);
    put(HostSlot_UnregisterModelessWindow, &Recorder::UnregisterModelessWindow);
    put(HostSlot_ReportMessage, &Recorder::ReportMessage);
    return setImported(recording);
}

void ModuleHost::Start() {
    if (SendTable() != NoError)
        throw std::runtime_error("SetImportedFuncAddrs failed");
    API_EnvirParams envir{};
    if (Describe(&envir) != 1)
        throw std::runtime_error("DescribeAddOn did not answer 1");
    if (RegisterCommands() != NoError || Initialize() != NoError)
        throw std::runtime_error("the module did not start");
}

GSErrCode ModuleHost::PickMenu(Int16 menuResID) const {
    APIMenuCommandProc* handler = state.HandlerOf(menuResID);
    if (handler == nullptr)
        throw std::runtime_error("no handler for menu " + std::to_string(menuResID));
    API_MenuParams params{};
    params.menuResID = menuResID;
    return handler(&params);
}

void ModuleHost::AnswerDialog(short itemId) {
    dialogAnswers.push_back(itemId);
}

void ModuleHost::AnswerDialogWithClose() {
    dialogAnswers.push_back(0);
}

void ModuleHost::Unload() {
    if (module == nullptr)
        return;
    state.ForgetModuleCode();
    module->Close();
    module.reset();
}

std::optional<Workbench::StoredPreferences> ModuleHost::Preferences() const {
    return Workbench::PreferenceStore(Workbench::PreferencesFolder(dataFolder), PreferenceKey).Read().record;
}

void ModuleHost::StorePreferences(Int32 version, std::vector<UInt8> bytes) {
    const Workbench::PreferenceStore store(Workbench::PreferencesFolder(dataFolder), PreferenceKey);
    if (const std::string problem = store.Write({version, std::move(bytes)}); !problem.empty())
        throw std::runtime_error(problem);
}

std::string ModuleHost::CaptureFolder() const {
    return Workbench::TemporaryFolder(dataFolder).string();
}

} // namespace Testing
