#include "Wide.hpp"

#include "GSRootHost.hpp"

#include <stdexcept>

namespace Desktop {

std::wstring Widen(std::string_view utf8) {
    bool replaced = false;
    const std::u16string units = GS::Host::Utf8ToUtf16(utf8, &replaced);
    if (replaced)
        throw std::invalid_argument("text is not UTF-8: " + std::string(utf8));
    return std::wstring(units.begin(), units.end());
}

} // namespace Desktop
