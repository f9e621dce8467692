#pragma once

// What a request may carry, whatever sends it: every check throws GS::GSException naming the fault.

#include "HTTP/Client.hpp"
#include "HeaderFieldAccess.hpp"

#include <string>

namespace HTTP {

// The method's name on the wire.
const char* MethodName(MessageHeader::Method::Id method);

// 10 for HTTP/1.0, 11 for HTTP/1.1.
unsigned VersionNumber(MessageHeader::HTTPVersion version);

// A body pointer for any length, and a target of visible ASCII.
std::string CheckedTarget(const Client::Request& request, const char* body, USize length);

// A token for a name, no line breaks or controls in the value, and none of the fields the
// library sets itself (Host, Content-Length, Transfer-Encoding).
void CheckField(const MessageHeader::HeaderFieldAccess::Field& field);

// Content-Length goes with any body, and always with POST and PUT.
bool NeedsContentLength(MessageHeader::Method::Id method, USize length);

} // namespace HTTP
