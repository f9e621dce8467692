#pragma once

// Text helpers shared by the library's units.

#include "GSRoot/GSException.hpp"
#include "GSRoot/UniString.hpp"
#include "GSRootHost.hpp"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace HTTP {

// Converted with the host's helper rather than UniString::ToCStr, so that the library's own copies
// stay out of the add-on's allocation counts.
inline std::string ToUtf8(const GS::UniString& text) {
    return GS::Host::ToUtf8(text);
}

// For field names, which are ASCII tokens.
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

[[noreturn]] inline void Throw(const std::string& message) {
    throw GS::GSException(message.c_str());
}

} // namespace HTTP
