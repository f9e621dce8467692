#include "Names.hpp"

#include <cstring>

namespace IO::Detail {

bool IsEntryName(std::u16string_view name) {
    constexpr std::u16string_view Separators(u"/\0", 2); // a zero would cut the path short
    return name.find_first_of(Separators) == name.npos;
}

std::optional<std::filesystem::path> SystemPath(const GS::UniString& location) {
    const GS::UniString::CStr path = location.ToCStr(0, MaxUSize, GS::CC_UTF8);
    if (std::strlen(path.Get()) != path.GetLength())
        return std::nullopt;
    return std::filesystem::path(path.Get());
}

} // namespace IO::Detail
