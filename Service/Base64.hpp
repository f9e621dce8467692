#pragma once

#include <string>
#include <string_view>

namespace kavelo {

// Decodes padded base64 in the standard alphabet (RFC 4648, section 4) into `out`, replacing its
// content. Returns false, with `out` unspecified, on a length that is not a multiple of four, a
// character outside the alphabet, or padding anywhere but at the end. White space is not allowed.
bool DecodeBase64(std::string_view text, std::string& out);

// Padded base64 in the standard alphabet.
std::string EncodeBase64(std::string_view bytes);

} // namespace kavelo
