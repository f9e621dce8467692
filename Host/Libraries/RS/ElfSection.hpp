#pragma once

// Reads one named section of an ELF64 little-endian file.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace RS::Detail {

// Fills `into` with the file's bytes from `offset`; asked only for ranges inside the file.
// Throws Host::ResourceError when the file cannot be read.
using ReadAt = std::function<void(std::uint64_t offset, std::span<std::byte> into)>;

// The section's bytes. Reads the file header, the section header table, the section name table
// and the section, nothing else: a module's resources are a small part of its file. Throws
// Host::ResourceError saying what is wrong: not ELF, not 64-bit little-endian, headers or names
// outside the file, or no section of that name.
std::vector<std::byte> ReadElfSection(std::uint64_t fileSize, const ReadAt& read, std::string_view name);

} // namespace RS::Detail
