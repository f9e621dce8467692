#pragma once

// Zero-terminated text buffers from GS::MemoryManager, shared by String and UniString. Empty text
// points at one shared terminator, so empty and moved-from strings hold no block.

#include "GSRoot/Definitions.hpp"
#include "GSRoot/MemoryManager.hpp"
#include "UniStringAccess.hpp"

#include <cstddef>
#include <cstring>
#include <stdexcept>

namespace GS::TextBuffer {

// The longest text whose length and terminator still fit in a USize.
constexpr USize MaxLength = MaxUSize - 1;

inline USize CheckedLength(std::size_t length) {
    if (length > MaxLength) {
        throw std::length_error("GS string: text longer than 4 GiB - 2 characters");
    }
    return static_cast<USize>(length);
}

template <typename Char>
Char* Empty() {
    static Char terminator[1] = {}; // never written: every writer allocates its own buffer first
    return terminator;
}

// Room for count characters and a terminator; throws std::bad_alloc when the allocator fails.
template <typename Char>
Char* Allocate(USize count) {
    const std::size_t bytes = (std::size_t(CheckedLength(count)) + 1) * sizeof(Char);
    return static_cast<Char*>(MemoryManager::Allocate(bytes, MemoryManager::ThrowOnFailure, false));
}

// Room for count bytes, the terminator and the read-ahead, all but the text zero-filled.
inline char* AllocateAscii(USize count) {
    const std::size_t bytes = std::size_t(CheckedLength(count)) + 1 + UniStringAccess::ReadAhead;
    char* buffer = static_cast<char*>(MemoryManager::Allocate(bytes, MemoryManager::ThrowOnFailure, false));
    std::memset(buffer + count, 0, 1 + UniStringAccess::ReadAhead);
    return buffer;
}

template <typename Char>
Char* Copy(const Char* text, USize count) {
    if (count == 0) {
        return Empty<Char>();
    }
    if (text == nullptr) {
        throw std::invalid_argument("GS string: null text with a non-zero length");
    }
    Char* buffer = Allocate<Char>(count);
    std::memcpy(buffer, text, std::size_t(count) * sizeof(Char));
    buffer[count] = Char();
    return buffer;
}

template <typename Char>
void Release(Char* text) {
    if (text != Empty<Char>()) {
        MemoryManager::Free(text);
    }
}

} // namespace GS::TextBuffer
