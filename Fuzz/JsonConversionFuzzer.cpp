// JSON text to an object state and back: any text is converted or refused with an error code, and
// what was converted writes out (plain and pretty) to text that reads back to the same state.

#include "GSRoot/ObjectState.hpp"
#include "GSRoot/UniString.hpp"
#include "JSON/JSONConversion.hpp"

#include "FuzzCheck.hpp"

#include <cstddef>
#include <cstdint>
#include <initializer_list>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const GS::UniString text(reinterpret_cast<const char*>(data), USize(size), GS::CC_UTF8);
    GS::ObjectState state;
    if (JSON::ConvertToObjectState(text, state) != NoError)
        return 0;
    for (const bool pretty : {false, true}) {
        GS::UniString once;
        FUZZ_CHECK(JSON::CreateFromObjectState(state, once, pretty) == NoError);
        GS::ObjectState again;
        FUZZ_CHECK(JSON::ConvertToObjectState(once, again) == NoError);
        GS::UniString twice;
        FUZZ_CHECK(JSON::CreateFromObjectState(again, twice, pretty) == NoError);
        FUZZ_CHECK(once == twice);
    }
    return 0;
}
