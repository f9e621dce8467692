#pragma once

// Zero-terminated text buffers from GS::MemoryManager, shared by String and UniString. Empty text
// points at one shared terminator, so empty and moved-from strings hold no block.

#include "GSRoot/Definitions.hpp"
#include "GSRoot/MemoryManager.hpp"
#include "UniStringAccess.hpp"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <new>
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

// ASCII text and the bytes of a CStr live in counted blocks, which never change once written: a
// CStr of a whole ASCII string shares its bytes instead of copying them. The count sits in front.
struct SharedHeader {
    std::atomic<UInt64> references;
    UInt64 unused; // keeps the text 16-byte aligned
};

inline SharedHeader* HeaderOf(char* text) {
    return reinterpret_cast<SharedHeader*>(text) - 1;
}

// Room for count bytes, the terminator and the read-ahead, all but the text zero-filled; one
// reference.
inline char* AllocateShared(USize count) {
    const std::size_t bytes =
        sizeof(SharedHeader) + std::size_t(CheckedLength(count)) + 1 + UniStringAccess::ReadAhead;
    auto* header =
        ::new (MemoryManager::Allocate(bytes, MemoryManager::ThrowOnFailure, false)) SharedHeader{{1}, 0};
    char* text = reinterpret_cast<char*>(header + 1);
    std::memset(text + count, 0, 1 + UniStringAccess::ReadAhead);
    return text;
}

inline char* Share(char* text) {
    HeaderOf(text)->references.fetch_add(1, std::memory_order_relaxed);
    return text;
}

// Empty text is the shared terminator, which holds no block.
inline void ReleaseShared(char* text) {
    if (text == Empty<char>()) {
        return;
    }
    SharedHeader* header = HeaderOf(text);
    if (header->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        header->~SharedHeader();
        MemoryManager::Free(header);
    }
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
