#include "Windows/ImportRedirection.hpp"

#include <tlhelp32.h>

namespace Workbench {

namespace {

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
    if (imports.VirtualAddress == 0 || function == 0)
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

bool StillLoaded(HMODULE image, const void* within) {
    HMODULE found = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCWSTR>(within), &found) &&
           found == image;
}

} // namespace

ImportRedirection::ImportRedirection(const void* function, const void* redirectedTo)
    : original(reinterpret_cast<std::uintptr_t>(function)),
      replacement(reinterpret_cast<std::uintptr_t>(redirectedTo)) {}

ImportRedirection::~ImportRedirection() {
    for (const Entry& entry : redirected) {
        if (StillLoaded(entry.image, entry.slot))
            Point(entry.slot, original);
    }
}

void ImportRedirection::Redirect(HMODULE image) {
    for (std::uintptr_t* slot : ImportSlots(image, original)) {
        Point(slot, replacement);
        redirected.push_back({image, slot});
    }
}

void ImportRedirection::RedirectLoadedImages() {
    const HANDLE images = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
    if (images == INVALID_HANDLE_VALUE)
        return;
    MODULEENTRY32W image{};
    image.dwSize = sizeof(image);
    for (BOOL more = Module32FirstW(images, &image); more; more = Module32NextW(images, &image))
        Redirect(image.hModule);
    CloseHandle(images);
}

void ImportRedirection::Undo(HMODULE image) {
    std::erase_if(redirected, [&](const Entry& entry) {
        if (entry.image != image)
            return false;
        Point(entry.slot, original);
        return true;
    });
}

} // namespace Workbench
