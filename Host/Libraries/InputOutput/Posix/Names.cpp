#include "FileSystem.hpp"

namespace IO::Detail {

bool IsEntryName(std::u16string_view name) {
    constexpr std::u16string_view Separators(u"/\0", 2); // a zero would cut the path short
    return name.find_first_of(Separators) == name.npos;
}

} // namespace IO::Detail
