#pragma once

// A real HTTP proxy for the client's tests: Debian's tinyproxy on a free loopback port, with its own
// configuration and log. A Windows test has the TLS relay start it natively.

#include "ChildProgram.hpp"

#ifdef _WIN32
#include "RelayedHelper.hpp"
#else
#include "TestPlatform.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <thread>
#endif

#include <cstdint>
#include <string>
#include <vector>

namespace HttpTest {

struct ProxySettings {
    std::vector<std::uint16_t> connectPorts; // the only ports CONNECT may reach; others get 403
    std::string user;                        // with password: Basic credentials required, else 407
    std::string password;
};

class TinyProxy {
public:
    explicit TinyProxy(const ProxySettings& settings);

    std::uint16_t GetPort() const { return port; }
    const std::filesystem::path& Folder() const;
    std::string ReadLog() const { return Testing::ReadFile(Folder() / "log"); }

private:
#ifdef _WIN32
    RelayedHelper process;
    std::uint16_t port;
#else
    std::uint16_t port;
    HostTest::TemporaryFolder folder; // its configuration, log and output
    Testing::ChildProgram process;
#endif
};

#ifndef _WIN32

// A proxy that resets its one connection (RST, no answer) once the first bytes have arrived.
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

// A loopback port that accepts connections.
bool Accepts(std::uint16_t port);
#endif

} // namespace HttpTest
