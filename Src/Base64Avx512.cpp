// Compiled for AVX-512 (F, BW, VBMI); called only where the processor has them.

#include "Base64Paths.hpp"

#include <immintrin.h>

namespace Base64Paths {

// Forty-eight bytes become sixty-four characters: one byte permutation spreads the groups, one
// multishift cuts the 6-bit fields, one permutation through the alphabet maps them.
std::size_t EncodeAvx512(const unsigned char* bytes, std::size_t length, char* out) {
    const __m512i spread = _mm512_setr_epi32(
        0x01020001, 0x04050304, 0x07080607, 0x0A0B090A, 0x0D0E0C0D, 0x10110F10, 0x13141213, 0x16171516,
        0x191A1819, 0x1C1D1B1C, 0x1F201E1F, 0x22232122, 0x25262425, 0x28292728, 0x2B2C2A2B, 0x2E2F2D2E);
    const __m512i shifts = _mm512_set1_epi64(0x3036242A1016040A);
    const __m512i alphabet = _mm512_loadu_si512(Base64Alphabet);
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

} // namespace Base64Paths
