#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

namespace kavelo {

class Client;
class LiveFeed;
class Routes;

struct Limits {
    std::uint64_t maxBody = 0;
    std::size_t maxConnections = 0;
    std::size_t maxConnectionsPerAddress = 0;
    std::size_t maxStreamsPerAddress = 0;
    std::chrono::milliseconds streamLifetime{};
    std::chrono::milliseconds readTimeout{};
    std::chrono::milliseconds idleTimeout{};
    std::chrono::milliseconds shutdownGrace{};
};

// Accepts TLS connections and keeps the count of open ones within the limit: at the limit it stops
// accepting, so further clients wait in the listen queue instead of being turned away. One client
// address holds at most its share: past it, a new connection takes the place of that address's
// longest-waiting idle one, or is closed when there is none, so the rest stays for everyone else.
// All of it runs on the io_context's one thread; requests go to `workers`.
class Server {
public:
    Server(boost::asio::io_context& io, boost::asio::ssl::context& tls,
           const boost::asio::ip::tcp::endpoint& listen, const Limits& limits, Routes& routes,
           boost::asio::thread_pool& workers, LiveFeed& feed);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    boost::asio::ip::tcp::endpoint LocalEndpoint() const;
    void Start();
    // Stops accepting, closes idle connections and lets requests in flight finish within the grace
    // period; connections still open then are cut. `stopped` is called once the last one is gone.
    void Shutdown(std::function<void()> stopped);
    // Cuts every connection at once (a second signal).
    void CloseAll();

    // For the clients.
    boost::asio::ssl::context& Tls() { return tls_; }
    const Limits& GetLimits() const { return limits_; }
    Routes& GetRoutes() { return routes_; }
    boost::asio::thread_pool& Workers() { return workers_; }
    LiveFeed& Feed() { return feed_; }
    boost::asio::io_context& Io() { return io_; }
    void Release(Client* client);
    // `from` goes on as `to`, in the same place among the open connections.
    void HandOver(Client& from, std::shared_ptr<Client> to);
    // Counts a live-view stream of `address`; false when the address has its share open.
    bool OpenStream(const boost::asio::ip::address& address);
    void CloseStream(const boost::asio::ip::address& address);

private:
    void Accept();
    // Whether `socket`'s address may have another connection, making room when it can.
    bool Admit(const boost::asio::ip::address& address);
    std::vector<std::shared_ptr<Client>> OpenClients() const;

    boost::asio::io_context& io_;
    boost::asio::ssl::context& tls_;
    Limits limits_;
    Routes& routes_;
    boost::asio::thread_pool& workers_;
    LiveFeed& feed_;
    boost::asio::ip::tcp::acceptor acceptor_;
    boost::asio::steady_timer retryTimer_;
    boost::asio::steady_timer graceTimer_;
    std::unordered_map<Client*, std::weak_ptr<Client>> clients_;
    std::map<boost::asio::ip::address, std::size_t> streams_;
    std::function<void()> stopped_;
    bool accepting_ = false;
    bool stopping_ = false;
};

} // namespace kavelo
