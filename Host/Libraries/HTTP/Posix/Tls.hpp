#pragma once

// TLS set-up of a client connection: whom to trust and whom to expect.

#include <boost/asio/ssl/context.hpp>

#include <optional>
#include <string>

namespace HTTP::Tls {

// TLS 1.2 or later, the peer's certificate always verified against the system's trusted CAs and the
// host-side extra ones. Throws GS::GSException when the trust cannot be loaded.
boost::asio::ssl::context MakeClientContext();

// The certificate must name host (a DNS name, or an IP address for an IP literal); a DNS name is
// also sent as the server name (SNI).
void ExpectServer(SSL* ssl, const std::string& host, bool isIpLiteral);

// "certificate verify failed: ..." when the handshake failed on the server's certificate.
std::optional<std::string> DescribeVerifyFailure(const SSL* ssl, const std::string& host);

} // namespace HTTP::Tls
