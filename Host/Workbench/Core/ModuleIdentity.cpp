#include "ModuleIdentity.hpp"

#include "HostText.hpp"

#include <filesystem>

namespace Workbench {

namespace {

UInt32 WordAt(std::span<const std::byte> bytes, std::size_t at) {
    UInt32 value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= std::to_integer<UInt32>(bytes[at + i]) << (8 * i);
    return value;
}

// The name with every character that is not safe in a file name on any system replaced by '_'.
std::string FileKey(const std::string& modulePath) {
    std::string name = PathText(PathFromText(modulePath).filename());
    for (char& c : name) {
        const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          c == '.' || c == '-' || c == '_';
        if (!safe)
            c = '_';
    }
    return "file-" + name;
}

} // namespace

ModuleIdentity IdentifyModule(std::optional<std::span<const std::byte>> mdid, const std::string& modulePath) {
    if (!mdid)
        return {FileKey(modulePath), {}};
    if (mdid->size() != 12 || WordAt(*mdid, 0) != 8)
        return {FileKey(modulePath), "its identity resource (MDID " +
                                         std::to_string(ModuleIdentityResourceId) +
                                         ") is not a byte count of 8 and two 32-bit ids"};
    // HexWord gives "0x4B41564C"; the key keeps the digits only.
    return {"mdid-" + HexWord(WordAt(*mdid, 4)).substr(2) + "-" + HexWord(WordAt(*mdid, 8)).substr(2), {}};
}

} // namespace Workbench
