// A module loaded by its full path finds the host library DLLs beside it, then the program's folder
// and the system's; never the current folder or PATH, where anyone may have put a DLL of that name.

#include "ModuleLoader.hpp"
#include "HostText.hpp"

#include <windows.h>

#include <filesystem>
#include <system_error>

namespace Workbench::Loader {

namespace {

std::wstring SystemPath(const std::string& path) {
    return std::filesystem::absolute(PathFromText(path)).wstring();
}

} // namespace

void* Load(const std::string& path, std::string& error) {
    HMODULE module = LoadLibraryExW(SystemPath(path).c_str(), nullptr,
                                    LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (module == nullptr) {
        const DWORD code = GetLastError();
        error =
            std::system_category().message(static_cast<int>(code)) + " (error " + std::to_string(code) + ")";
    }
    return module;
}

void* Find(void* module, const char* name) {
    // A FARPROC is a function pointer of another type: the cast through void* is the documented way.
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void Unload(void* module) {
    FreeLibrary(static_cast<HMODULE>(module));
}

bool IsLoaded(const std::string& path) {
    HMODULE stillThere = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, SystemPath(path).c_str(),
                              &stillThere);
}

// A PE module's resources are mapped with its image.
RS::Host::ResourceFile Resources(void* module, const std::string&) {
    return RS::Host::ResourceFile::FromModule(module);
}

} // namespace Workbench::Loader
