#include "ModuleFile.hpp"

#include "ModuleLoader.hpp"

namespace Workbench {

namespace {

template <typename Proc>
Proc* FindExport(void* handle, const char* name) {
    return reinterpret_cast<Proc*>(Loader::Find(handle, name));
}

} // namespace

ModuleFile::ModuleFile(const std::string& filePath) : path(filePath) {
    std::string error;
    handle = Loader::Load(path, error);
    if (handle == nullptr)
        throw ModuleError("cannot load " + path + ": " + error);
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
    Loader::Unload(handle);
    handle = nullptr;
    getExportedFuncAddrs = nullptr;
    setImportedFuncAddrs = nullptr;
    return !Loader::IsLoaded(path);
}

RS::Host::ResourceFile ModuleFile::Resources() const {
    return Loader::Resources(handle, path);
}

} // namespace Workbench
