// Compiled for AVX2; called only where the processor has it.

#include "Base64Paths.hpp"

#include <immintrin.h>

namespace Base64Paths {

// Twenty-four bytes, twelve in each 128-bit lane, become thirty-two characters.
std::size_t EncodeAvx2(const unsigned char* bytes, std::size_t length, char* out) {
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

} // namespace Base64Paths
