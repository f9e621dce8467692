#include "BindingState.hpp"
#include "GSRoot/DBPrintf.hpp"

namespace HostBinding {

void ProcessAttach(HINSTANCE instance) {
    // Registered for the host's file dialogs; the add-on never needs the number itself.
    RegisterWindowMessageW(TEXT("commdlg_FileNameOK"));
    ModuleInstance = instance;
    // A path cut to the buffer is another file's path, and Windows XP leaves it without a terminator:
    // the module's file then stays unnamed rather than misnamed.
    const DWORD length = GetModuleFileNameW(ModuleInstance, ModuleFilePath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        ModuleFilePath[0] = 0;
    ModuleResourceId = RSInitModuleImageCache(ModuleInstance);
}

void ProcessDetach() {
    if (ModuleResourceId != InvalidResModule) {
        RSRemoveModuleImageCache(ModuleResourceId);
        RS::ResModuleClosed(ModuleResourceId);
    }
    ModuleResourceId = InvalidResModule;

    if (HostContext != nullptr) {
        DBPrintf("Abnormal add-on termination (\"%s\")",
                 GS::UniString(reinterpret_cast<const GS::UniChar*>(ModuleFilePath)).ToCStr().Get());
        if (DllTermHookProc != nullptr) {
            DBPrintf(", calling custom DllTermHookProc\n");
            DllTermHookProc();
        } else {
            DBPrintf("\n");
        }
        HostContext = nullptr;
    }
}

} // namespace HostBinding

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        HostBinding::ProcessAttach(instance);
        break;
    case DLL_PROCESS_DETACH:
        HostBinding::ProcessDetach();
        break;
    default:
        break;
    }
    return TRUE;
}
