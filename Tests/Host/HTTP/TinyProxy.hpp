#pragma once

// A real HTTP proxy for the client's tests: Debian's tinyproxy on a free loopback port, with its own
// configuration and log.

#include "ChildProgram.hpp"
#include "TestPlatform.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <cstdint>
#include <string>
#include <thread>
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
    std::string ReadLog() const { return Testing::ReadFile(folder.Path() / "log"); }

private:
    std::uint16_t port;
    HostTest::TemporaryFolder folder; // its configuration, log and output
    Testing::ChildProgram process;
};

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

} // namespace HttpTest
