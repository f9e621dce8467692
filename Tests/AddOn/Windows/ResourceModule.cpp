#include "ResourceModule.hpp"

#include <windows.h>

#include <filesystem>
#include <stdexcept>

// The instance of a PE module is its handle; LOAD_WITH_ALTERED_SEARCH_PATH finds the host library
// DLLs beside it.
void* LoadResourceModule(const std::string& path) {
    const HMODULE module =
        LoadLibraryExW(std::filesystem::path(path).wstring().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr)
        throw std::runtime_error("cannot load " + path + " (error " + std::to_string(GetLastError()) + ")");
    return module;
}
