// Windows reads more into a name than POSIX does: a backslash or a colon leads to another folder,
// drive or stream, a device name (with any extension) opens the device in every folder, and the
// trailing dots and blanks it drops would make the name another entry's.

#include "Names.hpp"

#include <algorithm>
#include <array>
#include <string>

namespace IO::Detail {
namespace {

constexpr std::u16string_view Refused(u"\\/:*?\"<>|");

bool IsControl(char16_t unit) {
    return unit < 0x20;
}

char16_t Upper(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? char16_t(unit - u'a' + u'A') : unit;
}

bool EqualsIgnoringCase(std::u16string_view text, std::u16string_view upper) {
    return text.size() == upper.size() && std::equal(text.begin(), text.end(), upper.begin(),
                                                     [](char16_t a, char16_t b) { return Upper(a) == b; });
}

// The numbered devices take the digits 1 to 9 and the superscripts ¹ ² ³.
bool IsDeviceNumber(char16_t unit) {
    return (unit >= u'1' && unit <= u'9') || unit == u'\u00b9' || unit == u'\u00b2' || unit == u'\u00b3';
}

// Up to the first dot, without the blanks Windows drops before it: "nul .txt" is NUL too.
bool IsDeviceName(std::u16string_view name) {
    std::u16string_view base = name.substr(0, name.find(u'.'));
    base = base.substr(0, base.find_last_not_of(u' ') + 1);
    constexpr std::array<std::u16string_view, 6> Plain = {u"CON", u"PRN",    u"AUX",
                                                          u"NUL", u"CONIN$", u"CONOUT$"};
    if (std::any_of(Plain.begin(), Plain.end(),
                    [&](std::u16string_view device) { return EqualsIgnoringCase(base, device); }))
        return true;
    return base.size() == 4 &&
           (EqualsIgnoringCase(base.substr(0, 3), u"COM") || EqualsIgnoringCase(base.substr(0, 3), u"LPT")) &&
           IsDeviceNumber(base[3]);
}

} // namespace

bool IsEntryName(std::u16string_view name) {
    return name.find_first_of(Refused) == name.npos && std::none_of(name.begin(), name.end(), IsControl) &&
           name.back() != u'.' && name.back() != u' ' && !IsDeviceName(name);
}

// The system takes the path in UTF-16, as the location holds it.
std::optional<std::filesystem::path> SystemPath(const GS::UniString& location) {
    const std::wstring path(location.ToUStr(), location.ToUStr() + location.GetLength());
    if (path.find(L'\0') != std::wstring::npos)
        return std::nullopt;
    return std::filesystem::path(path);
}

} // namespace IO::Detail
