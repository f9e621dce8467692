#include "JSON/JSONConversion.hpp"

#include "ObjectStateAccess.hpp"
#include "UniStringAccess.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace JSON {
namespace {

// The longest JSON text a UniString holds.
constexpr std::size_t MaxTextLength = MaxUSize - 1;

constexpr std::string_view Indent = "    ";

// Escapes for the bytes JSON does not allow raw in a string; zero marks a byte copied as it is.
// Bytes from 0x80 up are copied too: the text is UTF-8, and the string made of it turns any
// ill-formed sequence into U+FFFD.
struct EscapeTable {
    char shortForm[256] = {};
    constexpr EscapeTable() {
        for (int c = 0; c < 0x20; ++c) {
            shortForm[c] = 'u';
        }
        shortForm[std::size_t('\b')] = 'b';
        shortForm[std::size_t('\f')] = 'f';
        shortForm[std::size_t('\n')] = 'n';
        shortForm[std::size_t('\r')] = 'r';
        shortForm[std::size_t('\t')] = 't';
        shortForm[std::size_t('"')] = '"';
        shortForm[std::size_t('\\')] = '\\';
    }
};
constexpr EscapeTable Escapes;

using Block = unsigned char __attribute__((vector_size(16)));

// How many bytes at the start of text go over as they are; a picture's base64 text is one run,
// checked sixteen bytes at a time. Bytes from 0x80 up never need an escape.
std::size_t PlainRunLength(std::string_view text) {
    std::size_t i = 0;
    for (; i + sizeof(Block) <= text.size(); i += sizeof(Block)) {
        Block block;
        std::memcpy(&block, text.data() + i, sizeof(block));
        const auto special = (block < 0x20) | (block == '"') | (block == '\\');
        UInt64 halves[2];
        std::memcpy(halves, &special, sizeof(halves));
        if ((halves[0] | halves[1]) != 0) {
            break;
        }
    }
    while (i < text.size() && Escapes.shortForm[static_cast<unsigned char>(text[i])] == 0) {
        ++i;
    }
    return i;
}

std::size_t EscapedSize(unsigned char byte) {
    return Escapes.shortForm[byte] == 'u' ? 6 : 2;
}

// The size of text in quotes, escapes included.
std::size_t QuotedSize(std::string_view text) {
    std::size_t size = 2;
    while (!text.empty()) {
        const std::size_t plain = PlainRunLength(text);
        size += plain;
        text.remove_prefix(plain);
        if (!text.empty()) {
            size += EscapedSize(static_cast<unsigned char>(text.front()));
            text.remove_prefix(1);
        }
    }
    return size;
}

// Writes text in quotes; quotedSize is QuotedSize(text), which tells a text without escapes.
char* WriteQuoted(char* out, std::string_view text, std::size_t quotedSize) {
    static constexpr char Hex[] = "0123456789abcdef";
    *out++ = '"';
    if (quotedSize == text.size() + 2) {
        std::memcpy(out, text.data(), text.size());
        out += text.size();
        text = {};
    }
    while (!text.empty()) {
        const std::size_t plain = PlainRunLength(text);
        std::memcpy(out, text.data(), plain);
        out += plain;
        text.remove_prefix(plain);
        if (text.empty()) {
            break;
        }
        const auto byte = static_cast<unsigned char>(text.front());
        const char escape = Escapes.shortForm[byte];
        *out++ = '\\';
        *out++ = escape;
        if (escape == 'u') {
            *out++ = '0';
            *out++ = '0';
            *out++ = Hex[byte >> 4];
            *out++ = Hex[byte & 0x0F];
        }
        text.remove_prefix(1);
    }
    *out++ = '"';
    return out;
}

// The JSON text of an object state, measured first so that it is written once, in place.
class Serializer {
public:
    Serializer(const GS::ObjectState& state, bool prettyText)
        : objectState(state), pretty(prettyText), count(GS::ObjectStateAccess::GetMemberCount(state)) {
        quotedSizes.reserve(std::size_t(count) * 2);
        size = 2;
        for (UIndex i = 0; i < count; ++i) {
            const GS::ObjectStateMember member = GS::ObjectStateAccess::GetMember(objectState, i);
            quotedSizes.push_back(QuotedSize(member.name));
            quotedSizes.push_back(QuotedSize(member.value));
            size += quotedSizes[2 * i] + quotedSizes[2 * i + 1] + (pretty ? 2 + 1 + Indent.size() : 1) +
                    (i > 0 ? 1 : 0);
        }
        if (pretty && count > 0) {
            ++size;
        }
    }

    std::size_t Size() const { return size; }

    static void Write(char* out, void* serializer) {
        static_cast<const Serializer*>(serializer)->WriteTo(out);
    }

private:
    void WriteTo(char* out) const {
        *out++ = '{';
        for (UIndex i = 0; i < count; ++i) {
            const GS::ObjectStateMember member = GS::ObjectStateAccess::GetMember(objectState, i);
            if (i > 0) {
                *out++ = ',';
            }
            if (pretty) {
                *out++ = '\n';
                out = std::copy(Indent.begin(), Indent.end(), out);
            }
            out = WriteQuoted(out, member.name, quotedSizes[2 * i]);
            *out++ = ':';
            if (pretty) {
                *out++ = ' ';
            }
            out = WriteQuoted(out, member.value, quotedSizes[2 * i + 1]);
        }
        if (pretty && count > 0) {
            *out++ = '\n';
        }
        *out = '}';
    }

    const GS::ObjectState& objectState;
    const bool pretty;
    const USize count;
    std::vector<std::size_t> quotedSizes; // of each member's name and value
    std::size_t size;
};

} // namespace

GSErrCode CreateFromObjectState(const GS::ObjectState& objectState, GS::UniString& json, bool pretty) {
    Serializer serializer(objectState, pretty);
    if (serializer.Size() > MaxTextLength) {
        return ErrTextTooLong;
    }
    json =
        GS::UniStringAccess::FromUtf8(static_cast<USize>(serializer.Size()), Serializer::Write, &serializer);
    return NoError;
}

} // namespace JSON
