#include "BindingState.hpp"

namespace HostBinding {

HostFunction HostFunctionTable[HostFunctionTableSlots] = {};
bool HostTableReceived = false;
void* HostContext = nullptr;
void* RegistrationContext = nullptr;
HINSTANCE ModuleInstance = nullptr;
WCHAR ModuleFilePath[MAX_PATH] = {};
GSResModule ModuleResourceId = InvalidResModule;
void (*DllTermHookProc)() = nullptr;

} // namespace HostBinding

GSResModule ACAPI_GetOwnResModule() {
    return HostBinding::ModuleResourceId;
}

void ACAPI_SetDllTermHookProc(void (*hookProc)()) {
    HostBinding::DllTermHookProc = hookProc;
}
