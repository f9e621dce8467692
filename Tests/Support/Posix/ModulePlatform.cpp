#include "ModulePlatform.hpp"

#include "Win32Host.hpp"

#include <dlfcn.h>

#include <cstdlib>
#include <stdexcept>

namespace Testing::ModulePlatform {

void* Load(const std::string& modulePath) {
    void* module = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
        throw std::runtime_error(std::string("cannot load module: ") + dlerror());
    return module;
}

Entries FindEntries(void* module) {
    return {reinterpret_cast<GetExportedFuncAddrsProc*>(dlsym(module, "GetExportedFuncAddrs")),
            reinterpret_cast<SetImportedFuncAddrsProc*>(dlsym(module, "SetImportedFuncAddrs"))};
}

void Unload(void* module) {
    dlclose(module);
}

// The stand-in ShellExecuteW reports each launch; the program it starts is one that does nothing.
void ObserveLaunches(std::function<void(std::string_view url)> launched) {
    setenv("BROWSER", "/bin/true", 1);
    if (!launched) {
        Win32::Host::SetCallObserver(nullptr);
        return;
    }
    Win32::Host::SetCallObserver([launched](std::string_view call, std::string_view argument) {
        if (call == "ShellExecuteW")
            launched(argument);
    });
}

} // namespace Testing::ModulePlatform
