#include "Windows/ShellExecuteRedirection.hpp"

#include <tlhelp32.h>

#include <stdexcept>
#include <utility>

namespace Workbench {

namespace {

using ShellExecuteWProc = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);

const std::function<void(const wchar_t* file)>* observer = nullptr; // the live redirection's

// The shell stays loaded from here on, so that the address stays the real function's.
ShellExecuteWProc RealShellExecuteW() {
    static const auto real = reinterpret_cast<ShellExecuteWProc>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"shell32.dll"), "ShellExecuteW")));
    return real;
}

HINSTANCE WINAPI RedirectedShellExecuteW(HWND window, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters,
                                         LPCWSTR directory, INT show) {
    try {
        if (observer != nullptr)
            (*observer)(file);
    } catch (...) {
    }
    return RealShellExecuteW()(window, operation, file, parameters, directory, show);
}

template <typename Function>
std::uintptr_t AddressOf(Function* function) {
    return reinterpret_cast<std::uintptr_t>(reinterpret_cast<void*>(function));
}

void Point(std::uintptr_t* slot, std::uintptr_t at) {
    DWORD protection = 0;
    VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection);
    *slot = at;
    VirtualProtect(slot, sizeof(*slot), protection, &protection);
}

// The import slots of `image` that hold `function`.
std::vector<std::uintptr_t*> ImportSlots(HMODULE image, std::uintptr_t function) {
    auto* base = reinterpret_cast<BYTE*>(image);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<std::uintptr_t*> slots;
    if (imports.VirtualAddress == 0)
        return slots;
    for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         library->Name != 0; ++library) {
        for (auto* slot = reinterpret_cast<std::uintptr_t*>(base + library->FirstThunk); *slot != 0; ++slot) {
            if (*slot == function)
                slots.push_back(slot);
        }
    }
    return slots;
}

void Restore(std::uintptr_t* slot) {
    Point(slot, AddressOf(RealShellExecuteW()));
}

bool StillLoaded(HMODULE image, const void* within) {
    HMODULE found = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCWSTR>(within), &found) &&
           found == image;
}

} // namespace

ShellExecuteRedirection::ShellExecuteRedirection(std::function<void(const wchar_t* file)> launched)
    : launching(std::move(launched)) {
    if (observer != nullptr)
        throw std::logic_error("one redirection of ShellExecuteW at a time");
    observer = &launching;
}

ShellExecuteRedirection::~ShellExecuteRedirection() {
    for (const Entry& entry : redirected) {
        if (StillLoaded(entry.image, entry.slot))
            Restore(entry.slot);
    }
    observer = nullptr;
}

void ShellExecuteRedirection::Redirect(HMODULE image) {
    const ShellExecuteWProc real = RealShellExecuteW();
    if (real == nullptr)
        return;
    for (std::uintptr_t* slot : ImportSlots(image, AddressOf(real))) {
        Point(slot, AddressOf(&RedirectedShellExecuteW));
        redirected.push_back({image, slot});
    }
}

void ShellExecuteRedirection::RedirectLoadedImages() {
    const HANDLE images = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
    if (images == INVALID_HANDLE_VALUE)
        return;
    MODULEENTRY32W image{};
    image.dwSize = sizeof(image);
    for (BOOL more = Module32FirstW(images, &image); more; more = Module32NextW(images, &image))
        Redirect(image.hModule);
    CloseHandle(images);
}

void ShellExecuteRedirection::Undo(HMODULE image) {
    std::erase_if(redirected, [&](const Entry& entry) {
        if (entry.image != image)
            return false;
        Restore(entry.slot);
        return true;
    });
}

} // namespace Workbench
