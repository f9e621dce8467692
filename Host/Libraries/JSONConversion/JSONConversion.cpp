#include "JSON/JSONConversion.hpp"

#include "GSRootHost.hpp"
#include "ObjectStateAccess.hpp"

#include <simdjson.h>

#include <new>
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

void AppendQuoted(std::string& out, std::string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    out += '"';
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const char escape = Escapes.shortForm[byte];
        if (escape == 0) {
            continue;
        }
        // Unescaped bytes go over in runs; a picture's base64 text is one run.
        out.append(text.data() + runStart, i - runStart);
        out += '\\';
        out += escape;
        if (escape == 'u') {
            out += "00";
            out += Hex[byte >> 4];
            out += Hex[byte & 0x0F];
        }
        runStart = i + 1;
    }
    out.append(text.data() + runStart, text.size() - runStart);
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

GSErrCode ConvertToObjectState(const GS::UniString& json, GS::ObjectState& objectState) {
    // With the padding in place simdjson reads the text where it is instead of copying it.
    const std::string text = GS::Host::Utf16ToUtf8(std::u16string_view(json.ToUStr(), json.GetLength()),
                                                   simdjson::SIMDJSON_PADDING);
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    switch (parser.parse(text).get(root)) {
    case simdjson::SUCCESS:
        break;
    case simdjson::MEMALLOC:
        throw std::bad_alloc();
    case simdjson::CAPACITY:
        return ErrTextTooLong;
    default:
        return ErrMalformedJSON;
    }
    simdjson::dom::object object;
    if (root.get_object().get(object) != simdjson::SUCCESS) {
        return ErrNotAnObject;
    }
    // The whole document is validated before the first member is added.
    for (const simdjson::dom::key_value_pair member : object) {
        std::string_view value;
        if (member.value.get_string().get(value) == simdjson::SUCCESS) {
            GS::ObjectStateAccess::AddMember(objectState, member.key, value);
        }
    }
    return NoError;
}

} // namespace JSON
