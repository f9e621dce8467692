#pragma once

// The TLS end of the test server, on Boost.Asio and OpenSSL: the POSIX test server itself, and the
// native relay through which Windows tests reach theirs.

#include "TestCertificates.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/ssl/stream.hpp>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace HttpTest {

using TlsStream = boost::asio::ssl::stream<boost::asio::ip::tcp::socket>;

std::string ServerNameOf(TlsStream& stream); // the client's SNI, "" for none

// Accepts `connections` connections on a loopback port, one after the other, and hands each to
// `handle` after a good TLS handshake; a failed handshake takes its turn all the same.
class TlsServer {
public:
    using Handler = std::function<void(TlsStream&)>;

    TlsServer(const Credentials& credentials, Handler handle, int connections, std::uint16_t port);
    TlsServer(const TlsServer&) = delete;
    TlsServer& operator=(const TlsServer&) = delete;
    ~TlsServer();

    std::uint16_t GetPort() const { return port; }

private:
    void Serve(const Handler& handle, int connections);

    boost::asio::io_context io;
    boost::asio::ssl::context tls;
    boost::asio::ip::tcp::acceptor acceptor;
    std::uint16_t port;
    std::atomic<bool> stopping{false};
    std::atomic<bool> acceptedAll{false};
    std::thread thread;
};

} // namespace HttpTest
