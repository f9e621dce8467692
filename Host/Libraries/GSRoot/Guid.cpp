#include "GSRoot/Guid.hpp"

#include <cstdio>
#include <cstring>

namespace GS {
namespace {

constexpr std::size_t BareTextLength = 36; // XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX
constexpr std::size_t BracedTextLength = BareTextLength + 2;
constexpr std::size_t DigitCount = 32;

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool IsHyphenPosition(std::size_t i) {
    return i == 8 || i == 13 || i == 18 || i == 23;
}

// The 32 digit values of a bare GUID text, or false when its shape is wrong.
bool ReadDigits(const char* bare, UInt8 (&digits)[DigitCount]) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < BareTextLength; ++i) {
        if (IsHyphenPosition(i)) {
            if (bare[i] != '-') {
                return false;
            }
            continue;
        }
        const int value = HexDigitValue(bare[i]);
        if (value < 0) {
            return false;
        }
        digits[count++] = static_cast<UInt8>(value);
    }
    return true;
}

UInt32 Combine(const UInt8* digits, std::size_t count) {
    UInt32 value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value = value << 4 | digits[i];
    }
    return value;
}

} // namespace

Guid::Guid() : data1(0), data2(0), data3(0), data4{} {}

Guid::Guid(const char* text) : Guid() {
    if (text == nullptr) {
        return;
    }
    // strnlen stops one past the longest valid form, so a long text is never read to its end.
    const std::size_t textLength = strnlen(text, BracedTextLength + 1);
    const char* bare = text;
    if (textLength == BracedTextLength && text[0] == '{' && text[BracedTextLength - 1] == '}') {
        bare = text + 1;
    } else if (textLength != BareTextLength) {
        return;
    }
    UInt8 digits[DigitCount];
    if (!ReadDigits(bare, digits)) {
        return;
    }
    data1 = Combine(digits, 8);
    data2 = static_cast<UInt16>(Combine(digits + 8, 4));
    data3 = static_cast<UInt16>(Combine(digits + 12, 4));
    for (std::size_t i = 0; i < sizeof(data4); ++i) {
        data4[i] = static_cast<UInt8>(Combine(digits + 16 + 2 * i, 2));
    }
}

bool Guid::IsNull() const {
    return *this == Guid();
}

UniString Guid::ToUniString() const {
    char text[BracedTextLength + 1];
    std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1, data2,
                  data3, data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
    return UniString(text, CC_Legacy);
}

bool Guid::operator==(const Guid& other) const {
    return data1 == other.data1 && data2 == other.data2 && data3 == other.data3 &&
           std::memcmp(data4, other.data4, sizeof(data4)) == 0;
}

} // namespace GS
