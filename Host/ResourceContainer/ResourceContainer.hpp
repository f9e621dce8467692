#pragma once

// The container that carries a module's compiled resources in an ELF section of the module file.
// Written by the resource compiler, read by RS. All integers little-endian; offsets count from
// the start of the section.
//
//   header, 16 bytes:   "KVRS", u32 version (1), u32 entry count, u32 zero
//   entry, 24 bytes:    u32 type (four-character code, first character in the high byte),
//                       i32 id (0 for a named resource), u32 language,
//                       u32 name offset (of a zero-terminated name; 0 when numbered),
//                       u32 data offset, u32 data size
//   then the names and the data, anywhere inside the section.

#include <cstddef>
#include <cstdint>

namespace RS::Section {

constexpr const char* Name = KAVELO_RESOURCE_SECTION;
constexpr char Magic[4] = {'K', 'V', 'R', 'S'};
constexpr std::uint32_t Version = 1;
constexpr std::size_t HeaderSize = 16;
constexpr std::size_t EntrySize = 24;

} // namespace RS::Section
