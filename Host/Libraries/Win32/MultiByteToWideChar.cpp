#include "Win32/Windows.hpp"

#include "GSRootHost.hpp"

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

extern "C" int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH multiByteStr, int multiByteCount,
                                   LPWSTR wideCharStr, int wideCharCount) {
    // Refusals answer 0, as Windows does for a bad parameter, code page or flag.
    if (codePage != CP_UTF8 || flags != 0 || multiByteStr == nullptr || multiByteCount == 0 ||
        multiByteCount < -1 || wideCharCount < 0 || (wideCharCount > 0 && wideCharStr == nullptr)) {
        return 0;
    }
    // A Windows call reports failure by its result and never throws into its caller.
    try {
        // -1: up to and including the terminator, which then converts like any other character.
        const std::size_t byteCount =
            multiByteCount == -1 ? std::strlen(multiByteStr) + 1 : static_cast<std::size_t>(multiByteCount);
        const std::u16string units = GS::Host::Utf8ToUtf16(std::string_view(multiByteStr, byteCount));
        if (units.size() > static_cast<std::size_t>(INT_MAX)) {
            return 0;
        }
        if (wideCharCount == 0) {
            return static_cast<int>(units.size());
        }
        if (units.size() > static_cast<std::size_t>(wideCharCount)) {
            return 0; // ERROR_INSUFFICIENT_BUFFER on Windows
        }
        std::copy(units.begin(), units.end(), wideCharStr);
        return static_cast<int>(units.size());
    } catch (const std::exception&) {
        return 0;
    }
}
