// The module through the system's loader. LOAD_WITH_ALTERED_SEARCH_PATH lets a module loaded by its
// full path find the host library DLLs beside it.

#include "ModuleFile.hpp"

#include <windows.h>

#include <filesystem>
#include <system_error>

namespace Workbench {

namespace {

std::string LastLoaderError() {
    const DWORD error = GetLastError();
    return std::system_category().message(static_cast<int>(error)) + " (error " + std::to_string(error) + ")";
}

template <typename Proc>
Proc* FindExport(void* handle, const char* name) {
    // A FARPROC is a function pointer of another type: the cast through void* is the documented way.
    return reinterpret_cast<Proc*>(
        reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name)));
}

std::wstring SystemPath(const std::string& path) {
    return std::filesystem::absolute(std::filesystem::path(path)).wstring();
}

} // namespace

ModuleFile::ModuleFile(const std::string& filePath) : path(filePath) {
    handle = LoadLibraryExW(SystemPath(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
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
    FreeLibrary(static_cast<HMODULE>(handle));
    handle = nullptr;
    getExportedFuncAddrs = nullptr;
    setImportedFuncAddrs = nullptr;
    HMODULE stillThere = nullptr;
    return !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, SystemPath(path).c_str(),
                               &stillThere);
}

// A PE module's resources are mapped with its image.
RS::Host::ResourceFile ModuleFile::Resources() const {
    return RS::Host::ResourceFile::FromModule(handle);
}

} // namespace Workbench
