#pragma once

#include "GSRoot/UniString.hpp"

#include <string>

// The content of a UniString as standard strings, for comparisons in tests.
inline std::u16string UnitsOf(const GS::UniString& text) {
    return std::u16string(text.ToUStr(), text.GetLength());
}

inline std::string Utf8Of(const GS::UniString& text) {
    const GS::UniString::CStr bytes = text.ToCStr(0, MaxUSize, GS::CC_UTF8);
    return std::string(bytes.Get(), bytes.GetLength());
}
