#pragma once

// Finds one named section in the bytes of an ELF64 little-endian file.

#include <cstddef>
#include <span>
#include <string_view>

namespace RS::Detail {

// The section's bytes, a view into `file`. Throws Host::ResourceError saying what is wrong: not
// ELF, not 64-bit little-endian, headers or names outside the file, or no section of that name.
std::span<const std::byte> FindElfSection(std::span<const std::byte> file, std::string_view name);

} // namespace RS::Detail
