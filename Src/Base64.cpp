#include "Base64.hpp"

#include <array>
#include <cstdint>

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Two output characters for every 12-bit value: a group of three bytes needs two lookups.
constexpr std::array<char, 2 * 4096> MakePairs() {
    std::array<char, 2 * 4096> pairs{};
    for (std::size_t value = 0; value < 4096; ++value) {
        pairs[2 * value] = Alphabet[value >> 6];
        pairs[2 * value + 1] = Alphabet[value & 0x3F];
    }
    return pairs;
}

constexpr std::array<char, 2 * 4096> Pairs = MakePairs();

inline char* PutPair(char* out, std::uint32_t twelveBits) {
    out[0] = Pairs[2 * twelveBits];
    out[1] = Pairs[2 * twelveBits + 1];
    return out + 2;
}

} // namespace

std::string Base64Encode(const unsigned char* bytes, std::size_t length) {
    std::string text;
    // One allocation at the final size; the loop then writes in place.
    text.resize(4 * ((length + 2) / 3));
    char* out = text.data();

    std::size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        const std::uint32_t group =
            std::uint32_t(bytes[i]) << 16 | std::uint32_t(bytes[i + 1]) << 8 | bytes[i + 2];
        out = PutPair(out, group >> 12);
        out = PutPair(out, group & 0xFFF);
    }
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
