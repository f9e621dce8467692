#include "Container.hpp"

#include "ByteWriter.hpp"
#include "ResourceContainer.hpp"

#include <stdexcept>

namespace ResourceCompiler {

namespace {

// Offsets and sizes are 32-bit, so every byte of the section must lie below 4 GiB.
void CheckAddressable(std::size_t end) {
    if (end > 0xFFFFFFFFu)
        throw std::length_error("the resource section would be larger than 4 GiB");
}

std::uint32_t Offset(std::size_t value) {
    CheckAddressable(value);
    return static_cast<std::uint32_t>(value);
}

} // namespace

std::uint32_t FourCC(std::string_view code) {
    if (code.size() != 4)
        throw std::invalid_argument("a four-character code has four characters");
    std::uint32_t value = 0;
    for (const char c : code)
        value = value << 8 | static_cast<std::uint8_t>(c);
    return value;
}

std::vector<std::uint8_t> BuildContainer(const std::vector<CompiledResource>& resources) {
    // Names and data follow the directory, in resource order.
    ByteWriter tail;
    const std::size_t tailStart = RS::Section::HeaderSize + resources.size() * RS::Section::EntrySize;
    ByteWriter directory;
    for (const CompiledResource& resource : resources) {
        directory.U32(resource.type);
        directory.U32(static_cast<std::uint32_t>(resource.id));
        directory.U32(LanguageEnglishUS);
        if (resource.name.empty()) {
            directory.U32(0);
        } else {
            directory.U32(Offset(tailStart + tail.Size()));
            tail.CString(resource.name);
        }
        directory.U32(Offset(tailStart + tail.Size()));
        directory.U32(Offset(resource.data.size()));
        tail.Raw(resource.data);
    }

    ByteWriter section;
    for (const char c : RS::Section::Magic)
        section.U8(static_cast<std::uint8_t>(c));
    section.U32(RS::Section::Version);
    section.U32(Offset(resources.size()));
    section.U32(0);
    section.Raw(directory.Bytes());
    section.Raw(tail.Bytes());
    CheckAddressable(section.Size());
    return section.Bytes();
}

} // namespace ResourceCompiler
