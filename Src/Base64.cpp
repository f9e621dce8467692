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

} // namespace

std::string Base64Encode(const unsigned char* bytes, std::size_t length) {
    std::string text;
    // One allocation at the final size; the loop then writes in place.
    text.resize(4 * ((length + 2) / 3));
    char* out = text.data();

    std::size_t i = 0;
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
