#pragma once

// A host for tests: loads an add-on module through its two exports, hands it an operation table
// whose slots record every call, and lets a test make any slot answer an error code.

#include "ACAPI/APIdefs.hpp"

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Testing {

struct MenuRegistration {
    Int16 menuStrResID;
    Int16 promptStrResID;
    Int32 placementCode;
    Int32 flags;
};

struct ModelessWindowRegistration {
    Int32 referenceID;
    APIPaletteControlCallBackProc* callBackProc;
    Int32 controlFlags;
    UInt8 guid[16];
};

struct StoredPreferences {
    Int32 version;
    std::vector<UInt8> bytes;
};

class ModuleHost {
public:
    // Loads the module and reads its entry points; throws std::runtime_error on failure.
    explicit ModuleHost(const std::string& modulePath);
    // Drives the binding linked into the test program itself.
    ModuleHost(GetExportedFuncAddrsProc* getExported, SetImportedFuncAddrsProc* setImportedFunc);
    // Unloads a loaded module without shutting it down; shuts a linked-in binding down.
    ~ModuleHost();
    ModuleHost(const ModuleHost&) = delete;
    ModuleHost& operator=(const ModuleHost&) = delete;

    static std::string BuiltModulePath(const char* fileName = "KAVELO.apx");
    // A new empty folder under the system's temporary folder, its name starting with prefix.
    static std::string MakeScratchFolder(const std::string& prefix);

    // A slot this host serves answers `code` from now on, after letting `passing` calls succeed;
    // a failing slot still records its call.
    void FailSlot(HostSlot slot, GSErrCode code, int passing = 0) { failures[slot] = {code, passing}; }
    void ClearSlot(HostSlot slot) { cleared.push_back(slot); }

    GSErrCode SendTable(); // SetImportedFuncAddrs with the table built so far
    Int32 Describe(API_EnvirParams* envir) const { return entries.describeAddOn(envir); }
    GSErrCode RegisterCommands() { return entries.registerCommands(this); }
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
    bool IsLoaded() const { return handle != nullptr; }

    const API_EntryPointRecord& Entries() const { return entries; }

    // Everything the module did to the host, in order, as short readable lines.
    std::vector<std::string> calls;
    std::vector<std::string> debugLines;
    std::vector<MenuRegistration> menus;
    std::map<UInt16, APIMenuCommandProc*> menuHandlers;
    std::vector<ModelessWindowRegistration> windows;
    std::vector<std::string> reports;
    std::vector<std::string> launchedUrls;
    std::optional<StoredPreferences> preferences;

    // The host's windows and 3D view: the front window's type, the folder handed out as special
    // folder 4, and the bytes a save of the 3D window writes (nothing is written when empty).
    Int32 frontWindowType = APIWind_3DModelID;
    std::string captureFolder;
    std::string viewPicture = std::string("\xFF\xD8\xFF\xD9", 4);
    std::string savedPath; // where the last save wrote

private:
    friend struct Slots;
    struct Failure {
        GSErrCode code;
        int passing;
    };
    GSErrCode Answer(HostSlot slot);

    void Attach();
    class DialogDriver;
    friend class DialogDriver;

    void* handle = nullptr;
    SetImportedFuncAddrsProc* setImported = nullptr;
    bool linkedIn = false;
    bool running = false;
    API_EntryPointRecord entries{};
    std::map<HostSlot, Failure> failures;
    std::vector<HostSlot> cleared;
    std::deque<short> dialogAnswers; // 0 closes through the window control
    std::unique_ptr<DialogDriver> dialogDriver;
};

} // namespace Testing
