#include "Json.hpp"

#include <array>

namespace Workbench {

namespace {

constexpr std::string_view ReplacementCharacter = "\xEF\xBF\xBD";

// Length of the valid UTF-8 sequence that starts text[at], or 0 when it is not one (stray
// continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short).
std::size_t ValidSequenceLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    char32_t minimum = 0;
    char32_t value = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        minimum = 0x80;
        value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        minimum = 0x800;
        value = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        minimum = 0x10000;
        value = lead & 0x07u;
    } else {
        return 0;
    }
    if (text.size() - at < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0u) != 0x80u)
            return 0;
        value = (value << 6) | (next & 0x3Fu);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

void AppendControlEscape(std::string& out, unsigned char byte) {
    switch (byte) {
    case '\b':
        out += "\\b";
        return;
    case '\f':
        out += "\\f";
        return;
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    default:
        break;
    }
    constexpr std::array<char, 16> hex = {'0', '1', '2', '3', '4', '5', '6', '7',
                                          '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
    out += "\\u00";
    out += hex[byte >> 4];
    out += hex[byte & 0x0Fu];
}

} // namespace

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    std::size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += static_cast<char>(byte);
            ++at;
        } else if (byte < 0x20 || byte == 0x7F) {
            AppendControlEscape(out, byte);
            ++at;
        } else if (const std::size_t length = ValidSequenceLength(text, at); length > 0) {
            out.append(text.substr(at, length));
            at += length;
        } else {
            out += ReplacementCharacter;
            ++at;
        }
    }
    out += '"';
}

void JsonObject::Key(std::string_view key) {
    if (body.size() > 1)
        body += ',';
    AppendJsonString(body, key);
    body += ':';
}

JsonObject& JsonObject::Number(std::string_view key, std::int64_t value) {
    Key(key);
    body += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::String(std::string_view key, std::string_view value) {
    Key(key);
    AppendJsonString(body, value);
    return *this;
}

JsonObject& JsonObject::Bool(std::string_view key, bool value) {
    Key(key);
    body += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::Null(std::string_view key) {
    Key(key);
    body += "null";
    return *this;
}

JsonObject& JsonObject::Members(const JsonObject& other) {
    if (other.body.size() > 1) {
        if (body.size() > 1)
            body += ',';
        body.append(other.body, 1);
    }
    return *this;
}

} // namespace Workbench
