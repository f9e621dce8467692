#pragma once

// Hand-made module files for the RS tests: little-endian byte helpers, a resource container
// builder and a minimal ELF64 writer, so that every field can be bent on purpose.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace RSTest {

using Bytes = std::vector<std::byte>;

inline void PutLE(Bytes& out, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<std::byte>(value >> (8 * i) & 0xFF));
}

inline void PokeLE(Bytes& bytes, std::size_t offset, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i)
        bytes.at(offset + static_cast<std::size_t>(i)) = static_cast<std::byte>(value >> (8 * i) & 0xFF);
}

inline Bytes Text(std::string_view text) {
    Bytes out;
    for (const char c : text)
        out.push_back(static_cast<std::byte>(c));
    return out;
}

inline void Append(Bytes& out, const Bytes& tail) {
    out.insert(out.end(), tail.begin(), tail.end());
}

// A 'STRS' resource: the byte count, then each item zero-terminated.
inline Bytes StringList(const std::vector<std::string>& items) {
    Bytes body;
    for (const std::string& item : items) {
        Append(body, Text(item));
        body.push_back(std::byte{0});
    }
    Bytes out;
    PutLE(out, body.size(), 4);
    Append(out, body);
    return out;
}

constexpr std::uint32_t Code(const char (&code)[5]) {
    return std::uint32_t(std::uint8_t(code[0])) << 24 | std::uint32_t(std::uint8_t(code[1])) << 16 |
           std::uint32_t(std::uint8_t(code[2])) << 8 | std::uint32_t(std::uint8_t(code[3]));
}

// The resource container: "KVRS", version 1, count, zero; 24-byte entries; names; data.
class ContainerBuilder {
public:
    static constexpr std::size_t HeaderSize = 16;
    static constexpr std::size_t EntrySize = 24;
    // Field offsets inside an entry, for tests that bend them.
    static constexpr std::size_t NameOffsetField = 12;
    static constexpr std::size_t DataOffsetField = 16;
    static constexpr std::size_t DataSizeField = 20;

    ContainerBuilder& Add(std::uint32_t type, std::int32_t id, Bytes data, std::uint32_t language = 1033) {
        entries.push_back({type, id, language, {}, std::move(data)});
        return *this;
    }

    ContainerBuilder& AddNamed(std::uint32_t type, std::string name, Bytes data,
                               std::uint32_t language = 1033) {
        entries.push_back({type, 0, language, std::move(name), std::move(data)});
        return *this;
    }

    Bytes Build() const {
        Bytes out = Text("KVRS");
        PutLE(out, 1, 4);
        PutLE(out, entries.size(), 4);
        PutLE(out, 0, 4);
        Bytes tail;
        const std::size_t tailStart = HeaderSize + entries.size() * EntrySize;
        for (const Entry& entry : entries) {
            PutLE(out, entry.type, 4);
            PutLE(out, static_cast<std::uint32_t>(entry.id), 4);
            PutLE(out, entry.language, 4);
            if (entry.name.empty()) {
                PutLE(out, 0, 4);
            } else {
                PutLE(out, tailStart + tail.size(), 4);
                Append(tail, Text(entry.name));
                tail.push_back(std::byte{0});
            }
            PutLE(out, tailStart + tail.size(), 4);
            PutLE(out, entry.data.size(), 4);
            Append(tail, entry.data);
        }
        Append(out, tail);
        return out;
    }

    static std::size_t EntryField(std::size_t index, std::size_t field) {
        return HeaderSize + index * EntrySize + field;
    }

    struct Entry {
        std::uint32_t type;
        std::int32_t id;
        std::uint32_t language;
        std::string name;
        Bytes data;
    };
    const std::vector<Entry>& Entries() const { return entries; }

private:
    std::vector<Entry> entries;
};

// A minimal ELF64 little-endian shared object: header, section contents, then the section header
// table (null section, the given sections, ".shstrtab" last).
struct ElfSection {
    std::string name;
    Bytes data;
    std::uint32_t type = 1; // SHT_PROGBITS
};

struct ElfImage {
    static constexpr std::size_t HeaderSize = 64;
    static constexpr std::size_t SectionHeaderSize = 64;
    // File header fields.
    static constexpr std::size_t ClassField = 4;
    static constexpr std::size_t DataField = 5;
    static constexpr std::size_t SectionTableField = 0x28;
    static constexpr std::size_t SectionHeaderSizeField = 0x3A;
    static constexpr std::size_t SectionCountField = 0x3C;
    static constexpr std::size_t NameTableIndexField = 0x3E;
    // Section header fields.
    static constexpr std::size_t NameField = 0;
    static constexpr std::size_t TypeField = 4;
    static constexpr std::size_t OffsetField = 24;
    static constexpr std::size_t SizeField = 32;
    static constexpr std::size_t LinkField = 40;

    Bytes bytes;
    std::size_t sectionTable = 0;

    // Index 0 is the null section; the given sections follow from 1.
    std::size_t SectionField(std::size_t index, std::size_t field) const {
        return sectionTable + index * SectionHeaderSize + field;
    }
};

inline ElfImage BuildElf(const std::vector<ElfSection>& sections) {
    std::vector<ElfSection> all = sections;
    Bytes names{std::byte{0}};
    std::vector<std::size_t> nameOffsets;
    all.push_back({".shstrtab", {}, 3}); // SHT_STRTAB
    for (const ElfSection& section : all) {
        nameOffsets.push_back(names.size());
        Append(names, Text(section.name));
        names.push_back(std::byte{0});
    }
    all.back().data = names;

    ElfImage image;
    Bytes& out = image.bytes;
    Append(out, Bytes{std::byte{0x7F}, std::byte{'E'}, std::byte{'L'}, std::byte{'F'}, std::byte{2},
                      std::byte{1}, std::byte{1}});
    out.resize(16);
    PutLE(out, 3, 2);  // ET_DYN
    PutLE(out, 62, 2); // EM_X86_64
    PutLE(out, 1, 4);  // EV_CURRENT
    out.resize(ElfImage::HeaderSize);
    PokeLE(out, 0x34, ElfImage::HeaderSize, 2);

    std::vector<std::size_t> offsets;
    for (const ElfSection& section : all) {
        offsets.push_back(section.type == 8 ? 0 : out.size()); // SHT_NOBITS has no file bytes
        if (section.type != 8)
            Append(out, section.data);
    }
    while (out.size() % 8 != 0)
        out.push_back(std::byte{0});

    image.sectionTable = out.size();
    out.resize(out.size() + ElfImage::SectionHeaderSize); // the null section
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::size_t start = out.size();
        out.resize(start + ElfImage::SectionHeaderSize);
        PokeLE(out, start + ElfImage::NameField, nameOffsets[i], 4);
        PokeLE(out, start + ElfImage::TypeField, all[i].type, 4);
        PokeLE(out, start + ElfImage::OffsetField, offsets[i], 8);
        PokeLE(out, start + ElfImage::SizeField, all[i].data.size(), 8);
    }
    PokeLE(out, ElfImage::SectionTableField, image.sectionTable, 8);
    PokeLE(out, ElfImage::SectionHeaderSizeField, ElfImage::SectionHeaderSize, 2);
    PokeLE(out, ElfImage::SectionCountField, all.size() + 1, 2);
    PokeLE(out, ElfImage::NameTableIndexField, all.size(), 2);
    return image;
}

} // namespace RSTest
