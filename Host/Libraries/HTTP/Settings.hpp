#pragma once

// The library's view of the host-side settings of HTTPHost.hpp.

#include "GSRoot/Definitions.hpp"

struct ssl_ctx_st; // OpenSSL's SSL_CTX

#include <optional>
#include <string>
#include <string_view>

namespace HTTP::Settings {

struct Endpoint {
    std::string host;
    UInt16 port = 0;
};

std::optional<Endpoint> FindConnectTo(std::string_view host, UInt16 port);

// Adds the extra trusted CA certificates to the context's store; false when OpenSSL refuses one.
bool AddTrustedCertificates(ssl_ctx_st* context);

UInt64 ResponseBodyLimit();

} // namespace HTTP::Settings
