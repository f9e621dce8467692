#pragma once

// A TLS server on a loopback port for the HTTP client's tests. Each accepted connection runs a
// session on the server's own thread; a session writes raw bytes, so it can answer anything from a
// correct response to garbage. On POSIX the server is Boost.Asio and OpenSSL in the test process;
// on Windows, where neither has a build, the sessions still run in the test process while a native
// relay (TlsRelay.cpp) terminates TLS for them.

#include "TestCertificates.hpp"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace HttpTest {

struct ReceivedRequest {
    std::string head; // start line and fields as they arrived, up to and including the blank line
    std::string body;
};

// The byte stream under a connection, after the TLS handshake.
class Transport {
public:
    virtual ~Transport() = default;
    // Some bytes, or 0 once the client closed in order (its close_notify); throws when the
    // connection broke (truncation, reset).
    virtual std::size_t ReadSome(char* buffer, std::size_t size) = 0;
    virtual void Write(std::string_view bytes) = 0;
    virtual std::string ServerName() const = 0;
    virtual void ShutDown() = 0;
    virtual void Drop() = 0;
    // The session is over and the wait for the client's close begins.
    virtual void SessionEnded() {}
};

// The server's side of one accepted connection, after the TLS handshake.
class Connection {
public:
    explicit Connection(Transport& connectionTransport) : transport(connectionTransport) {}

    std::string ReadHead(); // leaves the body unread
    ReceivedRequest ReadRequest();
    void Write(std::string_view bytes) { transport.Write(bytes); }
    std::string ServerName() const { return transport.ServerName(); } // the client's SNI, "" for none
    void ShutDown() { transport.ShutDown(); } // close_notify, then wait for the client's
    void Drop() { transport.Drop(); }         // close the socket without a word
    // Reads until the client closes, then answers its close_notify if it sent one.
    void AwaitClientClose();

private:
    void ReadMore();

    Transport& transport;
    std::string pending; // bytes read beyond the last request
};

class TestServer {
public:
    using Session = std::function<void(Connection&)>;

    // Serves `connections` connections one after the other, each with session and then
    // AwaitClientClose; listens on `port`, any free one when 0.
    TestServer(const Credentials& credentials, Session session, int connections = 1, std::uint16_t port = 0);
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;
    ~TestServer();

    std::uint16_t GetPort() const { return port; }

    struct Impl; // the platform's

private:
    void RunSession(Transport& transport) const; // the session, then AwaitClientClose

    Session session;
    std::unique_ptr<Impl> impl;
    std::uint16_t port;
};

// A port that accepts TCP connections (the kernel completes them) but never reads or answers; on
// `port`, any free one when 0.
class SilentListener {
public:
    explicit SilentListener(std::uint16_t port = 0);
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    ~SilentListener();
    std::uint16_t GetPort() const;

    struct Impl; // the platform's

private:
    std::unique_ptr<Impl> impl;
};

// A loopback port nobody listens on.
std::uint16_t ClosedPort();

// For a case that Windows cannot have as POSIX has it; the reason says why.
#ifdef _WIN32
#define SKIP_ON_WINDOWS(reason) GTEST_SKIP() << (reason)
#else
#define SKIP_ON_WINDOWS(reason) static_cast<void>(reason)
#endif

// What a session hands to the test; waits boundedly, so a broken exchange fails instead of hanging.
template <typename T>
T Take(std::future<T> future) {
    if (future.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        throw std::runtime_error("the test server's session did not report");
    }
    return future.get();
}

} // namespace HttpTest
