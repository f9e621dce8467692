#include "UploadBody.hpp"

#include "Base64.hpp"

#include <simdjson.h>

#include <string_view>

namespace kavelo {

static_assert(kUploadBodyPadding >= simdjson::SIMDJSON_PADDING);

namespace {

constexpr std::string_view kDataUrlPrefix = "data:image/jpeg;base64,";

// Start-of-image marker followed by another marker, and the end-of-image marker last.
bool IsJpeg(std::string_view bytes) {
    return bytes.size() >= 5 && bytes.substr(0, 3) == "\xff\xd8\xff" &&
           bytes.substr(bytes.size() - 2) == "\xff\xd9";
}

// Reads the string member `key` of `object` into `out`; on failure, returns why.
std::string StringMember(const simdjson::dom::object& object, std::string_view key, std::string_view& out) {
    simdjson::dom::element value;
    if (object.at_key(key).get(value) != simdjson::SUCCESS)
        return "member \"" + std::string(key) + "\" is missing";
    if (value.get_string().get(out) != simdjson::SUCCESS)
        return "member \"" + std::string(key) + "\" must be a string";
    return {};
}

} // namespace

std::variant<Upload, std::string> ReadUpload(std::string& body) {
    if (body.capacity() < body.size() + simdjson::SIMDJSON_PADDING)
        body.reserve(body.size() + simdjson::SIMDJSON_PADDING);

    // One parser per worker thread keeps its buffers, sized for the largest body seen so far.
    thread_local simdjson::dom::parser parser;
    simdjson::dom::element document;
    if (parser.parse(body.data(), body.size(), false).get(document) != simdjson::SUCCESS)
        return std::string("body is not valid JSON");
    simdjson::dom::object object;
    if (document.get_object().get(object) != simdjson::SUCCESS)
        return std::string("body must be a JSON object");

    std::string_view image, name, source;
    const std::pair<std::string_view, std::string_view*> members[] = {
        {"image", &image}, {"name", &name}, {"source", &source}};
    for (const auto& [key, out] : members) {
        if (std::string problem = StringMember(object, key, *out); !problem.empty())
            return problem;
    }
    if (!image.starts_with(kDataUrlPrefix))
        return std::string("image must be a data:image/jpeg;base64, URL");

    Upload upload;
    if (!DecodeBase64(image.substr(kDataUrlPrefix.size()), upload.jpeg))
        return std::string("image data is not valid base64");
    if (!IsJpeg(upload.jpeg))
        return std::string("image is not a JPEG");
    upload.name = name;
    upload.source = source;
    return upload;
}

} // namespace kavelo
