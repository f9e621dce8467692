#pragma once

#include <string>
#include <string_view>

namespace kavelo {

// `text` as a JSON string literal, quotes included. `text` is UTF-8 and passes through unchanged
// apart from the escapes JSON requires.
std::string JsonQuote(std::string_view text);

} // namespace kavelo
