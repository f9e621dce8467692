#include "GSRoot/String.hpp"

#include "TextBuffer.hpp"

#include <cstring>
#include <utility>

namespace GS {

String::String() : content(TextBuffer::Empty<char>()), length(0) {}

String::String(const char* cStr) : String() {
    if (cStr != nullptr) {
        Assign(cStr, TextBuffer::CheckedLength(std::strlen(cStr)));
    }
}

String::String(const char* text, USize byteCount) : String() {
    Assign(text, byteCount);
}

String::String(const String& source) : String() {
    Assign(source.content, source.length);
}

String::String(String&& source) noexcept
    : content(std::exchange(source.content, TextBuffer::Empty<char>())),
      length(std::exchange(source.length, 0)) {}

String& String::operator=(const String& source) {
    if (this != &source) {
        *this = String(source);
    }
    return *this;
}

String& String::operator=(String&& source) noexcept {
    if (this != &source) {
        TextBuffer::Release(content);
        content = std::exchange(source.content, TextBuffer::Empty<char>());
        length = std::exchange(source.length, 0);
    }
    return *this;
}

String::~String() {
    TextBuffer::Release(content);
}

bool String::operator==(const String& other) const {
    return length == other.length && std::memcmp(content, other.content, length) == 0;
}

void String::Assign(const char* text, USize count) {
    content = TextBuffer::Copy(text, count);
    length = count;
}

} // namespace GS
