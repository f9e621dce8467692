#pragma once

// The host's side of the operations the workbench supplies: the registered menus and their
// handlers, the modeless windows, the report, the preference store, the front window and its
// saving, and the failures a tester has asked for. Every call is written to the transcript with
// its result, refused or not.

#include "ACAPI/APIdefs.hpp"
#include "Console.hpp"
#include "FrontWindow.hpp"
#include "PreferenceStore.hpp"
#include "Scene/SceneView.hpp"
#include "Transcript.hpp"

#include <cstdarg>
#include <filesystem>
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

struct HostSettings {
    std::filesystem::path dataFolder; // absolute; made when something is first stored
    Scene::ViewSource view;           // what the 3D window shows
};

class HostState {
public:
    HostState(Transcript& transcript, Console& console, HostSettings settings);

    GSErrCode RegisterMenu(const API_MenuRegistrationRecord* record);
    GSErrCode InstallMenuHandler(UInt16 menuId, APIMenuCommandProc* handler);
    GSErrCode RegisterModelessWindow(const API_ModelessWindowRecord* record);
    GSErrCode UnregisterModelessWindow(Int32 referenceId);
    GSErrCode ReportMessage(const GS::UniString* format, bool alert, va_list* args);

    // The two-call protocol: without `data` the version and size of what is stored (0 and 0 when
    // nothing is); with it, the bytes as well, when *nByte leaves room for them.
    GSErrCode GetPreferences(Int32* version, Int32* nByte, void* data);
    // Version 0 with size 0 and no data removes the record.
    GSErrCode SetPreferences(Int32 version, Int32 nByte, const void* data);

    // Only the record's window type is filled in.
    GSErrCode GetCurrentWindow(API_WindowInfo* windowInfo);
    // Folder kind 4 only: a writable folder of the workbench.
    GSErrCode GetSpecialFolder(const Int32* folderKind, IO::Location* location);
    // The 3D window, in front, as a JPEG file (file type 19, picture option 6).
    GSErrCode SaveCurrentWindow(const API_FileSavePars* file, const API_SavePars_Picture* picture);

    // From now on the operation of `slot` answers `code` without doing anything; nullopt restores it.
    void SetSlotFailure(std::size_t slot, std::optional<GSErrCode> code);

    // A call the operation table turned away before it reached the state (foreign context).
    GSErrCode Reject(std::size_t slot, std::string_view reason, GSErrCode code);

    // The module is gone: its handlers and window callbacks would point nowhere.
    void ForgetModuleCode();

    // Where the loaded add-on's preferences are kept; until this is called they are refused.
    void UsePreferenceStore(PreferenceStore store);
    const PreferenceStore* Preferences() const { return store ? &*store : nullptr; }
    // What is stored, as the slots see it; a damaged store is told to the user and the transcript.
    StoreContent ReadPreferences();
    // The user's own removal of the record; false (and told) when it failed.
    bool ClearPreferences();

    const std::filesystem::path& DataFolder() const { return settings.dataFolder; }
    // What the 3D window shows; the desktop's window sets its size as it is resized.
    const Scene::ViewSource& View() const { return settings.view; }
    void ResizeView(Scene::ViewSize size) { settings.view.size = size; }

    WindowKind FrontWindow() const { return frontWindow; }
    void SwitchWindow(WindowKind kind);

    bool OnOwnerThread() const { return std::this_thread::get_id() == owner; }

    const std::vector<RegisteredMenu>& Menus() const { return menus; }
    const RegisteredMenu* FindMenu(Int16 menuId) const;
    APIMenuCommandProc* HandlerOf(Int16 menuId) const;
    const std::vector<RegisteredWindow>& Windows() const { return windows; }

private:
    std::optional<GSErrCode> InjectedFailure(std::size_t slot) const;
    GSErrCode RemovePreferences(std::string_view by);

    Transcript& transcript;
    Console& console;
    HostSettings settings;
    std::thread::id owner;
    std::optional<PreferenceStore> store;
    WindowKind frontWindow = WindowKind::Model3D;
    std::map<std::size_t, GSErrCode> failures;
    std::vector<RegisteredMenu> menus;
    std::map<Int16, APIMenuCommandProc*> handlers;
    std::vector<RegisteredWindow> windows;
};

} // namespace Workbench
