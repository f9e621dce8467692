// A PE module's resources, as the resource compiler has the linker place them: each one under its
// four-character type name, its number or name, and its language.

#include "RSHost.hpp"

#include <windows.h>

#include <string>
#include <vector>

namespace RS::Host {

namespace {

struct Found {
    UInt32 type;
    Int32 id;
    std::string name;
    UInt32 language;
    std::span<const std::byte> data; // inside the loaded module's image
};

struct Search {
    HMODULE module;
    std::vector<Found> found;
    UInt32 type = 0; // of the names being enumerated
};

// Resource names here are plain ASCII, written by the resource compiler.
std::string Narrow(LPCWSTR text) {
    std::string narrow;
    for (; *text != L'\0'; ++text)
        narrow += static_cast<char>(*text);
    return narrow;
}

BOOL CALLBACK OnLanguage(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR context) {
    auto& search = *reinterpret_cast<Search*>(context);
    const HRSRC resource = FindResourceExW(module, type, name, language);
    const HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr)
        return TRUE;
    Found entry{search.type,
                0,
                {},
                language,
                std::span(static_cast<const std::byte*>(bytes), SizeofResource(module, resource))};
    if (IS_INTRESOURCE(name))
        entry.id = static_cast<Int32>(reinterpret_cast<ULONG_PTR>(name));
    else
        entry.name = Narrow(name);
    search.found.push_back(std::move(entry));
    return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR context) {
    EnumResourceLanguagesW(module, type, name, OnLanguage, context);
    return TRUE;
}

// Only the four-character types are the module's own; others (a version record) are the system's.
BOOL CALLBACK OnType(HMODULE module, LPWSTR type, LONG_PTR context) {
    if (IS_INTRESOURCE(type) || std::wstring_view(type).size() != 4)
        return TRUE;
    auto& search = *reinterpret_cast<Search*>(context);
    const std::string code = Narrow(type);
    search.type = FourCC({code[0], code[1], code[2], code[3], '\0'});
    EnumResourceNamesW(module, type, OnName, context);
    return TRUE;
}

} // namespace

ResourceFile ResourceFile::FromModule(void* moduleInstance) {
    // Any other address would send the resource calls into memory that holds no module image.
    HMODULE module = nullptr;
    const DWORD lookup =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (moduleInstance == nullptr ||
        !GetModuleHandleExW(lookup, static_cast<LPCWSTR>(moduleInstance), &module))
        throw ResourceError("no loaded module lies at the given instance address");
    Search search{module, {}, 0};
    if (!EnumResourceTypesW(search.module, OnType, reinterpret_cast<LONG_PTR>(&search)))
        throw ResourceError("the module has no resources (error " + std::to_string(GetLastError()) + ")");

    // Copied out of the image, as the ELF section is: a ResourceFile outlives the module's unloading.
    std::size_t total = 0;
    for (const Found& entry : search.found)
        total += entry.data.size();
    auto bytes = std::make_shared<std::vector<std::byte>>();
    bytes->reserve(total);
    ResourceFile resources;
    for (const Found& entry : search.found) {
        const std::size_t at = bytes->size();
        bytes->insert(bytes->end(), entry.data.begin(), entry.data.end());
        resources.entries.push_back({entry.type, entry.id, entry.language, entry.name,
                                     std::span<const std::byte>(bytes->data() + at, entry.data.size())});
    }
    resources.section = std::move(bytes);
    return resources;
}

} // namespace RS::Host
