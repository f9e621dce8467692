#pragma once

// The 8-bit forms of UTF-16 text. Decoding reads no byte past the given count and turns every
// ill-formed UTF-8 sequence (each maximal ill-formed part) into U+FFFD; encoding turns a lone
// surrogate into U+FFFD (UTF-8) or '?' (Latin-1).

#include "GSRoot/UniString.hpp"

#include <cstddef>

namespace GS::TextCoding {

constexpr UniChar ReplacementCharacter = 0xFFFD;

// Throws std::invalid_argument for a value that is not a GSCharCode.
void CheckCharCode(GSCharCode charCode);

// Bytes at the start of text below 0x80.
std::size_t AsciiLength(const char* text, std::size_t byteCount);

// Bytes at the start of text that form well-formed UTF-8 (a literal U+FFFD included).
std::size_t ValidUtf8Length(const char* text, std::size_t byteCount);

// Units at the start of units that form well-formed UTF-16: no lone surrogate.
std::size_t ValidUtf16Length(const UniChar* units, std::size_t count);

// Writes at most byteCount units to out and returns how many it wrote.
std::size_t Decode(const char* text, std::size_t byteCount, GSCharCode charCode, UniChar* out);

// Bytes that Encode writes for these units.
std::size_t EncodedSize(const UniChar* units, std::size_t count, GSCharCode charCode);

// Writes exactly EncodedSize bytes to out, without a terminator.
void Encode(const UniChar* units, std::size_t count, GSCharCode charCode, char* out);

} // namespace GS::TextCoding
