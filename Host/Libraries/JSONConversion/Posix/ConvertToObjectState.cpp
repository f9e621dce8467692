// Reading JSON with simdjson, the fastest parser the system offers.

#include "JSON/JSONConversion.hpp"

#include "GSRootHost.hpp"
#include "ObjectStateAccess.hpp"
#include "UniStringAccess.hpp"

#include <simdjson.h>

#include <new>
#include <optional>
#include <string>
#include <string_view>

namespace JSON {

GSErrCode ConvertToObjectState(const GS::UniString& json, GS::ObjectState& objectState) {
    // With the padding in place simdjson reads the text where it is instead of copying it: ASCII
    // text as the string holds it, other text converted to UTF-8.
    static_assert(GS::UniStringAccess::ReadAhead >= simdjson::SIMDJSON_PADDING);
    const std::optional<std::string_view> ascii = GS::UniStringAccess::GetAscii(json);
    const std::string converted =
        ascii ? std::string()
              : GS::Host::Utf16ToUtf8(std::u16string_view(json.ToUStr(), json.GetLength()),
                                      simdjson::SIMDJSON_PADDING);
    const std::string_view text = ascii ? *ascii : std::string_view(converted);
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    switch (parser.parse(text.data(), text.size(), false).get(root)) {
    case simdjson::SUCCESS:
        break;
    case simdjson::MEMALLOC:
        throw std::bad_alloc();
    case simdjson::CAPACITY:
        return ErrTextTooLong;
    default:
        return ErrMalformedJSON;
    }
    simdjson::dom::object object;
    if (root.get_object().get(object) != simdjson::SUCCESS) {
        return ErrNotAnObject;
    }
    // The whole document is validated before the first member is added.
    for (const simdjson::dom::key_value_pair member : object) {
        std::string_view value;
        if (member.value.get_string().get(value) == simdjson::SUCCESS) {
            GS::ObjectStateAccess::AddMember(objectState, member.key, value);
        }
    }
    return NoError;
}

} // namespace JSON
