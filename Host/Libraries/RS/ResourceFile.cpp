#include "RSHost.hpp"

#include "ByteSpan.hpp"
#include "ElfSection.hpp"
#include "ResourceContainer.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace RS::Host {

namespace {

std::vector<std::byte> ReadWholeFile(const std::string& path) {
    // Asked before opening: Windows refuses to open a folder at all, and a FIFO's open would block.
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_type type = fs::status(path, error).type();
    if (type != fs::file_type::regular && type != fs::file_type::not_found && type != fs::file_type::none)
        throw ResourceError("not a regular file");
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file)
        throw ResourceError("cannot open the file");
    const std::streamoff size = file.tellg();
    if (size < 0 || !file.seekg(0))
        throw ResourceError("cannot read the file");
    std::vector<std::byte> bytes(static_cast<std::size_t>(size));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), size))
        throw ResourceError("cannot read the file");
    return bytes;
}

std::string DescribeType(UInt32 type) {
    std::string code;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>(type >> shift & 0xFF);
        if (!std::isprint(static_cast<unsigned char>(c)))
            return "type " + std::to_string(type);
        code += c;
    }
    return "'" + code + "'";
}

// The directory of a resource section, checked entry by entry against the section's bounds.
std::vector<ResourceEntry> ReadDirectory(std::span<const std::byte> section) {
    using Detail::InRange;
    using Detail::ReadLittleEndian;
    const auto size = section.size();
    if (size < Section::HeaderSize)
        throw ResourceError("the resource section is shorter than its " +
                            std::to_string(Section::HeaderSize) + "-byte header");
    if (!std::equal(
            std::begin(Section::Magic), std::end(Section::Magic), section.begin(),
            [](char expected, std::byte actual) { return std::to_integer<char>(actual) == expected; }))
        throw ResourceError("the resource section does not start with \"KVRS\"");
    const auto version = ReadLittleEndian<UInt32>(section, 4);
    if (version != Section::Version)
        throw ResourceError("resource section version " + std::to_string(version) + " is not supported");
    const auto count = ReadLittleEndian<UInt32>(section, 8);
    if (ReadLittleEndian<UInt32>(section, 12) != 0)
        throw ResourceError("the resource section's reserved header word is not zero");
    if (!InRange(Section::HeaderSize, UInt64(count) * Section::EntrySize, size))
        throw ResourceError("the resource directory of " + std::to_string(count) +
                            " entries runs past the end of the section");

    std::vector<ResourceEntry> entries;
    entries.reserve(count);
    for (UInt32 index = 0; index < count; ++index) {
        const std::size_t at = Section::HeaderSize + std::size_t(index) * Section::EntrySize;
        ResourceEntry entry{ReadLittleEndian<UInt32>(section, at),
                            static_cast<Int32>(ReadLittleEndian<UInt32>(section, at + 4)),
                            ReadLittleEndian<UInt32>(section, at + 8),
                            {},
                            {}};
        const auto nameOffset = ReadLittleEndian<UInt32>(section, at + 12);
        const auto dataOffset = ReadLittleEndian<UInt32>(section, at + 16);
        const auto dataSize = ReadLittleEndian<UInt32>(section, at + 20);
        const std::string what = "resource entry " + std::to_string(index) + " (" + DescribeType(entry.type) +
                                 " " + std::to_string(entry.id) + ")";
        if (nameOffset != 0) {
            if (nameOffset >= size)
                throw ResourceError(what + ": its name lies outside the section");
            const auto name = section.subspan(nameOffset);
            const auto end = std::find(name.begin(), name.end(), std::byte{0});
            if (end == name.end())
                throw ResourceError(what + ": its name is not terminated inside the section");
            std::transform(name.begin(), end, std::back_inserter(entry.name),
                           [](std::byte b) { return std::to_integer<char>(b); });
        }
        if (!InRange(dataOffset, dataSize, size))
            throw ResourceError(what + ": its data (offset " + std::to_string(dataOffset) + ", " +
                                std::to_string(dataSize) + " bytes) lies outside the section of " +
                                std::to_string(size) + " bytes");
        entry.data = section.subspan(dataOffset, dataSize);
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace

ResourceFile ResourceFile::FromContainer(std::span<const std::byte> container) {
    ResourceFile resources;
    resources.section = std::make_shared<const std::vector<std::byte>>(container.begin(), container.end());
    resources.entries = ReadDirectory(*resources.section);
    return resources;
}

ResourceFile ResourceFile::Load(const std::string& modulePath) {
    try {
        const std::vector<std::byte> file = ReadWholeFile(modulePath);
        return FromContainer(Detail::FindElfSection(file, Section::Name));
    } catch (const ResourceError& error) {
        throw ResourceError(modulePath + ": " + error.what());
    }
}

std::optional<std::span<const std::byte>> ResourceFile::Find(UInt32 type, Int32 id, UInt32 language) const {
    for (const ResourceEntry& entry : entries)
        if (entry.type == type && entry.id == id && entry.language == language && entry.name.empty())
            return entry.data;
    return std::nullopt;
}

std::optional<std::span<const std::byte>> ResourceFile::FindNamed(UInt32 type, std::string_view name,
                                                                  UInt32 language) const {
    for (const ResourceEntry& entry : entries)
        if (entry.type == type && entry.name == name && entry.language == language && !name.empty())
            return entry.data;
    return std::nullopt;
}

std::vector<std::string> ParseStringList(std::span<const std::byte> data) {
    if (data.size() < 4)
        throw ResourceError("the string list is shorter than its 4-byte count");
    const auto count = Detail::ReadLittleEndian<UInt32>(data, 0);
    const auto body = data.subspan(4);
    if (count != body.size())
        throw ResourceError("the string list counts " + std::to_string(count) + " bytes but holds " +
                            std::to_string(body.size()));
    if (!body.empty() && body.back() != std::byte{0})
        throw ResourceError("the string list ends inside an unterminated string");

    std::vector<std::string> items;
    for (auto start = body.begin(); start != body.end();) {
        const auto end = std::find(start, body.end(), std::byte{0});
        std::string& item = items.emplace_back();
        std::transform(start, end, std::back_inserter(item),
                       [](std::byte b) { return std::to_integer<char>(b); });
        start = end + 1;
    }
    return items;
}

} // namespace RS::Host
