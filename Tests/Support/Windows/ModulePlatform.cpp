#include "ModulePlatform.hpp"

#include <windows.h>

#include <filesystem>
#include <stdexcept>

namespace Testing::ModulePlatform {

// The altered search path lets the module find the host libraries beside it.
void* Load(const std::string& modulePath) {
    const HMODULE module =
        LoadLibraryExW(std::filesystem::path(modulePath).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr)
        throw std::runtime_error("cannot load module " + modulePath + ": error " +
                                 std::to_string(GetLastError()));
    return module;
}

namespace {

// Through void (*)(), the pointer type that converts to any other function pointer type.
template <typename Proc>
Proc* Ordinal(void* module, WORD ordinal) {
    const FARPROC found = GetProcAddress(static_cast<HMODULE>(module), MAKEINTRESOURCEA(ordinal));
    return reinterpret_cast<Proc*>(reinterpret_cast<void (*)()>(found));
}

} // namespace

Entries FindEntries(void* module) {
    return {Ordinal<GetExportedFuncAddrsProc>(module, 1), Ordinal<SetImportedFuncAddrsProc>(module, 2)};
}

void Unload(void* module) {
    FreeLibrary(static_cast<HMODULE>(module));
}

// Launches go through the system's ShellExecuteW to the browser the wine prefix names; the test
// prefix names a program that does nothing, and a launch test names a recorder of its own.
void ObserveLaunches(std::function<void(std::string_view url)>) {}

} // namespace Testing::ModulePlatform
