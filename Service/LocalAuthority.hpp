#pragma once

#include <ctime>
#include <filesystem>

namespace kavelo {

struct ServerIdentity {
    std::filesystem::path certificate; // PEM, the server's certificate
    std::filesystem::path key;         // PEM, its private key, readable by the owner only
    std::filesystem::path authority;   // PEM, the certificate of the local authority that issued it
    bool authorityCreated = false;
    bool certificateIssued = false;
};

// The service's own certificate authority and a server certificate for localhost, 127.0.0.1 and
// ::1, kept in `folder` ("ca.pem", "ca-key.pem", "server.pem", "server-key.pem"). Made on first use
// and reused afterwards; a server certificate within 30 days of expiry at `now`, or issued by
// another authority, is issued anew. The authority may only vouch for loopback names, so trusting
// it cannot make any other site trusted. Throws std::runtime_error when a file cannot be read or
// written.
ServerIdentity EnsureLocalIdentity(const std::filesystem::path& folder, std::time_t now);

} // namespace kavelo
