#pragma once

#include "GSRoot/Definitions.hpp"

namespace GS {
template <typename T>
class Array;
}

namespace GS {

enum GSCharCode : Int32 {
    CC_Default = 0, // the host's default 8-bit encoding (UTF-8 on this host)
    CC_UTF8 = 1,
    CC_Legacy = 2 // Latin-1: one byte per code unit up to U+00FF
};

// Unicode text as UTF-16 code units. The buffer belongs to the library and is allocated through
// GS::MemoryManager, so a string built on one side of the module boundary can be destroyed on the
// other. Text that is all ASCII is kept as one byte per unit until its units are asked for.
class UniString {
public:
    // Zero-terminated 8-bit copy of part of a UniString; owns its buffer.
    class CStr {
    public:
        CStr(CStr&& source) noexcept;
        CStr& operator=(CStr&&) = delete;
        CStr(const CStr&) = delete;
        ~CStr();

        const char* Get() const { return text; }
        USize GetLength() const { return length; }

    private:
        friend class UniString;
        CStr(char* ownedText, USize textLength) : text(ownedText), length(textLength) {}

        char* text;
        USize length;
    };

    UniString();
    UniString(const char* cStr, GSCharCode charCode = CC_Default);
    UniString(const char* text, USize byteCount, GSCharCode charCode);
    UniString(const UniChar* uStr);
    UniString(const UniChar* units, USize length);
    UniString(const UniString& source);
    UniString(UniString&& source) noexcept;
    UniString& operator=(const UniString& source);
    UniString& operator=(UniString&& source) noexcept;
    ~UniString();

    USize GetLength() const { return length; }
    bool IsEmpty() const { return length == 0; }
    UniChar operator[](UIndex index) const {
        return ascii != nullptr ? UniChar(ascii[index]) : content[index];
    }

    // Always zero-terminated; valid until the string changes.
    const UniChar* ToUStr() const;

    UniString GetSubstring(UIndex from, USize range) const;
    CStr ToCStr(UIndex from = 0, USize range = MaxUSize, GSCharCode charCode = CC_Default) const;

    enum SplitEmptyPartHandling : Int32 { KeepEmptyParts = 0, SkipEmptyParts = 1 };
    // Splits at every occurrence of separator, from the left: "a\n" gives "a" and an empty part. An
    // empty string has no parts; an empty separator gives the whole string as one part. The parts
    // replace the contents of parts, which may be null to count only. Answers the count of parts.
    USize Split(const UniString& separator, SplitEmptyPartHandling emptyParts, Array<UniString>* parts) const;

    UniString& Append(const UniString& tail);
    UniString& operator+=(const UniString& tail) { return Append(tail); }

    bool operator==(const UniString& other) const;
    bool operator!=(const UniString& other) const { return !(*this == other); }

private:
    friend class UniStringAccess; // the host libraries' view of the ASCII form

    void Assign(const UniChar* units, USize count);
    void AssignAscii(const char* bytes, USize count);
    void Widen() const;
    void Release() noexcept;

    // Exactly one form holds the text: ascii when it is not null, else content. Widening changes
    // the form, not the text, so it happens in const functions too.
    mutable UniChar* content;
    mutable char* ascii;
    USize length;
    mutable USize capacity;
};

} // namespace GS
