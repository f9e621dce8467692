#pragma once

// What differs between the compilers that build add-ons, behind one name each: Visual C++ on Windows,
// GCC and clang elsewhere. No other header or source uses a compiler's own attributes or builtins.

#include <cstdint>

#if defined(_MSC_VER)
#include <intrin.h>
#else
#include <cpuid.h>
#endif

// Lets the compiler check a printf-style format against its arguments (1-based positions).
#if defined(_MSC_VER)
#define GS_PRINTF_FORMAT(formatPosition, firstArgument)
#else
#define GS_PRINTF_FORMAT(formatPosition, firstArgument)                                                      \
    __attribute__((format(printf, formatPosition, firstArgument)))
#endif

namespace GS::Compiler {

struct CpuidRegisters {
    std::uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
};

// The processor's answer for a cpuid leaf and subleaf; zeros for a leaf above the highest it has.
inline CpuidRegisters Cpuid(std::uint32_t leaf, std::uint32_t subleaf = 0) {
    CpuidRegisters registers;
#if defined(_MSC_VER)
    int answer[4];
    __cpuid(answer, 0);
    if (static_cast<std::uint32_t>(answer[0]) < leaf)
        return registers;
    __cpuidex(answer, static_cast<int>(leaf), static_cast<int>(subleaf));
    registers = {static_cast<std::uint32_t>(answer[0]), static_cast<std::uint32_t>(answer[1]),
                 static_cast<std::uint32_t>(answer[2]), static_cast<std::uint32_t>(answer[3])};
#else
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid_count(leaf, subleaf, &eax, &ebx, &ecx, &edx) != 0)
        registers = {eax, ebx, ecx, edx};
#endif
    return registers;
}

// The register states the operating system saves on a task switch (XCR0); call only when cpuid
// says the system uses XSAVE (leaf 1, ecx bit 27).
inline std::uint64_t EnabledRegisterStates() {
#if defined(_MSC_VER)
    return _xgetbv(0);
#else
    std::uint32_t low = 0, high = 0;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return std::uint64_t(high) << 32 | low;
#endif
}

} // namespace GS::Compiler
