#pragma once

// Host-side settings of HTTP, for the workbench and tests only; the add-on never sees them. They
// apply to connections made after the call and are shared by all threads.

#include "GSRoot/Definitions.hpp"

#include <string>

namespace HTTP::Host {

constexpr UInt64 DefaultResponseBodyLimit = 16 * 1024 * 1024;

// Trusts the CA certificates of a PEM file in addition to the system's. Throws std::runtime_error
// naming the reason when the file cannot be read or holds no well-formed certificate.
void AddTrustedCertificateFile(const std::string& path);

// Like curl's --connect-to: connections for host:port go to toHost:toPort, while the TLS server name,
// the certificate check and the Host field still use host. Replaces an earlier entry for host:port.
// Through a proxy (on POSIX, https_proxy unless no_proxy names host), as in curl, the proxy is used as
// the environment gives it and the tunnel is asked for toHost:toPort.
void SetConnectTo(const std::string& host, UInt16 port, const std::string& toHost, UInt16 toPort);
void ClearConnectTo();

// A response whose body exceeds this many bytes fails; DefaultResponseBodyLimit until changed.
void SetResponseBodyLimit(UInt64 bytes);

// Back to the defaults: system trust only, no connect-to entries, the default body limit.
void ResetSettings();

} // namespace HTTP::Host
