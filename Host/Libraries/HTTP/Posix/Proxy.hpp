#pragma once

// The proxy an https request goes through, chosen from the environment as curl chooses it.

#include "GSRoot/Definitions.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace HTTP::Proxy {

struct Server {
    std::string host; // an IPv6 literal without its brackets
    UInt16 port = 0;
    std::optional<std::string> credentials; // "user:password", percent-decoded

    // "proxy host:port", never with the credentials: for messages.
    std::string Name() const;
};

// https_proxy (else HTTPS_PROXY): "host:port" or "http://[user:password@]host[:port]", port 1080 when
// none is given; nothing when unset or empty, or when no_proxy (else NO_PROXY) exempts originHost.
// Throws GS::GSException, without the credentials, for a proxy it cannot use.
std::optional<Server> ForOrigin(std::string_view originHost);

// The value of the Proxy-Authorization field for the credentials.
std::string BasicAuthorization(const std::string& credentials);

} // namespace HTTP::Proxy
