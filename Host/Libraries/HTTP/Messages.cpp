#include "HTTP/Client.hpp"

#include "ResponseAccess.hpp"

namespace HTTP::Client {

Request::Request(MessageHeader::Method::Id methodId, const GS::UniString& requestTarget,
                 MessageHeader::HTTPVersion httpVersion)
    : method(methodId), target(requestTarget), version(httpVersion) {}

Request::~Request() = default;

Response::Response() = default;

Response::~Response() = default;

void ResponseAccess::SetStatusCode(Response& response, UInt32 statusCode) {
    response.statusCode = statusCode;
}

MessageHeader::HeaderFieldCollection& ResponseAccess::GetFields(Response& response) {
    return response.fields;
}

} // namespace HTTP::Client
