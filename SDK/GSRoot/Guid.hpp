#pragma once

#include "GSRoot/Definitions.hpp"
#include "GSRoot/UniString.hpp"

namespace GS {

// A 128-bit identifier whose 16-byte memory form is the Windows GUID layout: the first group as a
// 32-bit word, the second and third as 16-bit words (all in host byte order), then eight bytes.
class Guid {
public:
    Guid();
    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", braces optional, hex digits of either case.
    // Text of any other shape gives the null GUID.
    explicit Guid(const char* text);

    bool IsNull() const;
    UniString ToUniString() const; // upper case, with braces

    bool operator==(const Guid& other) const;
    bool operator!=(const Guid& other) const { return !(*this == other); }

private:
    UInt32 data1;
    UInt16 data2;
    UInt16 data3;
    UInt8 data4[8];
};

static_assert(sizeof(Guid) == 16);

} // namespace GS
