#include "ElfSection.hpp"

#include "ByteSpan.hpp"

#include <algorithm>
#include <string>

namespace RS::Detail {

namespace {

// ELF64 file header fields, by offset.
constexpr std::size_t ElfHeaderSize = 64;
constexpr std::size_t ClassOffset = 4;
constexpr std::size_t DataOffset = 5;
constexpr std::size_t SectionTableOffset = 0x28;
constexpr std::size_t SectionHeaderSizeOffset = 0x3A;
constexpr std::size_t SectionCountOffset = 0x3C;
constexpr std::size_t NameTableIndexOffset = 0x3E;
constexpr std::uint8_t Class64 = 2;
constexpr std::uint8_t LittleEndianData = 1;

// ELF64 section header fields, by offset.
constexpr std::size_t SectionHeaderSize = 64;
constexpr std::size_t NameField = 0;
constexpr std::size_t TypeField = 4;
constexpr std::size_t OffsetField = 24;
constexpr std::size_t SizeField = 32;
constexpr std::size_t LinkField = 40;
constexpr std::uint32_t NoBitsType = 8;             // SHT_NOBITS: occupies no file space
constexpr std::uint16_t ExtendedNameIndex = 0xFFFF; // SHN_XINDEX: the index is in section 0's link

class SectionTable {
public:
    SectionTable(std::uint64_t size, const ReadAt& readAt) : fileSize(size), read(readAt) {
        static constexpr std::byte Magic[] = {std::byte{0x7F}, std::byte{'E'}, std::byte{'L'},
                                              std::byte{'F'}};
        const std::vector<std::byte> header = Read(0, std::min<std::uint64_t>(fileSize, ElfHeaderSize));
        if (header.size() < sizeof Magic || !std::equal(std::begin(Magic), std::end(Magic), header.begin()))
            throw Host::ResourceError("not an ELF file");
        if (header.size() < ElfHeaderSize)
            throw Host::ResourceError("truncated ELF header");
        if (std::to_integer<std::uint8_t>(header[ClassOffset]) != Class64)
            throw Host::ResourceError("not a 64-bit ELF file");
        if (std::to_integer<std::uint8_t>(header[DataOffset]) != LittleEndianData)
            throw Host::ResourceError("not a little-endian ELF file");

        tableOffset = ReadLittleEndian<std::uint64_t>(header, SectionTableOffset);
        entrySize = ReadLittleEndian<std::uint16_t>(header, SectionHeaderSizeOffset);
        if (tableOffset == 0)
            throw Host::ResourceError("the ELF file has no section headers");
        if (entrySize < SectionHeaderSize)
            throw Host::ResourceError("ELF section headers of " + std::to_string(entrySize) +
                                      " bytes are too small");
        if (!InRange(tableOffset, entrySize, fileSize))
            throw Host::ResourceError("the ELF section header table lies outside the file");

        // Files with many sections keep the count and the name-table index in section 0.
        count = ReadLittleEndian<std::uint16_t>(header, SectionCountOffset);
        nameTableIndex = ReadLittleEndian<std::uint16_t>(header, NameTableIndexOffset);
        if (count == 0 || nameTableIndex == ExtendedNameIndex) {
            table = Read(tableOffset, entrySize);
            if (count == 0)
                count = Field64(0, SizeField);
            if (nameTableIndex == ExtendedNameIndex)
                nameTableIndex = Field32(0, LinkField);
        }
        if (count > (fileSize - tableOffset) / entrySize)
            throw Host::ResourceError("the ELF section header table (" + std::to_string(count) +
                                      " sections) runs past the end of the file");
        if (nameTableIndex == 0 || nameTableIndex >= count)
            throw Host::ResourceError("the ELF file has no valid section name table");
        table = Read(tableOffset, count * entrySize);
        names = Contents(nameTableIndex, "the section name table");
    }

    std::vector<std::byte> Find(std::string_view wanted) const {
        for (std::uint64_t index = 0; index < count; ++index)
            if (NameIs(Field32(index, NameField), wanted))
                return Contents(index, "section " + std::string(wanted));
        throw Host::ResourceError("no section " + std::string(wanted));
    }

private:
    std::vector<std::byte> Read(std::uint64_t offset, std::uint64_t size) const {
        std::vector<std::byte> bytes(static_cast<std::size_t>(size));
        read(offset, bytes);
        return bytes;
    }

    std::uint32_t Field32(std::uint64_t index, std::size_t field) const {
        return ReadLittleEndian<std::uint32_t>(table, index * entrySize + field);
    }
    std::uint64_t Field64(std::uint64_t index, std::size_t field) const {
        return ReadLittleEndian<std::uint64_t>(table, index * entrySize + field);
    }

    std::vector<std::byte> Contents(std::uint64_t index, const std::string& what) const {
        if (Field32(index, TypeField) == NoBitsType)
            throw Host::ResourceError(what + " has no contents in the file");
        const std::uint64_t offset = Field64(index, OffsetField);
        const std::uint64_t size = Field64(index, SizeField);
        if (!InRange(offset, size, fileSize))
            throw Host::ResourceError(what + " (offset " + std::to_string(offset) + ", " +
                                      std::to_string(size) + " bytes) lies outside the file of " +
                                      std::to_string(fileSize) + " bytes");
        return Read(offset, size);
    }

    // A name that is out of range or unterminated never matches.
    bool NameIs(std::uint32_t offset, std::string_view wanted) const {
        if (!InRange(offset, wanted.size() + 1, names.size()))
            return false;
        for (std::size_t i = 0; i < wanted.size(); ++i)
            if (std::to_integer<char>(names[offset + i]) != wanted[i])
                return false;
        return names[offset + wanted.size()] == std::byte{0};
    }

    const std::uint64_t fileSize;
    const ReadAt& read;
    std::uint64_t tableOffset = 0;
    std::uint16_t entrySize = 0;
    std::uint64_t count = 0;
    std::uint64_t nameTableIndex = 0;
    std::vector<std::byte> table; // the section headers
    std::vector<std::byte> names;
};

} // namespace

std::vector<std::byte> ReadElfSection(std::uint64_t fileSize, const ReadAt& read, std::string_view name) {
    return SectionTable(fileSize, read).Find(name);
}

} // namespace RS::Detail
