#include "RequestRules.hpp"

#include "Text.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace HTTP {

namespace {

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
                       [&name](const char* own) { return EqualsIgnoringCase(name, own); });
}

} // namespace

const char* MethodName(MessageHeader::Method::Id method) {
    switch (method) {
    case MessageHeader::Method::Get:
        return "GET";
    case MessageHeader::Method::Head:
        return "HEAD";
    case MessageHeader::Method::Post:
        return "POST";
    case MessageHeader::Method::Put:
        return "PUT";
    case MessageHeader::Method::Delete:
        return "DELETE";
    }
    Throw("unsupported HTTP method id " + std::to_string(static_cast<Int32>(method)));
}

unsigned VersionNumber(MessageHeader::HTTPVersion version) {
    switch (version) {
    case MessageHeader::HTTPVersion::Version10:
        return 10;
    case MessageHeader::HTTPVersion::Version11:
        return 11;
    }
    Throw("unsupported HTTP version id " + std::to_string(static_cast<Int32>(version)));
}

std::string CheckedTarget(const Client::Request& request, const char* body, USize length) {
    if (body == nullptr && length > 0) {
        Throw("request body missing: no bytes given for a length of " + std::to_string(length));
    }
    std::string target = ToUtf8(request.GetTarget());
    if (!IsTarget(target)) {
        Throw("invalid request target '" + target + "': it must be non-empty visible ASCII");
    }
    return target;
}

void CheckField(const MessageHeader::HeaderFieldAccess::Field& field) {
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
}

bool NeedsContentLength(MessageHeader::Method::Id method, USize length) {
    return length > 0 || method == MessageHeader::Method::Post || method == MessageHeader::Method::Put;
}

} // namespace HTTP
