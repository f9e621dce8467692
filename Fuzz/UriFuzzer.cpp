// IO::URI on any text: a URI it accepts reads back to the same parts from its own text.

#include "GSRoot/UniString.hpp"
#include "IO/URI.hpp"

#include "FuzzCheck.hpp"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const IO::URI::URI uri(GS::UniString(reinterpret_cast<const char*>(data), USize(size), GS::CC_UTF8));
    if (uri.GetHost().IsEmpty())
        return 0;
    const IO::URI::URI again(uri.ToString());
    FUZZ_CHECK(again.GetScheme() == uri.GetScheme());
    FUZZ_CHECK(again.GetHost() == uri.GetHost());
    FUZZ_CHECK(again.GetPort() == uri.GetPort());
    FUZZ_CHECK(again.GetPath() == uri.GetPath());
    return 0;
}
