#include "TextCoding.hpp"

#include "GSRootHost.hpp"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

namespace GS::TextCoding {
namespace {

constexpr char32_t FirstSupplementary = 0x10000;
constexpr char LatinUnrepresentable = '?';

bool IsHighSurrogate(UniChar unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(UniChar unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
bool IsUtf8(GSCharCode charCode) {
    return charCode == CC_Default || charCode == CC_UTF8;
}

std::size_t WriteCodePoint(char32_t codePoint, UniChar* out) {
    if (codePoint < FirstSupplementary) {
        out[0] = static_cast<UniChar>(codePoint);
        return 1;
    }
    const char32_t offset = codePoint - FirstSupplementary;
    out[0] = static_cast<UniChar>(0xD800 + (offset >> 10));
    out[1] = static_cast<UniChar>(0xDC00 + (offset & 0x3FF));
    return 2;
}

// One UTF-8 sequence starting at text[i]; advances i past it. The byte ranges are those of
// well-formed UTF-8, so overlong forms, surrogates and values above U+10FFFF are refused at the
// first byte that makes them so.
[[gnu::always_inline]] inline char32_t DecodeUtf8Sequence(const unsigned char* text, std::size_t byteCount,
                                                          std::size_t& i) {
    const unsigned char lead = text[i++];
    if (lead < 0x80) {
        return lead;
    }
    std::size_t trailing = 0;
    char32_t codePoint = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trailing = 1;
        codePoint = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trailing = 2;
        codePoint = lead & 0x0Fu;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trailing = 3;
        codePoint = lead & 0x07u;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return ReplacementCharacter;
    }
    for (std::size_t k = 0; k < trailing; ++k) {
        if (i == byteCount || text[i] < low || text[i] > high) {
            return ReplacementCharacter;
        }
        codePoint = (codePoint << 6) | (text[i++] & 0x3Fu);
        low = 0x80;
        high = 0xBF;
    }
    return codePoint;
}

// The code point starting at units[i]; advances i past it. A lone surrogate reads as U+FFFD.
char32_t NextCodePoint(const UniChar* units, std::size_t count, std::size_t& i) {
    const UniChar unit = units[i++];
    if (IsHighSurrogate(unit) && i < count && IsLowSurrogate(units[i])) {
        const UniChar low = units[i++];
        return FirstSupplementary + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
    }
    if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
        return ReplacementCharacter;
    }
    return unit;
}

std::size_t Utf8Length(char32_t codePoint) {
    return codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < FirstSupplementary ? 3 : 4;
}

std::size_t WriteUtf8(char32_t codePoint, char* out) {
    const std::size_t length = Utf8Length(codePoint);
    if (length == 1) {
        out[0] = static_cast<char>(codePoint);
        return 1;
    }
    static constexpr unsigned char LeadMarks[] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (std::size_t k = length - 1; k > 0; --k) {
        out[k] = static_cast<char>(0x80 | (codePoint & 0x3F));
        codePoint >>= 6;
    }
    out[0] = static_cast<char>(LeadMarks[length] | codePoint);
    return length;
}

// ASCII is by far the most common text (JSON bodies, base64 pictures), so it is converted in
// blocks of fixed size. Each block goes through local arrays, which rules out aliasing between
// source and destination and lets the compiler turn the copies into vector instructions.
constexpr std::size_t AsciiBlock = 16;

// Every unit of a block below 0x80: the block is tested as 64-bit words, all or'ed together.
template <typename Unit>
bool IsAsciiBlock(const Unit (&block)[AsciiBlock]) {
    UInt64 words[AsciiBlock * sizeof(Unit) / sizeof(UInt64)];
    std::memcpy(words, block, sizeof(block));
    UInt64 any = 0;
    for (const UInt64 word : words) {
        any |= word;
    }
    constexpr UInt64 NonAsciiBits = sizeof(Unit) == 1 ? 0x8080808080808080u : 0xFF80FF80FF80FF80u;
    return (any & NonAsciiBits) == 0;
}

// Copies the ASCII units at the start of from to to, when given, as units of to's type; returns
// how many there are. Blocks are tried only after a block's worth of ASCII: text in other scripts
// has short ASCII runs, on which a failing block test would only cost time.
template <typename From, typename To>
[[gnu::always_inline]] inline std::size_t CopyAscii(const From* from, std::size_t count, To* to) {
    std::size_t i = 0;
    for (const std::size_t firstBlock = std::min(count, AsciiBlock); i < firstBlock; ++i) {
        if (from[i] >= 0x80) {
            return i;
        }
        if (to != nullptr) {
            to[i] = static_cast<To>(from[i]);
        }
    }
    for (; i + AsciiBlock <= count; i += AsciiBlock) {
        From block[AsciiBlock];
        std::memcpy(block, from + i, sizeof(block));
        if (!IsAsciiBlock(block)) {
            break;
        }
        if (to != nullptr) {
            To converted[AsciiBlock];
            for (std::size_t k = 0; k < AsciiBlock; ++k) {
                converted[k] = static_cast<To>(block[k]);
            }
            std::memcpy(to + i, converted, sizeof(converted));
        }
    }
    for (; i < count && from[i] < 0x80; ++i) {
        if (to != nullptr) {
            to[i] = static_cast<To>(from[i]);
        }
    }
    return i;
}

} // namespace

void CheckCharCode(GSCharCode charCode) {
    if (!IsUtf8(charCode) && charCode != CC_Legacy) {
        throw std::invalid_argument("GS::UniString: unknown character code " +
                                    std::to_string(static_cast<Int32>(charCode)));
    }
}

std::size_t AsciiLength(const char* text, std::size_t byteCount) {
    return CopyAscii(reinterpret_cast<const unsigned char*>(text), byteCount, static_cast<char*>(nullptr));
}

std::size_t ValidUtf8Length(const char* text, std::size_t byteCount) {
    static constexpr unsigned char EncodedReplacement[] = {0xEF, 0xBF, 0xBD};
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    for (std::size_t i = 0; i < byteCount;) {
        const std::size_t start = i;
        // An ill-formed part also decodes to U+FFFD, but never as the three bytes that encode it.
        if (DecodeUtf8Sequence(bytes, byteCount, i) == ReplacementCharacter &&
            (i - start != sizeof(EncodedReplacement) ||
             std::memcmp(bytes + start, EncodedReplacement, sizeof(EncodedReplacement)) != 0)) {
            return start;
        }
    }
    return byteCount;
}

std::size_t ValidUtf16Length(const UniChar* units, std::size_t count) {
    for (std::size_t i = 0; i < count;) {
        const std::size_t start = i;
        if (NextCodePoint(units, count, i) == ReplacementCharacter && units[start] != ReplacementCharacter) {
            return start;
        }
    }
    return count;
}

std::size_t Decode(const char* text, std::size_t byteCount, GSCharCode charCode, UniChar* out) {
    CheckCharCode(charCode);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    if (!IsUtf8(charCode)) {
        for (std::size_t i = 0; i < byteCount; ++i) {
            out[i] = bytes[i];
        }
        return byteCount;
    }
    // A sequence of n bytes yields at most n units, so out never needs more than byteCount.
    std::size_t written = 0;
    for (std::size_t i = 0; i < byteCount;) {
        const std::size_t ascii = CopyAscii(bytes + i, byteCount - i, out + written);
        i += ascii;
        written += ascii;
        if (i < byteCount) {
            written += WriteCodePoint(DecodeUtf8Sequence(bytes, byteCount, i), out + written);
        }
    }
    return written;
}

std::size_t EncodedSize(const UniChar* units, std::size_t count, GSCharCode charCode) {
    CheckCharCode(charCode);
    std::size_t size = 0;
    for (std::size_t i = 0; i < count;) {
        const std::size_t ascii = CopyAscii(units + i, count - i, static_cast<char*>(nullptr));
        i += ascii;
        size += ascii;
        if (i < count) {
            const char32_t codePoint = NextCodePoint(units, count, i);
            size += IsUtf8(charCode) ? Utf8Length(codePoint) : 1;
        }
    }
    return size;
}

void Encode(const UniChar* units, std::size_t count, GSCharCode charCode, char* out) {
    CheckCharCode(charCode);
    for (std::size_t i = 0; i < count;) {
        const std::size_t ascii = CopyAscii(units + i, count - i, out);
        i += ascii;
        out += ascii;
        if (i == count) {
            break;
        }
        const char32_t codePoint = NextCodePoint(units, count, i);
        if (IsUtf8(charCode)) {
            out += WriteUtf8(codePoint, out);
        } else {
            *out++ = codePoint <= 0xFF ? static_cast<char>(codePoint) : LatinUnrepresentable;
        }
    }
}

} // namespace GS::TextCoding

namespace GS::Host {

std::u16string Utf8ToUtf16(std::string_view text, bool* replaced) {
    if (replaced != nullptr) {
        *replaced = TextCoding::ValidUtf8Length(text.data(), text.size()) != text.size();
    }
    std::u16string units(text.size(), u'\0');
    units.resize(TextCoding::Decode(text.data(), text.size(), CC_UTF8, units.data()));
    return units;
}

std::string Utf16ToUtf8(std::u16string_view text, std::size_t padding, bool* replaced) {
    if (replaced != nullptr) {
        *replaced = TextCoding::ValidUtf16Length(text.data(), text.size()) != text.size();
    }
    const std::size_t size = TextCoding::EncodedSize(text.data(), text.size(), CC_UTF8);
    std::string bytes(size + padding, '\0');
    TextCoding::Encode(text.data(), text.size(), CC_UTF8, bytes.data());
    bytes.resize(size); // shrinking keeps the capacity, and with it the padding
    return bytes;
}

} // namespace GS::Host
