#pragma once

// The binding's module-global state, from process attach to process detach. Only the binding
// (and its own tests) see this; the add-on reaches the host through ACAPinc.hpp.

#include "ACAPI/APIdefs.hpp"
#include "RS/RS.hpp"
#include "Win32/Windows.hpp"

namespace HostBinding {

extern HostFunction HostFunctionTable[HostFunctionTableSlots];
extern bool HostTableReceived;
extern void* HostContext;
extern void* RegistrationContext;
extern HINSTANCE ModuleInstance;
extern WCHAR ModuleFilePath[MAX_PATH];
extern GSResModule ModuleResourceId;
static_assert(sizeof(WCHAR) == sizeof(GS::UniChar), "module paths are UTF-16 code units everywhere");
extern void (*DllTermHookProc)();

// The entry functions handed to the host; each refuses until the host's table has arrived.
Int32 EntryDescribeAddOn(API_EnvirParams* envir);
GSErrCode EntryRegisterCommands(void* registrationContext);
GSErrCode EntryInitialize(void* hostContext);
GSErrCode EntryShutDown();

void ProcessAttach(HINSTANCE instance);
void ProcessDetach();

} // namespace HostBinding

// The system's attach and detach notifications; on POSIX the ELF hooks deliver them.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
