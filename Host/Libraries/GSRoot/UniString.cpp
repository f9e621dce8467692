#include "GSRoot/UniString.hpp"

#include "GSRoot/Array.hpp"
#include "GSRootHost.hpp"
#include "TextBuffer.hpp"
#include "TextCoding.hpp"
#include "UniStringAccess.hpp"

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace GS {

UniString::CStr::CStr(CStr&& source) noexcept
    : text(std::exchange(source.text, TextBuffer::Empty<char>())), length(std::exchange(source.length, 0)) {}

UniString::CStr::~CStr() {
    TextBuffer::ReleaseShared(text);
}

UniString::UniString() : content(TextBuffer::Empty<UniChar>()), ascii(nullptr), length(0), capacity(0) {}

UniString::UniString(const char* cStr, GSCharCode charCode)
    : UniString(cStr, cStr == nullptr ? 0 : TextBuffer::CheckedLength(std::strlen(cStr)), charCode) {}

UniString::UniString(const char* text, USize byteCount, GSCharCode charCode) : UniString() {
    TextCoding::CheckCharCode(charCode);
    if (byteCount == 0) {
        return;
    }
    if (text == nullptr) {
        throw std::invalid_argument("GS::UniString: null text with a non-zero byte count");
    }
    // ASCII reads the same in every character code.
    if (TextCoding::AsciiLength(text, byteCount) == byteCount) {
        AssignAscii(text, byteCount);
        return;
    }
    // Every byte yields at most one unit, so byteCount units always suffice.
    content = TextBuffer::Allocate<UniChar>(byteCount);
    capacity = byteCount + 1;
    length = static_cast<USize>(TextCoding::Decode(text, byteCount, charCode, content));
    content[length] = 0;
}

UniString::UniString(const UniChar* uStr) : UniString() {
    if (uStr != nullptr) {
        Assign(uStr, TextBuffer::CheckedLength(std::char_traits<UniChar>::length(uStr)));
    }
}

UniString::UniString(const UniChar* units, USize unitCount) : UniString() {
    Assign(units, unitCount);
}

UniString::UniString(const UniString& source) : UniString() {
    if (source.ascii != nullptr) {
        AssignAscii(source.ascii, source.length);
    } else {
        Assign(source.content, source.length);
    }
}

UniString::UniString(UniString&& source) noexcept
    : content(std::exchange(source.content, TextBuffer::Empty<UniChar>())),
      ascii(std::exchange(source.ascii, nullptr)), length(std::exchange(source.length, 0)),
      capacity(std::exchange(source.capacity, 0)) {}

UniString& UniString::operator=(const UniString& source) {
    if (this != &source) {
        *this = UniString(source);
    }
    return *this;
}

UniString& UniString::operator=(UniString&& source) noexcept {
    if (this != &source) {
        Release();
        content = std::exchange(source.content, TextBuffer::Empty<UniChar>());
        ascii = std::exchange(source.ascii, nullptr);
        length = std::exchange(source.length, 0);
        capacity = std::exchange(source.capacity, 0);
    }
    return *this;
}

UniString::~UniString() {
    Release();
}

const UniChar* UniString::ToUStr() const {
    Widen();
    return content;
}

UniString UniString::GetSubstring(UIndex from, USize range) const {
    const USize start = std::min(from, length);
    const USize count = std::min(range, length - start);
    if (ascii != nullptr) {
        UniString part;
        part.AssignAscii(ascii + start, count);
        return part;
    }
    return UniString(content + start, count);
}

UniString::CStr UniString::ToCStr(UIndex from, USize range, GSCharCode charCode) const {
    const USize start = std::min(from, length);
    const USize count = std::min(range, length - start);
    if (ascii != nullptr) {
        TextCoding::CheckCharCode(charCode);
        if (count == length) {
            return CStr(TextBuffer::Share(ascii), count);
        }
        if (count == 0) {
            return CStr(TextBuffer::Empty<char>(), 0);
        }
        char* part = TextBuffer::AllocateShared(count);
        std::memcpy(part, ascii + start, count);
        return CStr(part, count);
    }
    const USize size = TextBuffer::CheckedLength(TextCoding::EncodedSize(content + start, count, charCode));
    if (size == 0) {
        return CStr(TextBuffer::Empty<char>(), 0);
    }
    char* text = TextBuffer::AllocateShared(size);
    TextCoding::Encode(content + start, count, charCode, text);
    text[size] = '\0';
    return CStr(text, size);
}

USize UniString::Split(const UniString& separator, SplitEmptyPartHandling emptyParts,
                       Array<UniString>* parts) const {
    if (emptyParts != KeepEmptyParts && emptyParts != SkipEmptyParts) {
        throw std::invalid_argument("GS::UniString::Split: unknown empty-part handling " +
                                    std::to_string(static_cast<Int32>(emptyParts)));
    }
    if (parts != nullptr) {
        parts->Clear();
    }
    Widen();
    separator.Widen();
    const std::u16string_view text(content, length);
    const std::u16string_view delimiter(separator.content, separator.length);
    if (text.empty()) {
        return 0;
    }
    USize count = 0;
    for (std::size_t start = 0;;) {
        // An empty separator matches nowhere, so the whole text is one part.
        const std::size_t found = delimiter.empty() ? text.npos : text.find(delimiter, start);
        const std::size_t end = found == text.npos ? text.size() : found;
        if (end > start || emptyParts == KeepEmptyParts) {
            if (parts != nullptr) {
                parts->Push(UniString(content + start, static_cast<USize>(end - start)));
            }
            ++count;
        }
        if (found == text.npos) {
            return count;
        }
        start = found + delimiter.size();
    }
}

UniString& UniString::Append(const UniString& tail) {
    const USize tailLength = tail.length; // tail may be *this
    if (tailLength == 0) {
        return *this;
    }
    Widen();
    tail.Widen();
    const USize newLength = TextBuffer::CheckedLength(std::size_t(length) + tailLength);
    if (newLength < capacity) {
        std::memmove(content + length, tail.content, std::size_t(tailLength) * sizeof(UniChar));
    } else {
        // Doubling keeps repeated appends linear.
        const USize newCapacity =
            static_cast<USize>(std::clamp<UInt64>(UInt64(capacity) * 2, UInt64(newLength) + 1, MaxUSize));
        UniChar* grown = TextBuffer::Allocate<UniChar>(newCapacity - 1);
        std::memcpy(grown, content, std::size_t(length) * sizeof(UniChar));
        std::memcpy(grown + length, tail.content, std::size_t(tailLength) * sizeof(UniChar));
        TextBuffer::Release(content);
        content = grown;
        capacity = newCapacity;
    }
    length = newLength;
    content[length] = 0;
    return *this;
}

bool UniString::operator==(const UniString& other) const {
    if (length != other.length) {
        return false;
    }
    if (ascii != nullptr && other.ascii != nullptr) {
        return std::memcmp(ascii, other.ascii, length) == 0;
    }
    if (ascii == nullptr && other.ascii == nullptr) {
        return std::memcmp(content, other.content, std::size_t(length) * sizeof(UniChar)) == 0;
    }
    for (UIndex i = 0; i < length; ++i) {
        if ((*this)[i] != other[i]) {
            return false;
        }
    }
    return true;
}

void UniString::Assign(const UniChar* units, USize count) {
    content = TextBuffer::Copy(units, count);
    length = count;
    capacity = count == 0 ? 0 : count + 1;
}

void UniString::AssignAscii(const char* bytes, USize count) {
    if (count == 0) {
        return;
    }
    ascii = TextBuffer::AllocateShared(count);
    std::memcpy(ascii, bytes, count);
    length = count;
}

// The units take a block of their own before the bytes go, so a failed allocation changes nothing.
void UniString::Widen() const {
    if (ascii == nullptr) {
        return;
    }
    UniChar* units = TextBuffer::Allocate<UniChar>(length);
    TextCoding::Decode(ascii, length, CC_Legacy, units);
    units[length] = 0;
    TextBuffer::ReleaseShared(ascii);
    ascii = nullptr;
    content = units;
    capacity = length + 1;
}

void UniString::Release() noexcept {
    TextBuffer::Release(content);
    if (ascii != nullptr) {
        TextBuffer::ReleaseShared(ascii);
    }
}

std::optional<std::string_view> UniStringAccess::GetAscii(const UniString& text) {
    if (text.ascii == nullptr) {
        return std::nullopt;
    }
    return std::string_view(text.ascii, text.length);
}

UniString UniStringAccess::FromUtf8(USize length, void (*write)(char* out, void* context), void* context) {
    UniString text;
    if (length == 0) {
        return text;
    }
    char* bytes = TextBuffer::AllocateShared(length);
    try {
        write(bytes, context);
    } catch (...) {
        TextBuffer::ReleaseShared(bytes);
        throw;
    }
    bytes[length] = '\0';
    if (TextCoding::AsciiLength(bytes, length) == length) {
        text.ascii = bytes;
        text.length = length;
        return text;
    }
    try {
        text = UniString(bytes, length, CC_UTF8);
    } catch (...) {
        TextBuffer::ReleaseShared(bytes);
        throw;
    }
    TextBuffer::ReleaseShared(bytes);
    return text;
}

} // namespace GS

namespace GS::Host {

std::string ToUtf8(const UniString& text) {
    if (const std::optional<std::string_view> bytes = UniStringAccess::GetAscii(text)) {
        return std::string(*bytes);
    }
    return Utf16ToUtf8(std::u16string_view(text.ToUStr(), text.GetLength()));
}

std::u16string ToUtf16(const UniString& text) {
    if (const std::optional<std::string_view> bytes = UniStringAccess::GetAscii(text)) {
        return std::u16string(bytes->begin(), bytes->end());
    }
    return std::u16string(text.ToUStr(), text.GetLength());
}

} // namespace GS::Host
