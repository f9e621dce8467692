#pragma once

// The https origin a connection is made for, and how it is written.

#include "GSRoot/Definitions.hpp"
#include "IO/URI.hpp"

#include <string>
#include <string_view>

namespace HTTP {

struct Origin {
    std::string host; // an IPv6 literal without its brackets, as the URI keeps it
    UInt16 port = 0;
    bool isIpLiteral = false;
};

// Throws GS::GSException for text that is no URI or a scheme other than https.
Origin OriginOf(const IO::URI::URI& uri);

bool IsIpLiteral(std::string_view host);

// "host:port", an IPv6 literal in brackets.
std::string Authority(std::string_view host, UInt16 port);

// The Host field: the authority, without the port when it is https's default.
std::string HostField(const Origin& origin);

} // namespace HTTP
