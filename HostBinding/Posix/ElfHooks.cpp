// Process attach and detach for an ELF shared object. This unit is linked last into the module:
// the loader runs constructors in link order, so attach follows every static initialisation of the
// module, and destructor functions run before the module's static objects are destroyed.

#include "BindingState.hpp"

#include <dlfcn.h>

namespace __gnu_cxx {
void __freeres(); // releases the C++ runtime's own buffers
}

namespace {

const char ModuleAnchor = 0;

HINSTANCE OwnBaseAddress() {
    Dl_info info{};
    if (dladdr(&ModuleAnchor, &info) == 0)
        return nullptr;
    return info.dli_fbase;
}

__attribute__((constructor)) void ProcessAttachHook() {
    DllMain(OwnBaseAddress(), DLL_PROCESS_ATTACH, nullptr);
}

__attribute__((destructor)) void ProcessDetachHook() {
    DllMain(OwnBaseAddress(), DLL_PROCESS_DETACH, nullptr);
    // The module carries its own copy of the C++ runtime, whose exception buffer would otherwise
    // stay behind when the module is unloaded.
    __gnu_cxx::__freeres();
}

} // namespace
