#pragma once

#include <boost/asio/ssl/context.hpp>

#include <filesystem>

namespace kavelo {

// The server side of TLS 1.2 and 1.3 with the given certificate chain and key (PEM files), forward
// secret AEAD ciphers only, no renegotiation. Throws std::runtime_error naming the file at fault.
boost::asio::ssl::context MakeTlsContext(const std::filesystem::path& certificateChain,
                                         const std::filesystem::path& key);

} // namespace kavelo
