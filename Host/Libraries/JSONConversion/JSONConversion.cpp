#include "JSON/JSONConversion.hpp"

#include "ObjectStateAccess.hpp"

#include <cstring>
#include <string>
#include <string_view>

namespace JSON {
namespace {

// The longest JSON text a UniString holds.
constexpr std::size_t MaxTextLength = MaxUSize - 1;

constexpr std::string_view Indent = "    ";

// Escapes for the bytes JSON does not allow raw in a string; zero marks a byte copied as it is.
// Bytes from 0x80 up are copied too: the text is UTF-8, and the final conversion to UTF-16 turns
// any ill-formed sequence into U+FFFD.
struct EscapeTable {
    char shortForm[256] = {};
    constexpr EscapeTable() {
        for (int c = 0; c < 0x20; ++c) {
            shortForm[c] = 'u';
        }
        shortForm['\b'] = 'b';
        shortForm['\f'] = 'f';
        shortForm['\n'] = 'n';
        shortForm['\r'] = 'r';
        shortForm['\t'] = 't';
        shortForm['"'] = '"';
        shortForm['\\'] = '\\';
    }
};
constexpr EscapeTable Escapes;

// True when one of the eight bytes needs an escape: a control character, '"' or '\\'. The usual
// zero-byte test, applied to the word itself (below 0x20) and to its two exclusive-ors: a high bit
// survives only if some byte matches. Bytes from 0x80 up are masked out; they never need one.
bool NeedsEscape(UInt64 word) {
    constexpr UInt64 Ones = 0x0101010101010101u;
    constexpr UInt64 HighBits = 0x8080808080808080u;
    const UInt64 quotes = word ^ (Ones * '"');
    const UInt64 backslashes = word ^ (Ones * '\\');
    const UInt64 found = (word - Ones * 0x20) | (quotes - Ones) | (backslashes - Ones);
    return (found & ~word & HighBits) != 0;
}

// How many bytes at the start of text go over as they are; a picture's base64 text is one run,
// checked eight bytes at a time.
std::size_t PlainRunLength(std::string_view text) {
    std::size_t i = 0;
    for (UInt64 word = 0; i + sizeof(word) <= text.size(); i += sizeof(word)) {
        std::memcpy(&word, text.data() + i, sizeof(word));
        if (NeedsEscape(word)) {
            break;
        }
    }
    while (i < text.size() && Escapes.shortForm[static_cast<unsigned char>(text[i])] == 0) {
        ++i;
    }
    return i;
}

void AppendQuoted(std::string& out, std::string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    out += '"';
    while (!text.empty()) {
        const std::size_t plain = PlainRunLength(text);
        out.append(text.data(), plain);
        text.remove_prefix(plain);
        if (text.empty()) {
            break;
        }
        const auto byte = static_cast<unsigned char>(text.front());
        const char escape = Escapes.shortForm[byte];
        out += '\\';
        out += escape;
        if (escape == 'u') {
            out += "00";
            out += Hex[byte >> 4];
            out += Hex[byte & 0x0F];
        }
        text.remove_prefix(1);
    }
    out += '"';
}

std::string Serialize(const GS::ObjectState& objectState, bool pretty) {
    const USize count = GS::ObjectStateAccess::GetMemberCount(objectState);
    std::size_t expected = 2;
    for (UIndex i = 0; i < count; ++i) {
        const GS::ObjectStateMember member = GS::ObjectStateAccess::GetMember(objectState, i);
        expected += member.name.size() + member.value.size() + 6 + Indent.size() + 2;
    }
    std::string out;
    out.reserve(expected); // exact unless something needs escaping
    out += '{';
    for (UIndex i = 0; i < count; ++i) {
        const GS::ObjectStateMember member = GS::ObjectStateAccess::GetMember(objectState, i);
        if (i > 0) {
            out += ',';
        }
        if (pretty) {
            out += '\n';
            out += Indent;
        }
        AppendQuoted(out, member.name);
        out += pretty ? ": " : ":";
        AppendQuoted(out, member.value);
    }
    if (pretty && count > 0) {
        out += '\n';
    }
    out += '}';
    return out;
}

} // namespace

GSErrCode CreateFromObjectState(const GS::ObjectState& objectState, GS::UniString& json, bool pretty) {
    const std::string text = Serialize(objectState, pretty);
    if (text.size() > MaxTextLength) {
        return ErrTextTooLong;
    }
    json = GS::UniString(text.data(), static_cast<USize>(text.size()), GS::CC_UTF8);
    return NoError;
}

} // namespace JSON
