#pragma once

#include <boost/asio/ip/address.hpp>
#include <boost/beast/core/tcp_stream.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kavelo {

class Server;

// One client's TCP connection as the server counts it, whichever protocol it speaks by now: a
// Connection answering requests, or the EventStream that took its stream over. Leaves the server's
// count when it goes.
class Client {
public:
    Client(Server& server, boost::asio::ip::address address, std::string peer);
    virtual ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    const boost::asio::ip::address& Address() const { return address_; }
    const std::string& Peer() const { return peer_; }
    // Since when it holds a slot and nothing else (in the handshake or between requests), if it does.
    virtual std::optional<std::chrono::steady_clock::time_point> WaitingSince() const = 0;
    virtual bool IsClosing() const = 0;
    // The service is stopping: close now if idle, else after answering the request in hand.
    virtual void Stop() = 0;
    virtual void ForceClose() = 0;

protected:
    Server& server_;

private:
    boost::asio::ip::address address_;
    std::string peer_; // "address:port", for the log
};

inline constexpr std::size_t kReadChunk = 64 * 1024;
inline constexpr auto kWriteTimeout = std::chrono::seconds(30);

// Closes the connection at once, without a TLS goodbye.
void Cut(boost::beast::tcp_stream& stream);

// One request's log line, written once it is answered, or for the live feed once the stream ends.
struct RequestLog {
    std::chrono::steady_clock::time_point started;
    std::string method;
    std::string path;
    std::uint64_t bytesIn = 0;
    std::uint64_t bytesOut = 0;

    void Write(unsigned status, const std::string& peer) const;
};

} // namespace kavelo
