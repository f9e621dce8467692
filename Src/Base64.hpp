#pragma once

#include <cstddef>
#include <string>

// Standard base64 with "=" padding and no line breaks. Zero bytes are data like any other.
std::string Base64Encode(const unsigned char* bytes, std::size_t length);
std::string Base64Encode(const std::string& bytes);
