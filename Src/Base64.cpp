#include "Base64.hpp"

#include <immintrin.h>

#include <algorithm>
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
    return out;
}

// A vector path encodes whole groups from the start of its input, reading nothing past length,
// and answers how many bytes it took (a multiple of three); the scalar path does the rest.
using VectorPath = std::size_t (*)(const unsigned char* bytes, std::size_t length, char* out);

// Twenty-four bytes, twelve in each 128-bit lane, become thirty-two characters.
[[gnu::target("avx2")]] std::size_t EncodeAvx2(const unsigned char* bytes, std::size_t length, char* out) {
    // Each 32-bit unit of a lane gets the bytes b1 b0 b2 b1 of its group, so that the four 6-bit
    // fields can be moved into place by two 16-bit multiplications.
    const __m256i spread = _mm256_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10, //
                                            1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10);
    // What to add to each 6-bit value, by its range: A-Z, a-z, 0-9 (ten entries), '+', '/'.
    const __m256i offsets =
        _mm256_setr_epi8(65, 71, -4, -4, -4, -4, -4, -4, -4, -4, -4, -4, -19, -16, 0, 0, //
                         65, 71, -4, -4, -4, -4, -4, -4, -4, -4, -4, -4, -19, -16, 0, 0);
    std::size_t i = 0;
    // The upper lane's 16-byte load starts 12 bytes in, hence the margin.
    for (; i + 28 <= length; i += 24, out += 32) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i + 12));
        const __m256i groups = _mm256_shuffle_epi8(_mm256_set_m128i(high, low), spread);
        const __m256i fields0 = _mm256_mulhi_epu16(_mm256_and_si256(groups, _mm256_set1_epi32(0x0FC0FC00)),
                                                   _mm256_set1_epi32(0x04000040));
        const __m256i fields1 = _mm256_mullo_epi16(_mm256_and_si256(groups, _mm256_set1_epi32(0x003F03F0)),
                                                   _mm256_set1_epi32(0x01000010));
        const __m256i values = _mm256_or_si256(fields0, fields1);
        __m256i range = _mm256_subs_epu8(values, _mm256_set1_epi8(51));
        range = _mm256_sub_epi8(range, _mm256_cmpgt_epi8(values, _mm256_set1_epi8(25)));
        const __m256i text = _mm256_add_epi8(values, _mm256_shuffle_epi8(offsets, range));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), text);
    }
    return i;
}

// Forty-eight bytes become sixty-four characters: one byte permutation spreads the groups, one
// multishift cuts the 6-bit fields, one permutation through the alphabet maps them.
[[gnu::target("avx512f,avx512bw,avx512vbmi")]] std::size_t EncodeAvx512(const unsigned char* bytes,
                                                                        std::size_t length, char* out) {
    const __m512i spread = _mm512_setr_epi32(
        0x01020001, 0x04050304, 0x07080607, 0x0A0B090A, 0x0D0E0C0D, 0x10110F10, 0x13141213, 0x16171516,
        0x191A1819, 0x1C1D1B1C, 0x1F201E1F, 0x22232122, 0x25262425, 0x28292728, 0x2B2C2A2B, 0x2E2F2D2E);
    const __m512i shifts = _mm512_set1_epi64(0x3036242A1016040A);
    const __m512i alphabet = _mm512_loadu_si512(Alphabet);
    constexpr __mmask64 FortyEightBytes = (__mmask64(1) << 48) - 1;
    // The zero-masking forms with every lane selected: GCC 12's unmasked ones leave a source
    // undefined, which its own warnings then flag.
    constexpr __mmask64 Every = ~__mmask64(0);
    std::size_t i = 0;
    for (; i + 48 <= length; i += 48, out += 64) {
        const __m512i input = _mm512_maskz_loadu_epi8(FortyEightBytes, bytes + i);
        const __m512i groups = _mm512_maskz_permutexvar_epi8(Every, spread, input);
        const __m512i fields = _mm512_maskz_multishift_epi64_epi8(Every, shifts, groups);
        _mm512_storeu_si512(out, _mm512_maskz_permutexvar_epi8(Every, fields, alphabet));
    }
    return i;
}

VectorPath VectorPathOf(Base64Path path) {
    switch (path) {
    case Base64Path::Avx2:
        return EncodeAvx2;
    case Base64Path::Avx512:
        return EncodeAvx512;
    case Base64Path::Scalar:
        break;
    }
    return nullptr;
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
    __builtin_cpu_init();
    switch (path) {
    case Base64Path::Scalar:
        return true;
    case Base64Path::Avx2:
        return __builtin_cpu_supports("avx2");
    case Base64Path::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vbmi");
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
