#include "RequestMessage.hpp"

#include "HeaderFieldAccess.hpp"
#include "RequestRules.hpp"
#include "Text.hpp"

namespace HTTP {

namespace http = boost::beast::http;
using MessageHeader::HeaderFieldAccess;

RequestMessage MakeRequestMessage(const Client::Request& request, const std::string& hostField,
                                  const char* body, USize length) {
    const std::string target = CheckedTarget(request, body, length);
    RequestMessage message;
    message.method_string(MethodName(request.GetMethod()));
    message.target(target);
    message.version(VersionNumber(request.GetVersion()));
    message.set(http::field::host, hostField);
    for (const HeaderFieldAccess::Field& field :
         HeaderFieldAccess::GetFields(request.GetRequestHeaderFieldCollection())) {
        CheckField(field);
        message.insert(field.name, field.value);
    }
    if (NeedsContentLength(request.GetMethod(), length)) {
        message.content_length(length);
    }
    // The serializer only reads through this pointer.
    message.body().data = length > 0 ? const_cast<char*>(body) : nullptr;
    message.body().size = length;
    message.body().more = false;
    return message;
}

} // namespace HTTP
