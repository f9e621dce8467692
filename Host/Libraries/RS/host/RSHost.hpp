#pragma once

// Host-side access to module resources, for the dialog library, the workbench and tests.

#include "RS/RS.hpp"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace RS::Host {

constexpr UInt32 LanguageEnglishUS = 1033;

constexpr UInt32 FourCC(const char (&code)[5]) {
    return UInt32(UInt8(code[0])) << 24 | UInt32(UInt8(code[1])) << 16 | UInt32(UInt8(code[2])) << 8 |
           UInt32(UInt8(code[3]));
}

class ResourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ResourceEntry {
    UInt32 type; // four-character code, e.g. FourCC("STRS")
    Int32 id;    // 0 for named resources
    UInt32 language;
    std::string name; // empty for numbered resources
    std::span<const std::byte> data;
};

// The resources of one module, read whole and checked once.
class ResourceFile {
public:
    // The resource section of an ELF module file. Throws ResourceError naming what is wrong:
    // unreadable file, not ELF, no resource section, or a section whose directory points
    // outside itself.
    static ResourceFile Load(const std::string& modulePath);
    // A resource container as the resource compiler writes it; throws ResourceError as Load.
    static ResourceFile FromContainer(std::span<const std::byte> container);
    // The resources of the module loaded at moduleInstance, as the platform's loader keeps them
    // (a resource section on ELF, the resource directory of a PE file). Throws ResourceError.
    static ResourceFile FromModule(void* moduleInstance);

    const std::vector<ResourceEntry>& Entries() const { return entries; }
    std::optional<std::span<const std::byte>> Find(UInt32 type, Int32 id,
                                                   UInt32 language = LanguageEnglishUS) const;
    std::optional<std::span<const std::byte>> FindNamed(UInt32 type, std::string_view name,
                                                        UInt32 language = LanguageEnglishUS) const;

private:
    static ResourceFile FromSection(std::vector<std::byte> section);

    std::shared_ptr<const std::vector<std::byte>> section; // the bytes every entry's data lies in
    std::vector<ResourceEntry> entries;
};

// Items of a 'STRS' resource, numbered from 1 (index 0 of the result is item 1).
// Throws ResourceError when the byte count does not match or a string is unterminated.
std::vector<std::string> ParseStringList(std::span<const std::byte> data);

// The resources of a module registered with RSInitModuleImageCache, or null.
const ResourceFile* FindModule(GSResModule resModule);

// Told of every cache call ("RSInitModuleImageCache", "RSRemoveModuleImageCache", "RS::ResModuleClosed").
using CallObserver = std::function<void(std::string_view call, GSResModule resModule)>;
void SetCallObserver(CallObserver observer);

} // namespace RS::Host
