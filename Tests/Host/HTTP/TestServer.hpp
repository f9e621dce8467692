#pragma once

// A TLS server on a loopback port for the HTTP client's tests. Each accepted connection runs a
// session on the server's own thread; a session writes raw bytes, so it can answer anything from a
// correct response to garbage.

#include "TestCertificates.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/ssl/stream.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

namespace HttpTest {

struct ReceivedRequest {
    std::string head; // start line and fields as they arrived, up to and including the blank line
    std::string body;
};

// The server's side of one accepted connection, after the TLS handshake.
class Connection {
public:
    explicit Connection(boost::asio::ssl::stream<boost::asio::ip::tcp::socket>& tlsStream)
        : stream(tlsStream) {}

    std::string ReadHead(); // leaves the body unread
    ReceivedRequest ReadRequest();
    void Write(std::string_view bytes);
    std::string ServerName() const; // the SNI the client sent, "" for none
    void ShutDown();                // close_notify, then wait for the client's
    void Drop();                    // close the socket without a word
    // Reads until the client closes, then answers its close_notify if it sent one.
    void AwaitClientClose();

private:
    boost::asio::ssl::stream<boost::asio::ip::tcp::socket>& stream;
    std::string pending; // bytes read beyond the last request
};

class TestServer {
public:
    using Session = std::function<void(Connection&)>;

    // Serves `connections` connections one after the other, each with session and then AwaitClientClose.
    TestServer(const Credentials& credentials, Session session, int connections = 1);
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;
    ~TestServer();

    std::uint16_t GetPort() const { return port; }

private:
    void Serve(const Session& session, int connections);

    boost::asio::io_context io;
    boost::asio::ssl::context tls;
    boost::asio::ip::tcp::acceptor acceptor;
    std::uint16_t port;
    std::atomic<bool> stopping{false};
    std::atomic<bool> acceptedAll{false};
    std::thread thread;
};

// A port that accepts TCP connections (the kernel completes them) but never reads or answers.
class SilentListener {
public:
    SilentListener();
    std::uint16_t GetPort() const;

private:
    boost::asio::io_context io;
    boost::asio::ip::tcp::acceptor acceptor;
};

// A port that resets its one connection (RST, no answer) once the first bytes have arrived.
class ResettingListener {
public:
    ResettingListener();
    ResettingListener(const ResettingListener&) = delete;
    ResettingListener& operator=(const ResettingListener&) = delete;
    ~ResettingListener();
    std::uint16_t GetPort() const;

private:
    boost::asio::io_context io;
    boost::asio::ip::tcp::acceptor acceptor;
    std::thread thread;
};

// A loopback port nobody listens on.
std::uint16_t ClosedPort();

// What a session hands to the test; waits boundedly, so a broken exchange fails instead of hanging.
template <typename T>
T Take(std::future<T> future) {
    if (future.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        throw std::runtime_error("the test server's session did not report");
    }
    return future.get();
}

} // namespace HttpTest
