#include "ResourceModule.hpp"

#include <dlfcn.h>

#include <stdexcept>

// The instance of an ELF module is an address inside it.
void* LoadResourceModule(const std::string& path) {
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
        throw std::runtime_error(dlerror());
    Dl_info info{};
    dladdr(dlsym(module, "GetExportedFuncAddrs"), &info);
    return info.dli_fbase;
}
