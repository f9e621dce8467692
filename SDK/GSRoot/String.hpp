#pragma once

#include "GSRoot/Definitions.hpp"

namespace GS {

// 8-bit text; the buffer is allocated through GS::MemoryManager like UniString's.
class String {
public:
    String();
    String(const char* cStr);
    String(const char* text, USize byteCount);
    String(const String& source);
    String(String&& source) noexcept;
    String& operator=(const String& source);
    String& operator=(String&& source) noexcept;
    ~String();

    USize GetLength() const { return length; }
    bool IsEmpty() const { return length == 0; }
    const char* ToCStr() const { return content; }

    bool operator==(const String& other) const;
    bool operator!=(const String& other) const { return !(*this == other); }

private:
    void Assign(const char* text, USize count);

    char* content;
    USize length;
};

} // namespace GS
