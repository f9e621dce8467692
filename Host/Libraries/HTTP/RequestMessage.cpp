#include "RequestMessage.hpp"

#include "HeaderFieldAccess.hpp"
#include "Text.hpp"

#include <boost/beast/core/string.hpp>

#include <algorithm>
#include <array>

namespace HTTP {

namespace {

namespace http = boost::beast::http;
using MessageHeader::HeaderFieldAccess;

http::verb VerbOf(MessageHeader::Method::Id method) {
    switch (method) {
    case MessageHeader::Method::Get:
        return http::verb::get;
    case MessageHeader::Method::Head:
        return http::verb::head;
    case MessageHeader::Method::Post:
        return http::verb::post;
    case MessageHeader::Method::Put:
        return http::verb::put;
    case MessageHeader::Method::Delete:
        return http::verb::delete_;
    }
    Throw("unsupported HTTP method id " + std::to_string(static_cast<Int32>(method)));
}

unsigned VersionOf(MessageHeader::HTTPVersion version) {
    switch (version) {
    case MessageHeader::HTTPVersion::Version10:
        return 10;
    case MessageHeader::HTTPVersion::Version11:
        return 11;
    }
    Throw("unsupported HTTP version id " + std::to_string(static_cast<Int32>(version)));
}

bool IsTokenCharacter(unsigned char c) {
    constexpr std::string_view Punctuation = "!#$%&'*+-.^_`|~";
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           Punctuation.find(static_cast<char>(c)) != std::string_view::npos;
}

bool IsToken(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsTokenCharacter);
}

// No line breaks or other controls: they would end the field early and smuggle in text of their own.
bool IsFieldValue(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return c == '\t' || (c >= 0x20 && c != 0x7F); });
}

bool IsTarget(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return c > 0x20 && c < 0x7F; });
}

bool IsSetByLibrary(const std::string& name) {
    constexpr std::array<const char*, 3> Names = {"Host", "Content-Length", "Transfer-Encoding"};
    return std::any_of(Names.begin(), Names.end(),
                       [&name](const char* own) { return boost::beast::iequals(name, own); });
}

void AddField(RequestMessage& message, const HeaderFieldAccess::Field& field) {
    if (!IsToken(field.name)) {
        Throw("invalid header field name '" + field.name + "'");
    }
    if (IsSetByLibrary(field.name)) {
        Throw("header field '" + field.name + "' is set by the HTTP library itself");
    }
    if (!IsFieldValue(field.value)) {
        Throw("invalid value of header field '" + field.name +
              "': line breaks and control characters are not allowed");
    }
    message.insert(field.name, field.value);
}

} // namespace

RequestMessage MakeRequestMessage(const Client::Request& request, const std::string& hostField,
                                  const char* body, USize length) {
    if (body == nullptr && length > 0) {
        Throw("request body missing: no bytes given for a length of " + std::to_string(length));
    }
    const std::string target = ToUtf8(request.GetTarget());
    if (!IsTarget(target)) {
        Throw("invalid request target '" + target + "': it must be non-empty visible ASCII");
    }
    RequestMessage message;
    message.method(VerbOf(request.GetMethod()));
    message.target(target);
    message.version(VersionOf(request.GetVersion()));
    message.set(http::field::host, hostField);
    for (const HeaderFieldAccess::Field& field :
         HeaderFieldAccess::GetFields(request.GetRequestHeaderFieldCollection())) {
        AddField(message, field);
    }
    if (length > 0 || message.method() == http::verb::post || message.method() == http::verb::put) {
        message.content_length(length);
    }
    // The serializer only reads through this pointer.
    message.body().data = length > 0 ? const_cast<char*>(body) : nullptr;
    message.body().size = length;
    message.body().more = false;
    return message;
}

} // namespace HTTP
