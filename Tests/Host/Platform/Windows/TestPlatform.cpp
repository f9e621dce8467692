// The tests' system calls on Windows: LoadLibraryExW, sharing modes, named pipes, the process's
// handle count, VirtualProtect and the C runtime's heap.

#include "TestPlatform.hpp"

#include <malloc.h>
#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <system_error>

namespace HostTest {

namespace fs = std::filesystem;

namespace {

std::system_error LastError(const std::string& what) {
    return std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

} // namespace

// With the altered search path a library loaded by full path finds its sibling DLLs.
LoadedLibrary::LoadedLibrary(const fs::path& file)
    : handle(LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {
    if (handle == nullptr)
        throw LastError("cannot load " + file.string());
}

LoadedLibrary::~LoadedLibrary() {
    FreeLibrary(static_cast<HMODULE>(handle));
}

void* LoadedLibrary::Symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void* LoadedLibrary::Instance() const {
    return handle;
}

void* InstanceOf(const void* address) {
    HMODULE module = nullptr;
    const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    return address != nullptr && GetModuleHandleExW(flags, static_cast<LPCWSTR>(address), &module) ? module
                                                                                                   : nullptr;
}

DeniedAccess::DeniedAccess(const fs::path& denied, Denied what) : path(denied) {
    if (fs::is_directory(path)) {
        reason = "a sharing mode keeps no one out of a folder's files, and wine enforces no access lists";
        return;
    }
    const DWORD shared = what == Everything ? 0 : FILE_SHARE_READ;
    lock = CreateFileW(path.c_str(), GENERIC_READ, shared, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (lock == INVALID_HANDLE_VALUE)
        throw LastError("cannot open " + path.string());
}

DeniedAccess::~DeniedAccess() {
    if (reason.empty())
        CloseHandle(lock);
}

NamedPipe::NamedPipe(const fs::path&)
    : path(L"\\\\.\\pipe\\kavelo-test-" + std::to_wstring(GetCurrentProcessId())) {
    server = CreateNamedPipeW(path.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0,
                              nullptr);
    if (server == INVALID_HANDLE_VALUE)
        throw LastError("cannot make the pipe " + path.string());
}

NamedPipe::~NamedPipe() {
    CloseHandle(server);
}

fs::path NullDevice() {
    return L"NUL";
}

// GetProcessHandleCount answers 0 under wine; handles are multiples of four, the lowest free one
// given first, so a test program's few (well under a thousand) lie below the bound.
std::size_t OpenHandleCount() {
    constexpr std::uintptr_t Bound = 4 * 1024;
    std::size_t count = 0;
    DWORD flags = 0;
    for (std::uintptr_t value = 4; value < Bound; value += 4)
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    return count;
}

GuardedBytes::GuardedBytes(std::size_t size) {
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const std::size_t page = system.dwPageSize;
    const std::size_t readable = (size + page - 1) / page * page;
    mappingSize = readable + page;
    mapping = VirtualAlloc(nullptr, mappingSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (mapping == nullptr)
        throw LastError("VirtualAlloc");
    auto* guard = static_cast<unsigned char*>(mapping) + readable;
    DWORD previous = 0;
    if (!VirtualProtect(guard, page, PAGE_NOACCESS, &previous)) {
        const std::system_error error = LastError("VirtualProtect");
        VirtualFree(mapping, 0, MEM_RELEASE);
        throw error;
    }
    bytes = {guard - size, size};
}

GuardedBytes::~GuardedBytes() {
    VirtualFree(mapping, 0, MEM_RELEASE);
}

std::size_t HeapBytesInUse() {
    _HEAPINFO entry{};
    std::size_t used = 0;
    while (_heapwalk(&entry) == _HEAPOK)
        used += entry._useflag == _USEDENTRY ? entry._size : 0;
    return used;
}

} // namespace HostTest
