#pragma once

// The host libraries' view of GS::UniString's ASCII form, for the JSON converter: text is written
// and parsed where it lies, without a UTF-16 round trip. The add-on sees only UniString itself.

#include "GSRoot/UniString.hpp"

#include <cstddef>
#include <optional>
#include <string_view>

namespace GS {

class UniStringAccess {
public:
    // Zero bytes that follow the terminator of the ASCII form, for parsers that read ahead.
    static constexpr std::size_t ReadAhead = 64;

    // The bytes of text held in the ASCII form, followed by a terminator and ReadAhead zero bytes;
    // nothing when it is held as UTF-16 units.
    static std::optional<std::string_view> GetAscii(const UniString& text);

    // Text of `length` UTF-8 bytes, which write(out, context) puts into out. ASCII stays where it
    // was written; other text is decoded as UniString(const char*, USize, CC_UTF8) decodes it.
    // Throws std::bad_alloc or std::length_error as GS strings do, and what write throws.
    static UniString FromUtf8(USize length, void (*write)(char* out, void* context), void* context);
};

} // namespace GS
