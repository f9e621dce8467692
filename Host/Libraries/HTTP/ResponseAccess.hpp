#pragma once

// The connection's access to the Response it fills.

#include "HTTP/Client.hpp"

namespace HTTP::Client {

class ResponseAccess {
public:
    static void SetStatusCode(Response& response, UInt32 statusCode);
    static MessageHeader::HeaderFieldCollection& GetFields(Response& response);
};

} // namespace HTTP::Client
