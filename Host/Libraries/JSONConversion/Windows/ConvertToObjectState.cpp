// Reading JSON with nlohmann's header-only parser, driven as an event stream: no document is built,
// and only the top-level string members are kept.

#include "JSON/JSONConversion.hpp"

#include "GSRootHost.hpp"
#include "ObjectStateAccess.hpp"

#include <nlohmann/json.hpp>

#include <string>
#include <utility>
#include <vector>

namespace JSON {
namespace {

// As deep as the other platform's parser goes.
constexpr std::size_t MaxDepth = 1024;

class TopLevelStrings : public nlohmann::json_sax<nlohmann::json> {
public:
    std::vector<std::pair<std::string, std::string>> members;
    bool rootIsObject = false;

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool string(string_t& value) override {
        if (depth == 1)
            members.emplace_back(std::move(memberName), std::move(value));
        return true;
    }
    bool key(string_t& name) override {
        memberName = std::move(name);
        return true;
    }
    bool start_object(std::size_t) override { return Open(true); }
    bool start_array(std::size_t) override { return Open(false); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

private:
    bool Open(bool isObject) {
        if (depth == 0)
            rootIsObject = isObject;
        return ++depth <= MaxDepth;
    }
    bool Close() {
        --depth;
        return true;
    }

    std::size_t depth = 0;
    std::string memberName;
};

} // namespace

GSErrCode ConvertToObjectState(const GS::UniString& json, GS::ObjectState& objectState) {
    const std::string text = GS::Host::Utf16ToUtf8(std::u16string_view(json.ToUStr(), json.GetLength()));
    TopLevelStrings reader;
    if (!nlohmann::json::sax_parse(text, &reader, nlohmann::json::input_format_t::json, true)) {
        return ErrMalformedJSON;
    }
    if (!reader.rootIsObject) {
        return ErrNotAnObject;
    }
    // The whole document is validated before the first member is added.
    for (const auto& [name, value] : reader.members) {
        GS::ObjectStateAccess::AddMember(objectState, name, value);
    }
    return NoError;
}

} // namespace JSON
