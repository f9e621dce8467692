#include "ModuleLoader.hpp"

#include <dlfcn.h>

namespace Workbench::Loader {

void* Load(const std::string& path, std::string& error) {
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* text = dlerror();
        error = text != nullptr ? text : "unknown loader error";
    }
    return module;
}

void* Find(void* module, const char* name) {
    return dlsym(module, name);
}

void Unload(void* module) {
    dlclose(module);
}

bool IsLoaded(const std::string& path) {
    void* stillThere = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (stillThere == nullptr)
        return false;
    dlclose(stillThere);
    return true;
}

// An ELF module's resources are in a section of its file, which the loader does not map.
RS::Host::ResourceFile Resources(void*, const std::string& path) {
    return RS::Host::ResourceFile::Load(path);
}

} // namespace Workbench::Loader
