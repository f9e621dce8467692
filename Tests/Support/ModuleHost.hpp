#pragma once

// The workbench's host core (its host state and operation table) driven by a test: loads an add-on
// module through its two exports, or drives the binding linked into the test program, records
// every call the module makes as a short readable line, plays the test's dialog answers, and lets a
// test make any slot answer an error code after some calls, or leave it out of the table.

#include "ACAPI/APIdefs.hpp"
#include "Console.hpp"
#include "FrontWindow.hpp"
#include "HostState.hpp"
#include "HostTable.hpp"
#include "ModuleFile.hpp"
#include "PreferenceStore.hpp"
#include "Transcript.hpp"

#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace Testing {

class ModuleHost {
public:
    // Loads the module and reads its entry points; throws Workbench::ModuleError on failure.
    explicit ModuleHost(const std::string& modulePath);
    // Drives the binding linked into the test program itself.
    ModuleHost(GetExportedFuncAddrsProc* getExported, SetImportedFuncAddrsProc* setImportedFunc);
    // Unloads a loaded module without shutting it down; shuts a linked-in binding down.
    ~ModuleHost();
    ModuleHost(const ModuleHost&) = delete;
    ModuleHost& operator=(const ModuleHost&) = delete;

    static std::string BuiltModulePath(const char* fileName = "KAVELO.apx");

    // A slot answers `code` from now on, after letting `passing` calls succeed; a failing slot
    // still records its call.
    void FailSlot(HostSlot slot, GSErrCode code, int passing = 0);
    // The slot is left out of the table SendTable hands over.
    void ClearSlot(HostSlot slot) { cleared.push_back(slot); }

    GSErrCode SendTable(); // SetImportedFuncAddrs with the host's table, less the cleared slots
    Int32 Describe(API_EnvirParams* envir) const { return entries.describeAddOn(envir); }
    GSErrCode RegisterCommands() { return entries.registerCommands(table.RegistrationContext()); }
    GSErrCode Initialize();
    GSErrCode ShutDown();
    // SendTable, Describe, RegisterCommands and Initialize, each expected to succeed.
    void Start();

    GSErrCode PickMenu(Int16 menuResID) const;

    // Answers for the dialogs to come, in order: a click on an item, or a close through the
    // window control. A dialog with no answer left is aborted and recorded as "Unanswered <id>".
    void AnswerDialog(short itemId);
    void AnswerDialogWithClose();
    std::size_t UnusedDialogAnswers() const { return dialogAnswers.size(); }

    void Unload();
    bool IsLoaded() const { return module != nullptr; }

    const API_EntryPointRecord& Entries() const { return entries; }

    // The add-on's record as the host's preference store holds it.
    std::optional<Workbench::StoredPreferences> Preferences() const;
    void StorePreferences(Int32 version, std::vector<UInt8> bytes);
    void ErasePreferences() { state.ClearPreferences(); }

    void SwitchWindow(Workbench::WindowKind kind) { state.SwitchWindow(kind); }
    // The folder the host hands out as special folder 4.
    std::string CaptureFolder() const;

    const std::vector<Workbench::RegisteredMenu>& Menus() const { return state.Menus(); }
    const std::vector<Workbench::RegisteredWindow>& Windows() const { return state.Windows(); }
    APIMenuCommandProc* HandlerOf(Int16 menuResID) const { return state.HandlerOf(menuResID); }

    // Everything the module did to the host, in order, as short readable lines.
    std::vector<std::string> calls;
    std::vector<std::string> debugLines;
    std::vector<std::string> reports;
    // The URLs of the module's browser launches so far, each once it has arrived.
    std::vector<std::string>& LaunchedUrls();

    // What a save of the 3D window writes; when empty the host answers success and writes nothing.
    std::string viewPicture = std::string("\xFF\xD8\xFF\xD9", 4);
    std::string savedPath; // where the last save wrote

private:
    struct Recorder;
    friend struct Recorder;
    class DialogDriver;
    friend class DialogDriver;
    struct Failure {
        GSErrCode code;
        int passing;
    };

    // Counts a call of `slot` against its armed failure, arming the host's own failure once the
    // passing calls are used up.
    void CountCall(HostSlot slot);
    void Attach();
    std::filesystem::path ViewPictureFile() const;

    std::filesystem::path dataFolder;
    std::ostringstream consoleOutput;
    Workbench::Console console{consoleOutput, consoleOutput, false};
    Workbench::Transcript transcript;
    Workbench::HostState state;
    Workbench::HostTable table{state};
    std::unique_ptr<Workbench::ModuleFile> module;
    SetImportedFuncAddrsProc* setImported = nullptr;
    bool linkedIn = false;
    bool running = false;
    API_EntryPointRecord entries{};
    std::map<HostSlot, Failure> failures;
    std::vector<HostSlot> cleared;
    std::vector<std::string> launchedUrls;
    std::deque<short> dialogAnswers; // 0 closes through the window control
    std::unique_ptr<DialogDriver> dialogDriver;
};

} // namespace Testing
