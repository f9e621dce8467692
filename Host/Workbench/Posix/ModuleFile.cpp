#include "ModuleFile.hpp"

#include <dlfcn.h>

namespace Workbench {

namespace {

std::string LastLoaderError() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown loader error";
}

template <typename Proc>
Proc* FindExport(void* handle, const char* name) {
    return reinterpret_cast<Proc*>(dlsym(handle, name));
}

} // namespace

ModuleFile::ModuleFile(const std::string& filePath) : path(filePath) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
        throw ModuleError("cannot load " + path + ": " + LastLoaderError());
    getExportedFuncAddrs = FindExport<GetExportedFuncAddrsProc>(handle, "GetExportedFuncAddrs");
    setImportedFuncAddrs = FindExport<SetImportedFuncAddrsProc>(handle, "SetImportedFuncAddrs");
    const char* missing = getExportedFuncAddrs == nullptr   ? "GetExportedFuncAddrs"
                          : setImportedFuncAddrs == nullptr ? "SetImportedFuncAddrs"
                                                            : nullptr;
    if (missing != nullptr) {
        Close();
        throw ModuleError(path + " is not an add-on module: it does not export " + missing);
    }
}

ModuleFile::~ModuleFile() {
    Close();
}

bool ModuleFile::Close() {
    if (handle == nullptr)
        return true;
    dlclose(handle);
    handle = nullptr;
    getExportedFuncAddrs = nullptr;
    setImportedFuncAddrs = nullptr;
    void* stillThere = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (stillThere == nullptr)
        return true;
    dlclose(stillThere);
    return false;
}

// An ELF module's resources are in a section of its file, which the loader does not map.
RS::Host::ResourceFile ModuleFile::Resources() const {
    return RS::Host::ResourceFile::Load(path);
}

} // namespace Workbench
