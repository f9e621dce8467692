#pragma once

// The add-on protocol shared by the host and the module: error codes, the records exchanged
// through the two exports and the operation table, and the table's slots.

#include "GSRoot/Definitions.hpp"
#include "GSRoot/Guid.hpp"
#include "GSRoot/UniString.hpp"

#include <cstdarg>
#include <cstddef>

// Host error codes: 0 is success, the host's own errors lie from 0x81060001 upward.
constexpr GSErrCode APIERR_GENERAL = GSErrCode(0x81060001);
constexpr GSErrCode APIERR_MEMFULL = GSErrCode(0x81060002);
constexpr GSErrCode APIERR_BADID = GSErrCode(0x81060065);
constexpr GSErrCode APIERR_BADPARS = GSErrCode(0x81060068);
constexpr GSErrCode APIERR_BADWINDOW = GSErrCode(0x8106006B);
constexpr GSErrCode APIERR_WINDEXIST = GSErrCode(0x810600E0);
constexpr GSErrCode APIERR_WINDNOTEXIST = GSErrCode(0x810600E1);
constexpr GSErrCode APIERR_NAMEALREADYUSED = GSErrCode(0x810600E4);
constexpr GSErrCode APIERR_NOTINIT = GSErrCode(0x81060385);
constexpr GSErrCode APIERR_NOTSUPPORTED = GSErrCode(0x81060387);

// ---- records -----------------------------------------------------------------------------------

// What the host learns about the add-on when it checks the environment. The add-on writes the name
// and the description only.
struct API_AddOnInfo {
    GS::UniString name;
    GS::UniString description;
};

struct API_EnvirParams {
    Int32 hostGeneration;
    Int32 hostLanguage;
    API_AddOnInfo addOnInfo;
};

// The first field is the menu string resource id of the picked command.
struct API_MenuParams {
    Int16 menuResID;
    Int16 itemIndex;
    Int32 filler;
};

using APIMenuCommandProc = GSErrCode(const API_MenuParams* menuParams);
using APIPaletteControlCallBackProc = GSErrCode(Int32 referenceID, Int32 messageID, GS::IntPtr param);

using AddOnDescribeProc = Int32(API_EnvirParams* envir);
using AddOnEntryProc = GSErrCode(void* context);
using AddOnShutDownProc = GSErrCode();

// Filled by GetExportedFuncAddrs; 120 bytes owned by the host.
struct API_EntryPointRecord {
    UInt32 protocolVersion; // low 16 bits 1, high 16 bits the host generation (29)
    UInt32 filler0;
    AddOnDescribeProc* describeAddOn;
    AddOnEntryProc* registerCommands;
    AddOnEntryProc* initialize;
    AddOnShutDownProc* shutDown;
    Int32 hostVersion; // 29000
    UInt8 filler1[76];
};
static_assert(sizeof(API_EntryPointRecord) == 120);
static_assert(offsetof(API_EntryPointRecord, describeAddOn) == 8);
static_assert(offsetof(API_EntryPointRecord, shutDown) == 32);
static_assert(offsetof(API_EntryPointRecord, hostVersion) == 40);
static_assert(offsetof(API_EntryPointRecord, filler1) == 44);

constexpr UInt32 API_ProtocolVersion29 = 0x001D0001;
constexpr Int32 API_HostVersion29 = 29000;

// Passed alone to the menu registration slot.
struct API_MenuRegistrationRecord {
    Int16 menuStrResID;
    Int16 promptStrResID;
    Int32 placementCode;
    Int32 flags;
    UInt8 filler[20];
};
static_assert(sizeof(API_MenuRegistrationRecord) == 32);
static_assert(offsetof(API_MenuRegistrationRecord, flags) == 8);

// Where a registered menu command goes: among the add-on's own menus, or onto the toolbar.
enum APIMenuCodeID : Int32 { MenuCode_UserDef = 0, MenuCode_ToolBar = 12 };

// What the host asks of a registered modeless window through its callback. For
// APIPalMsg_IsPaletteVisible the parameter points at a bool to fill.
enum API_PaletteMessageID : Int32 {
    APIPalMsg_ClosePalette = 1,
    APIPalMsg_HidePalette_Begin = 2,
    APIPalMsg_HidePalette_End = 3,
    APIPalMsg_DisableItems_Begin = 4,
    APIPalMsg_DisableItems_End = 5,
    APIPalMsg_OpenPalette = 6,
    APIPalMsg_IsPaletteVisible = 7
};

// Passed with the host context to the modeless-window registration slot. The GUID's 16 bytes sit at
// offset 20, which a GS::Guid member could not, so they are kept as bytes.
struct API_ModelessWindowRecord {
    Int32 referenceID;
    Int32 filler0;
    APIPaletteControlCallBackProc* callBackProc;
    Int32 controlFlags;
    UInt8 guid[16];
    UInt8 filler1[44];
};
static_assert(sizeof(API_ModelessWindowRecord) == 80);
static_assert(offsetof(API_ModelessWindowRecord, callBackProc) == 8);
static_assert(offsetof(API_ModelessWindowRecord, controlFlags) == 16);
static_assert(offsetof(API_ModelessWindowRecord, guid) == 20);

// Filled by the current-window query; the caller zeroes it.
struct API_WindowInfo {
    Int32 typeID;
    UInt8 filler[1620];
};
static_assert(sizeof(API_WindowInfo) == 1624);

constexpr Int32 APIWind_3DModelID = 4;
constexpr Int32 API_SpecFolderID_Temporary = 4;

namespace IO {
class Location;
}

// Describes the picture file the host saves for the save-window operation.
struct API_FileSavePars {
    Int32 fileTypeID;
    Int32 filler0;
    IO::Location* file;
    UInt8 filler1[64];
};
static_assert(sizeof(API_FileSavePars) == 80);
static_assert(offsetof(API_FileSavePars, file) == 8);

struct API_SavePars_Picture {
    Int64 value;
    UInt8 filler[32];
};
static_assert(sizeof(API_SavePars_Picture) == 40);

constexpr Int32 APIFType_JPEGFile = 19;
constexpr Int64 APIPictSave_Options = 6;

// ---- the operation table -----------------------------------------------------------------------

constexpr std::size_t HostFunctionTableSlots = 644;

enum HostSlot : std::size_t {
    HostSlot_RegisterMenu = 5,
    HostSlot_InstallMenuHandler = 25,
    HostSlot_SetPreferences = 59,
    HostSlot_GetPreferences = 60,
    HostSlot_RegisterModelessWindow = 61,
    HostSlot_UnregisterModelessWindow = 62,
    HostSlot_ReportMessage = 68,
    HostSlot_GetCurrentWindow = 77,
    HostSlot_GetSpecialFolder = 78,
    HostSlot_SaveCurrentWindow = 81
};

// Selectors pick an operation within a shared slot: four characters, the first in the high byte.
constexpr UInt32 HostSelector_GetWindow = 0x4757494E;     // 'GWIN'
constexpr UInt32 HostSelector_GetSpecFolder = 0x47535046; // 'GSPF'
constexpr UInt32 APIDo_SaveID = 0x53415645;               // 'SAVE'

using HostRegisterMenuProc = GSErrCode(const API_MenuRegistrationRecord* record);
using HostInstallMenuHandlerProc = GSErrCode(void* context, UInt16 menuStrResID, APIMenuCommandProc* handler);
using HostSetPreferencesProc = GSErrCode(void* context, Int32 version, Int32 nByte, const void* data);
using HostGetPreferencesProc = GSErrCode(void* context, Int32* version, Int32* nByte, void* data);
using HostRegisterModelessWindowProc = GSErrCode(void* context, const API_ModelessWindowRecord* record);
using HostUnregisterModelessWindowProc = GSErrCode(void* context, Int32 referenceID);
using HostReportMessageProc = GSErrCode(void* context, const GS::UniString* format, bool alert,
                                        va_list* args);
using HostSelectorProc = GSErrCode(void* context, UInt32 selector, void* param1, void* param2,
                                   GS::IntPtr last);

using HostFunction = void (*)();

// The two exports, as the host finds them by name.
extern "C" {
using GetExportedFuncAddrsProc = void(API_EntryPointRecord* record);
using SetImportedFuncAddrsProc = GSErrCode(const HostFunction* table);
}
