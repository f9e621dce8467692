#include "ModuleHost.hpp"

#include "DGHost.hpp"
#include "GSRootHost.hpp"
#include "GSUtilsHost.hpp"
#include "IO/Location.hpp"
#include "ModulePlatform.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace Testing {

namespace {

ModuleHost* current = nullptr; // the menu registration slot receives no context

ModuleHost& HostOf(void* context) {
    if (context != current)
        throw std::logic_error("host operation called with a foreign host context");
    return *current;
}

std::string Hex(UInt32 value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08X", value);
    return text;
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

struct Slots {
    static GSErrCode RegisterMenu(const API_MenuRegistrationRecord* record) {
        ModuleHost& host = *current;
        host.menus.push_back(
            {record->menuStrResID, record->promptStrResID, record->placementCode, record->flags});
        host.calls.push_back("RegisterMenu " + std::to_string(record->menuStrResID));
        return host.Answer(HostSlot_RegisterMenu);
    }

    static GSErrCode InstallMenuHandler(void* context, UInt16 menuStrResID, APIMenuCommandProc* handler) {
        ModuleHost& host = HostOf(context);
        host.calls.push_back("InstallMenuHandler " + std::to_string(menuStrResID));
        const GSErrCode answer = host.Answer(HostSlot_InstallMenuHandler);
        if (answer == NoError)
            host.menuHandlers[menuStrResID] = handler;
        return answer;
    }

    static GSErrCode SetPreferences(void* context, Int32 version, Int32 nByte, const void* data) {
        ModuleHost& host = HostOf(context);
        host.calls.push_back("SetPreferences " + std::to_string(version) + " " + std::to_string(nByte));
        const GSErrCode answer = host.Answer(HostSlot_SetPreferences);
        if (answer != NoError)
            return answer;
        if (version == 0 && nByte == 0 && data == nullptr) {
            host.preferences.reset();
        } else {
            const auto* bytes = static_cast<const UInt8*>(data);
            host.preferences = StoredPreferences{version, {bytes, bytes + nByte}};
        }
        return NoError;
    }

    static GSErrCode GetPreferences(void* context, Int32* version, Int32* nByte, void* data) {
        ModuleHost& host = HostOf(context);
        host.calls.push_back(data == nullptr ? "GetPreferences" : "GetPreferences data");
        const GSErrCode answer = host.Answer(HostSlot_GetPreferences);
        if (answer != NoError)
            return answer;
        const std::optional<StoredPreferences>& stored = host.preferences;
        if (data == nullptr) {
            *version = stored ? stored->version : 0;
            *nByte = stored ? Int32(stored->bytes.size()) : 0;
        } else if (stored) {
            std::memcpy(data, stored->bytes.data(), std::min(std::size_t(*nByte), stored->bytes.size()));
        }
        return NoError;
    }

    static GSErrCode GetCurrentWindow(void* context, UInt32 selector, void* param1, void*, GS::IntPtr) {
        ModuleHost& host = HostOf(context);
        host.calls.push_back("GetCurrentWindow");
        const GSErrCode answer = host.Answer(HostSlot_GetCurrentWindow);
        if (answer != NoError || selector != HostSelector_GetWindow)
            return answer != NoError ? answer : APIERR_BADPARS;
        static_cast<API_WindowInfo*>(param1)->typeID = host.frontWindowType;
        return NoError;
    }

    static GSErrCode GetSpecialFolder(void* context, UInt32 selector, void* param1, void* param2,
                                      GS::IntPtr) {
        ModuleHost& host = HostOf(context);
        const Int32 kind = *static_cast<Int32*>(param1);
        host.calls.push_back("GetSpecialFolder " + std::to_string(kind));
        const GSErrCode answer = host.Answer(HostSlot_GetSpecialFolder);
        if (answer != NoError || selector != HostSelector_GetSpecFolder || kind != API_SpecFolderID_Temporary)
            return answer != NoError ? answer : APIERR_BADPARS;
        *static_cast<IO::Location*>(param2) = IO::Location(GS::UniString(host.captureFolder.c_str()));
        return NoError;
    }

    static GSErrCode SaveCurrentWindow(void* context, UInt32 selector, void* param1, void* param2,
                                       GS::IntPtr) {
        ModuleHost& host = HostOf(context);
        const auto* file = static_cast<const API_FileSavePars*>(param1);
        const auto* picture = static_cast<const API_SavePars_Picture*>(param2);
        host.calls.push_back("SaveCurrentWindow " + std::to_string(file->fileTypeID) + " " +
                             std::to_string(picture->value));
        const GSErrCode answer = host.Answer(HostSlot_SaveCurrentWindow);
        if (answer != NoError || selector != APIDo_SaveID)
            return answer != NoError ? answer : APIERR_BADPARS;
        host.savedPath = file->file->ToPath().ToCStr().Get();
        if (!host.viewPicture.empty())
            std::ofstream(host.savedPath, std::ios::binary) << host.viewPicture;
        return NoError;
    }

    static GSErrCode RegisterModelessWindow(void* context, const API_ModelessWindowRecord* record) {
        ModuleHost& host = HostOf(context);
        ModelessWindowRegistration window{
            record->referenceID, record->callBackProc, record->controlFlags, {}};
        std::memcpy(window.guid, record->guid, sizeof(window.guid));
        host.windows.push_back(window);
        host.calls.push_back("RegisterModelessWindow " + Hex(UInt32(record->referenceID)));
        return host.Answer(HostSlot_RegisterModelessWindow);
    }

    static GSErrCode UnregisterModelessWindow(void* context, Int32 referenceID) {
        ModuleHost& host = HostOf(context);
        host.calls.push_back("UnregisterModelessWindow " + Hex(UInt32(referenceID)));
        return host.Answer(HostSlot_UnregisterModelessWindow);
    }

    static GSErrCode ReportMessage(void* context, const GS::UniString* format, bool alert, va_list* args) {
        ModuleHost& host = HostOf(context);
        const GS::UniString::CStr formatText = format->ToCStr();
        char text[1024];
        std::vsnprintf(text, sizeof(text), formatText.Get(), *args);
        host.reports.push_back(text);
        host.calls.push_back(std::string(alert ? "Alert " : "Report ") + formatText.Get());
        return host.Answer(HostSlot_ReportMessage);
    }
};

ModuleHost::ModuleHost(const std::string& modulePath) {
    if (current != nullptr)
        throw std::logic_error("one module host at a time");
    handle = ModulePlatform::Load(modulePath);
    const ModulePlatform::Entries found = ModulePlatform::FindEntries(handle);
    setImported = found.setImported;
    if (found.getExported == nullptr || setImported == nullptr) {
        ModulePlatform::Unload(handle);
        throw std::runtime_error("module lacks the entry-protocol exports");
    }
    Attach();
    found.getExported(&entries);
}

ModuleHost::ModuleHost(GetExportedFuncAddrsProc* getExported, SetImportedFuncAddrsProc* setImportedFunc)
    : setImported(setImportedFunc), linkedIn(true) {
    if (current != nullptr)
        throw std::logic_error("one module host at a time");
    Attach();
    getExported(&entries);
}

void ModuleHost::Attach() {
    current = this;
    ModulePlatform::ObserveLaunches([this](std::string_view url) {
        launchedUrls.emplace_back(url);
        calls.push_back("Browser " + std::string(url));
    });
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
    ModulePlatform::ObserveLaunches(nullptr);
    DG::Host::SetUIDriver(nullptr);
    current = nullptr;
}

GSErrCode ModuleHost::Initialize() {
    running = true;
    return entries.initialize(this);
}

GSErrCode ModuleHost::ShutDown() {
    running = false;
    return entries.shutDown();
}

std::string ModuleHost::BuiltModulePath(const char* fileName) {
    const char* folder = std::getenv("KAVELO_BIN_DIR");
    if (folder == nullptr)
        throw std::runtime_error("KAVELO_BIN_DIR is not set");
    return (std::filesystem::path(folder) / fileName).make_preferred().string();
}

std::string ModuleHost::MakeScratchFolder(const std::string& prefix) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / (prefix + std::to_string(random()));
        if (std::filesystem::create_directory(folder))
            return folder.string();
    }
    throw std::runtime_error("cannot make a scratch folder " + prefix + "*");
}

GSErrCode ModuleHost::SendTable() {
    HostFunction table[HostFunctionTableSlots] = {};
    auto put = [&](HostSlot slot, auto* function) {
        if (std::find(cleared.begin(), cleared.end(), slot) == cleared.end())
            table[slot] = reinterpret_cast<HostFunction>(function);
    };
    put(HostSlot_RegisterMenu, &Slots::RegisterMenu);
    put(HostSlot_InstallMenuHandler, &Slots::InstallMenuHandler);
    put(HostSlot_SetPreferences, &Slots::SetPreferences);
    put(HostSlot_GetPreferences, &Slots::GetPreferences);
    put(HostSlot_RegisterModelessWindow, &Slots::RegisterModelessWindow);
    put(HostSlot_GetCurrentWindow, &Slots::GetCurrentWindow);
    put(HostSlot_GetSpecialFolder, &Slots::GetSpecialFolder);
    put(HostSlot_SaveCurrentWindow, &Slots::SaveCurrentWindow);
    put(HostSlot_UnregisterModelessWindow, &Slots::UnregisterModelessWindow);
    put(HostSlot_ReportMessage, &Slots::ReportMessage);
    return setImported(table);
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
    const auto handler = menuHandlers.find(UInt16(menuResID));
    if (handler == menuHandlers.end())
        throw std::runtime_error("no handler for menu " + std::to_string(menuResID));
    API_MenuParams params{};
    params.menuResID = menuResID;
    return handler->second(&params);
}

void ModuleHost::AnswerDialog(short itemId) {
    dialogAnswers.push_back(itemId);
}

void ModuleHost::AnswerDialogWithClose() {
    dialogAnswers.push_back(0);
}

void ModuleHost::Unload() {
    if (handle == nullptr)
        return;
    ModulePlatform::Unload(handle);
    handle = nullptr;
}

GSErrCode ModuleHost::Answer(HostSlot slot) {
    const auto failure = failures.find(slot);
    if (failure == failures.end())
        return NoError;
    if (failure->second.passing > 0) {
        --failure->second.passing;
        return NoError;
    }
    return failure->second.code;
}

} // namespace Testing
