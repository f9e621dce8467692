#pragma once

#include <cstddef>
#include <string>

// Standard base64 with "=" padding and no line breaks. Zero bytes are data like any other.
std::string Base64Encode(const unsigned char* bytes, std::size_t length);
std::string Base64Encode(const std::string& bytes);

// The encoder's code paths, chosen at run time by what the processor supports. Every path writes
// the same text; the fastest supported one is used above. Named for tests and benchmarks.
enum class Base64Path { Scalar, Avx2, Avx512 };
bool IsBase64PathSupported(Base64Path path);
std::string Base64Encode(const unsigned char* bytes, std::size_t length, Base64Path path);
