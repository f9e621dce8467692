#pragma once

// Where a test sends the add-on's connections to its origin, https://localhost:8443. On POSIX
// connect-to sends them to a test server's port. WinHTTP connects where the URL says, so on Windows
// the test server listens at the origin's port itself, and with no server there nothing listens:
// the suite keeps that port to itself while it runs.

#include "HTTPHost.hpp"

#include <cstdint>

namespace Testing {

#ifdef _WIN32
constexpr std::uint16_t OriginServerPort = 8443;
inline void RouteOriginTo(std::uint16_t) {}
#else
constexpr std::uint16_t OriginServerPort = 0; // any free port
inline void RouteOriginTo(std::uint16_t port) {
    HTTP::Host::SetConnectTo("localhost", 8443, "127.0.0.1", port);
}
#endif

} // namespace Testing
