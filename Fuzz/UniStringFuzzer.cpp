// GS::UniString's conversions on any bytes, as 8-bit text in each encoding and as UTF-16 units: ill-formed
// input becomes U+FFFD once, after which text goes to 8 bits and back unchanged; splitting and
// substrings stay inside the string.

#include "GSRoot/Array.hpp"
#include "GSRoot/UniString.hpp"

#include "FuzzCheck.hpp"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace {

void CheckStable(const GS::UniString& text, GS::GSCharCode charCode) {
    const GS::UniString::CStr bytes = text.ToCStr(0, MaxUSize, charCode);
    const GS::UniString once(bytes.Get(), bytes.GetLength(), charCode);
    const GS::UniString::CStr again = once.ToCStr(0, MaxUSize, charCode);
    const GS::UniString twice(again.Get(), again.GetLength(), charCode);
    FUZZ_CHECK(once == twice);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    for (const GS::GSCharCode charCode : {GS::CC_UTF8, GS::CC_Legacy}) {
        const GS::UniString text(bytes, USize(size), charCode);
        CheckStable(text, GS::CC_UTF8);
    }
    std::vector<GS::UniChar> units(size / sizeof(GS::UniChar));
    if (!units.empty()) // memcpy from the empty input's null data is undefined
        std::memcpy(units.data(), data, units.size() * sizeof(GS::UniChar));
    const GS::UniString wide(units.data(), USize(units.size()));
    FUZZ_CHECK(wide.GetLength() == units.size());
    CheckStable(wide, GS::CC_UTF8);

    GS::Array<GS::UniString> parts;
    const USize count = wide.Split("\n", GS::UniString::KeepEmptyParts, &parts);
    USize total = 0;
    for (const GS::UniString& part : parts)
        total += part.GetLength();
    FUZZ_CHECK(count == parts.GetSize());
    FUZZ_CHECK(wide.IsEmpty() ? count == 0 : total + count - 1 == wide.GetLength());
    if (size >= 2) {
        const UIndex from = data[0] % (wide.GetLength() + 1);
        FUZZ_CHECK(wide.GetSubstring(from, data[1]).GetLength() <= wide.GetLength() - from);
    }
    return 0;
}
