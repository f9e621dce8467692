#pragma once

// Bounds-checked little-endian reads from untrusted bytes (module files, resource sections).

#include "RSHost.hpp"

#include <cstddef>
#include <cstdint>
#include <span>

namespace RS::Detail {

// Whether [offset, offset + size) lies inside `total` bytes; safe against overflow.
constexpr bool InRange(std::uint64_t offset, std::uint64_t size, std::uint64_t total) {
    return offset <= total && size <= total - offset;
}

// Callers check ranges first, with a message that says what is wrong; the check here only
// guarantees that a missed one can never read outside the buffer.
template <typename T>
T ReadLittleEndian(std::span<const std::byte> bytes, std::uint64_t offset) {
    if (!InRange(offset, sizeof(T), bytes.size()))
        throw Host::ResourceError("read past the end of the data");
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        value = static_cast<T>(value | static_cast<T>(std::to_integer<std::uint8_t>(bytes[offset + i]))
                                           << (8 * i));
    return value;
}

} // namespace RS::Detail
