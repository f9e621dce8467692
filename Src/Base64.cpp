#include "Base64.hpp"

#include "Base64Paths.hpp"

#include "GSRoot/Compiler.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

using Base64Paths::Base64Alphabet;

// The two output characters of every 12-bit value, as they lie in memory: a group of three bytes
// takes two lookups and one 4-byte store.
constexpr std::array<std::uint16_t, 4096> MakePairs() {
    std::array<std::uint16_t, 4096> pairs{};
    for (std::size_t value = 0; value < 4096; ++value) {
        const unsigned first = static_cast<unsigned char>(Base64Alphabet[value >> 6]);
        const unsigned second = static_cast<unsigned char>(Base64Alphabet[value & 0x3F]);
        pairs[value] = static_cast<std::uint16_t>(
            std::endian::native == std::endian::little ? first | second << 8 : first << 8 | second);
    }
    return pairs;
}

constexpr std::array<std::uint16_t, 4096> Pairs = MakePairs();

inline char* PutGroup(char* out, std::uint32_t group) {
    const std::uint16_t characters[2] = {Pairs[group >> 12], Pairs[group & 0xFFF]};
    std::memcpy(out, characters, sizeof(characters));
    return out + 4;
}

// Eight input bytes, the first in the top byte; compilers turn this into one load and a byte swap.
inline std::uint64_t LoadBigEndian(const unsigned char* bytes) {
    return std::uint64_t(bytes[0]) << 56 | std::uint64_t(bytes[1]) << 48 | std::uint64_t(bytes[2]) << 40 |
           std::uint64_t(bytes[3]) << 32 | std::uint64_t(bytes[4]) << 24 | std::uint64_t(bytes[5]) << 16 |
           std::uint64_t(bytes[6]) << 8 | std::uint64_t(bytes[7]);
}

// Six input bytes (the top 48 bits of word) become eight characters: four pair lookups and one
// 8-byte store.
inline char* PutSixBytes(char* out, std::uint64_t word) {
    const std::uint64_t p0 = Pairs[word >> 52 & 0xFFF];
    const std::uint64_t p1 = Pairs[word >> 40 & 0xFFF];
    const std::uint64_t p2 = Pairs[word >> 28 & 0xFFF];
    const std::uint64_t p3 = Pairs[word >> 16 & 0xFFF];
    const std::uint64_t characters = std::endian::native == std::endian::little
                                         ? p0 | p1 << 16 | p2 << 32 | p3 << 48
                                         : p0 << 48 | p1 << 32 | p2 << 16 | p3;
    std::memcpy(out, &characters, sizeof(characters));
    return out + 8;
}

// The whole encoding of length bytes, padding included; answers the end of what it wrote.
char* EncodeScalar(const unsigned char* bytes, std::size_t length, char* out) {
    std::size_t i = 0;
    // Twenty-four bytes a round, four independent lookup chains; the last 8-byte load reads two
    // bytes beyond them, hence the margin.
    for (; i + 26 <= length; i += 24) {
        out = PutSixBytes(out, LoadBigEndian(bytes + i));
        out = PutSixBytes(out, LoadBigEndian(bytes + i + 6));
        out = PutSixBytes(out, LoadBigEndian(bytes + i + 12));
        out = PutSixBytes(out, LoadBigEndian(bytes + i + 18));
    }
    for (; i + 3 <= length; i += 3)
        out = PutGroup(out, std::uint32_t(bytes[i]) << 16 | std::uint32_t(bytes[i + 1]) << 8 | bytes[i + 2]);
    if (length - i == 1) {
        const std::uint32_t b0 = bytes[i];
        *out++ = Base64Alphabet[b0 >> 2];
        *out++ = Base64Alphabet[(b0 & 0x03) << 4];
        *out++ = '=';
        *out++ = '=';
    } else if (length - i == 2) {
        const std::uint32_t b0 = bytes[i];
        const std::uint32_t b1 = bytes[i + 1];
        *out++ = Base64Alphabet[b0 >> 2];
        *out++ = Base64Alphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
        *out++ = Base64Alphabet[(b1 & 0x0F) << 2];
        *out++ = '=';
    }
    return out;
}

using VectorPath = std::size_t (*)(const unsigned char* bytes, std::size_t length, char* out);

VectorPath VectorPathOf(Base64Path path) {
    switch (path) {
    case Base64Path::Avx2:
        return Base64Paths::EncodeAvx2;
    case Base64Path::Avx512:
        return Base64Paths::EncodeAvx512;
    case Base64Path::Scalar:
        break;
    }
    return nullptr;
}

// What the processor has and the operating system keeps across task switches, read once.
struct VectorSupport {
    bool avx2 = false;
    bool avx512 = false;
};

VectorSupport ReadVectorSupport() {
    using GS::Compiler::Cpuid;
    constexpr std::uint32_t UsesXsave = 1u << 27, HasAvx = 1u << 28;
    const GS::Compiler::CpuidRegisters basic = Cpuid(1);
    if ((basic.ecx & (UsesXsave | HasAvx)) != (UsesXsave | HasAvx))
        return {};
    const std::uint64_t states = GS::Compiler::EnabledRegisterStates();
    constexpr std::uint64_t VectorStates = 0x6;        // XMM and YMM
    constexpr std::uint64_t Avx512States = 0xE0 | 0x6; // and the opmask and ZMM registers
    const GS::Compiler::CpuidRegisters extended = Cpuid(7);
    constexpr std::uint32_t Avx2 = 1u << 5, Avx512F = 1u << 16, Avx512BW = 1u << 30, Avx512Vbmi = 1u << 1;
    VectorSupport support;
    support.avx2 = (states & VectorStates) == VectorStates && (extended.ebx & Avx2) != 0;
    support.avx512 = (states & Avx512States) == Avx512States &&
                     (extended.ebx & (Avx512F | Avx512BW)) == (Avx512F | Avx512BW) &&
                     (extended.ecx & Avx512Vbmi) != 0;
    return support;
}

Base64Path FastestPath() {
    static const Base64Path fastest = IsBase64PathSupported(Base64Path::Avx512) ? Base64Path::Avx512
                                      : IsBase64PathSupported(Base64Path::Avx2) ? Base64Path::Avx2
                                                                                : Base64Path::Scalar;
    return fastest;
}

// The text is built a slice at a time in a buffer that stays in the first-level cache and appended
// to the reserved result: no zero-fill of the result before it is written.
constexpr std::size_t SliceBytes = 6144;
constexpr std::size_t SliceCharacters = SliceBytes / 3 * 4;
static_assert(SliceBytes % 48 == 0, "whole vector rounds in every slice but the last");

} // namespace

bool IsBase64PathSupported(Base64Path path) {
    static const VectorSupport support = ReadVectorSupport();
    switch (path) {
    case Base64Path::Scalar:
        return true;
    case Base64Path::Avx2:
        return support.avx2;
    case Base64Path::Avx512:
        return support.avx512;
    }
    return false;
}

std::string Base64Encode(const unsigned char* bytes, std::size_t length, Base64Path path) {
    // An unsupported path would stop the process on an illegal instruction.
    const VectorPath vector = IsBase64PathSupported(path) ? VectorPathOf(path) : nullptr;
    std::string text;
    // One allocation at the final size.
    text.reserve(4 * ((length + 2) / 3));
    char slice[SliceCharacters];
    for (std::size_t i = 0; i < length;) {
        const std::size_t count = std::min(SliceBytes, length - i);
        const std::size_t done = vector == nullptr ? 0 : vector(bytes + i, count, slice);
        char* end = EncodeScalar(bytes + i + done, count - done, slice + done / 3 * 4);
        text.append(slice, end);
        i += count;
    }
    return text;
}

std::string Base64Encode(const unsigned char* bytes, std::size_t length) {
    return Base64Encode(bytes, length, FastestPath());
}

std::string Base64Encode(const std::string& bytes) {
    return Base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}
