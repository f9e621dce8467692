#pragma once

// The response's status line and fields as WinHTTP hands them back, checked as strictly as the Linux
// client checks them: wine's WinHTTP passes conflicting lengths and oversized headers on as a good answer.

#include "GSRoot/Definitions.hpp"

#include "HeaderFieldAccess.hpp"

#include <optional>
#include <string_view>
#include <vector>

namespace HTTP::Client {

struct ResponseHead {
    UInt32 status = 0;
    std::vector<MessageHeader::HeaderFieldAccess::Field> fields;
    std::optional<UInt64> contentLength;
};

// From the raw header block (WINHTTP_QUERY_RAW_HEADERS_CRLF, narrowed to UTF-8); throws
// GS::GSException with the Linux client's words for a block too large, a status line that is not
// "HTTP/1.x NNN", a line that is no field, and a Content-Length that is repeated, signed, too large
// or beside a Transfer-Encoding.
ResponseHead ParseResponseHead(std::string_view raw);

} // namespace HTTP::Client
