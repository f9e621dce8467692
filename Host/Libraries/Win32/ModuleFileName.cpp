#include "Win32/Windows.hpp"

#include "CallObserver.hpp"
#include "GSRootHost.hpp"

#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

namespace {

struct ModuleSearch {
    std::uintptr_t base = 0;
    std::uintptr_t pageSize = 0;
    std::size_t visited = 0;
    std::optional<std::string> path; // set when the module is found and its path is known
};

std::optional<std::string> MainProgramPath() {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::nullopt : std::optional(path.string());
}

// The loader keeps the name a library was opened by; a relative one is resolved against the
// current folder, and a name that names no file (the vDSO) gives no path.
std::optional<std::string> AbsolutePath(const char* name) {
    if (name == nullptr || name[0] == '\0') {
        return std::nullopt;
    }
    if (name[0] == '/') {
        return std::string(name);
    }
    const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(name, nullptr), &std::free);
    return resolved ? std::optional(std::string(resolved.get())) : std::nullopt;
}

// The first address of an object's mapping, the value dladdr reports as its base.
std::optional<std::uintptr_t> MappingStart(const dl_phdr_info& info, std::uintptr_t pageSize) {
    std::optional<std::uintptr_t> lowest;
    for (ElfW(Half) i = 0; i < info.dlpi_phnum; ++i) {
        if (info.dlpi_phdr[i].p_type == PT_LOAD) {
            lowest = std::min<std::uintptr_t>(lowest.value_or(UINTPTR_MAX), info.dlpi_phdr[i].p_vaddr);
        }
    }
    if (!lowest) {
        return std::nullopt;
    }
    return info.dlpi_addr + (*lowest & ~(pageSize - 1));
}

int VisitObject(dl_phdr_info* info, std::size_t /*size*/, void* data) {
    auto& search = *static_cast<ModuleSearch*>(data);
    const bool isMainProgram = search.visited++ == 0; // the loader lists the program first
    if (MappingStart(*info, search.pageSize) != search.base) {
        return 0;
    }
    search.path = isMainProgram ? MainProgramPath() : AbsolutePath(info->dlpi_name);
    return 1;
}

std::optional<std::string> ModulePath(HMODULE module) {
    if (module == nullptr) {
        return MainProgramPath();
    }
    ModuleSearch search;
    search.base = reinterpret_cast<std::uintptr_t>(module);
    search.pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    dl_iterate_phdr(VisitObject, &search);
    return search.path;
}

// Windows' contract: a buffer too small gets size - 1 units and a terminator, and the result is
// size; otherwise the result is the length without the terminator.
DWORD CopyTruncated(std::u16string_view text, LPWSTR buffer, DWORD size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t copied = std::min<std::size_t>(text.size(), size - 1);
    std::copy_n(text.begin(), copied, buffer);
    buffer[copied] = u'\0';
    return copied < text.size() ? size : static_cast<DWORD>(copied);
}

} // namespace

extern "C" DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
    // A Windows call reports failure by its result and never throws into its caller.
    try {
        const std::optional<std::string> path = ModulePath(module);
        Win32::ReportCall("GetModuleFileNameW", path.value_or(std::string()));
        if (!path || fileName == nullptr) {
            return 0;
        }
        return CopyTruncated(GS::Host::Utf8ToUtf16(*path), fileName, size);
    } catch (const std::exception&) {
        return 0;
    }
}
