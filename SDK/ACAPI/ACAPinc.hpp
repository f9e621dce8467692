#pragma once

// What the add-on calls: one wrapper per host operation, and the binding's accessors. Each wrapper
// passes the host context first (the menu registration excepted) and answers the host's code, or
// APIERR_NOTSUPPORTED when the host left the operation's slot empty.

#include "ACAPI/APIdefs.hpp"
#include "RS/RS.hpp"

GSErrCode HostRegisterMenu(Int16 menuStrResID, Int16 promptStrResID, Int32 placementCode, Int32 flags);
GSErrCode ACAPI_MenuItem_InstallMenuHandler(Int16 menuStrResID, APIMenuCommandProc* handler);
GSErrCode ACAPI_SetPreferences(Int32 version, Int32 nByte, const void* data);
GSErrCode HostGetPreferences(Int32* version, Int32* nByte, void* data);
GSErrCode ACAPI_RegisterModelessWindow(Int32 referenceID, APIPaletteControlCallBackProc* callBackProc,
                                       Int32 controlFlags, const GS::Guid& guid);
GSErrCode HostUnregisterModelessWindow(Int32 referenceID);
// An empty slot answers 0: a report nobody shows is no failure of the caller's. The alert flag is an
// int, non-zero for yes: va_start needs a last named parameter that `...` would not promote.
GSErrCode HostReportMessage(const GS::UniString& format, int alert, ...);
GSErrCode HostGetCurrentWindow(API_WindowInfo* windowInfo);
GSErrCode HostGetSpecialFolder(Int32* folderKind, IO::Location* location);
GSErrCode HostSaveCurrentWindow(API_FileSavePars* fileSavePars, API_SavePars_Picture* picturePars);

// The add-on's own resource module, for every resource load; -1 when it has none.
GSResModule ACAPI_GetOwnResModule();

// Called on an abnormal termination (unload while running).
void ACAPI_SetDllTermHookProc(void (*hookProc)());

// The add-on's entry bodies, reached through the binding once the host's table has arrived.
Int32 DescribeAddOn(API_EnvirParams* envir);
GSErrCode RegisterCommands();
GSErrCode Initialize();
GSErrCode ShutDown();
