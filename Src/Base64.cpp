#include "Base64.hpp"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The two output characters of every 12-bit value, as they lie in memory: a group of three bytes
// takes two lookups and one 4-byte store.
constexpr std::array<std::uint16_t, 4096> MakePairs() {
    std::array<std::uint16_t, 4096> pairs{};
    for (std::size_t value = 0; value < 4096; ++value) {
        const unsigned first = static_cast<unsigned char>(Alphabet[value >> 6]);
        const unsigned second = static_cast<unsigned char>(Alphabet[value & 0x3F]);
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

} // namespace

std::string Base64Encode(const unsigned char* bytes, std::size_t length) {
    std::string text;
    // One allocation at the final size; the loop then writes in place.
    text.resize(4 * ((length + 2) / 3));
    char* out = text.data();

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
        *out++ = Alphabet[b0 >> 2];
        *out++ = Alphabet[(b0 & 0x03) << 4];
        *out++ = '=';
        *out++ = '=';
    } else if (length - i == 2) {
        const std::uint32_t b0 = bytes[i];
        const std::uint32_t b1 = bytes[i + 1];
        *out++ = Alphabet[b0 >> 2];
        *out++ = Alphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
        *out++ = Alphabet[(b1 & 0x0F) << 2];
        *out++ = '=';
    }
    return text;
}

std::string Base64Encode(const std::string& bytes) {
    return Base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}
