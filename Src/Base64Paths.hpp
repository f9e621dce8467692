#pragma once

// The encoder's vector paths, each in a unit of its own that the build compiles for its instruction
// set. A path encodes whole groups from the start of its input, reading nothing past length, and
// answers how many bytes it took (a multiple of three); the scalar path does the rest.

#include <cstddef>

namespace Base64Paths {

inline constexpr char Base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::size_t EncodeAvx2(const unsigned char* bytes, std::size_t length, char* out);
std::size_t EncodeAvx512(const unsigned char* bytes, std::size_t length, char* out);

} // namespace Base64Paths
