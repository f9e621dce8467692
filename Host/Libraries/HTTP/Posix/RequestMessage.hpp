#pragma once

// A Request as it goes on the wire.

#include "HTTP/Client.hpp"

#include <boost/beast/http/buffer_body.hpp>
#include <boost/beast/http/message.hpp>

#include <string>

namespace HTTP {

using RequestMessage = boost::beast::http::request<boost::beast::http::buffer_body>;

// Start line, Host, the request's own fields in their order, and Content-Length for a body (always
// for POST and PUT). The body is referred to, not copied. Throws GS::GSException for a method,
// target or header field that cannot be sent as it is.
RequestMessage MakeRequestMessage(const Client::Request& request, const std::string& hostField,
                                  const char* body, USize length);

} // namespace HTTP
