#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kavelo {

// An Archicad installation's link id: a lower-case version-4 UUID, 36 characters.
bool IsLinkId(std::string_view text);

// Image ids are 22 characters of the URL-safe base64 alphabet (128 random bits), so they can stand
// in a URL and a file name as they are.
std::string NewImageId();
bool IsImageId(std::string_view text);

// `bytes` random bytes in the same alphabet: session tokens, form tokens, passwords.
std::string RandomText(std::size_t bytes);

} // namespace kavelo
