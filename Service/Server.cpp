#include "Server.hpp"

#include "Connection.hpp"
#include "Log.hpp"

#include <boost/asio/ip/v6_only.hpp>
#include <boost/system/system_error.hpp>

#include <optional>
#include <stdexcept>
#include <vector>

namespace kavelo {

namespace net = boost::asio;

Server::Server(net::io_context& io, net::ssl::context& tls, const net::ip::tcp::endpoint& listen,
               const Limits& limits, Routes& routes, net::thread_pool& workers, LiveFeed& feed)
    : io_(io), tls_(tls), limits_(limits), routes_(routes), workers_(workers), feed_(feed), acceptor_(io),
      retryTimer_(io), graceTimer_(io) {
    try {
        acceptor_.open(listen.protocol());
        acceptor_.set_option(net::socket_base::reuse_address(true));
        if (listen.address().is_v6())
            acceptor_.set_option(net::ip::v6_only(true));
        acceptor_.bind(listen);
        acceptor_.listen(net::socket_base::max_listen_connections);
    } catch (const boost::system::system_error& error) {
        throw std::runtime_error("cannot listen on " + listen.address().to_string() + " port " +
                                 std::to_string(listen.port()) + ": " + error.code().message());
    }
}

Server::~Server() = default;

net::ip::tcp::endpoint Server::LocalEndpoint() const {
    return acceptor_.local_endpoint();
}

void Server::Start() {
    Accept();
}

void Server::Accept() {
    if (stopping_ || accepting_ || clients_.size() >= limits_.maxConnections)
        return;
    accepting_ = true;
    acceptor_.async_accept([this](boost::system::error_code error, net::ip::tcp::socket socket) {
        accepting_ = false;
        if (stopping_)
            return;
        if (error) {
            // Out of descriptors, most likely: try again shortly rather than spin.
            LogError("accept_failed").Add("reason", error.message());
            retryTimer_.expires_after(std::chrono::milliseconds(100));
            retryTimer_.async_wait([this](boost::system::error_code cancelled) {
                if (!cancelled)
                    Accept();
            });
            return;
        }
        boost::system::error_code gone;
        const auto address = socket.remote_endpoint(gone).address();
        if (gone || !Admit(address)) {
            LogInfo("connection_refused").Add("peer", gone ? "unknown" : address.to_string());
            socket.close(gone);
            return Accept();
        }
        auto connection = std::make_shared<Connection>(std::move(socket), address, *this);
        clients_.emplace(connection.get(), connection);
        connection->Start();
        Accept();
    });
}

bool Server::Admit(const net::ip::address& address) {
    std::size_t count = 0;
    std::shared_ptr<Client> longestIdle;
    std::optional<std::chrono::steady_clock::time_point> longestSince;
    for (const auto& open : OpenClients()) {
        if (open->Address() != address || open->IsClosing())
            continue;
        ++count;
        const auto since = open->WaitingSince();
        if (since && (!longestSince || *since < *longestSince)) {
            longestIdle = open;
            longestSince = since;
        }
    }
    if (count < limits_.maxConnectionsPerAddress)
        return true;
    if (!longestIdle)
        return false;
    longestIdle->ForceClose();
    return true;
}

bool Server::OpenStream(const net::ip::address& address) {
    std::size_t& count = streams_[address];
    if (count >= limits_.maxStreamsPerAddress)
        return false;
    ++count;
    return true;
}

void Server::CloseStream(const net::ip::address& address) {
    if (const auto found = streams_.find(address); found != streams_.end() && --found->second == 0)
        streams_.erase(found);
}

void Server::Release(Client* client) {
    if (clients_.erase(client) == 0)
        return; // handed over
    if (!stopping_) {
        Accept();
    } else if (clients_.empty()) {
        graceTimer_.cancel();
        stopped_();
    }
}

void Server::HandOver(Client& from, std::shared_ptr<Client> to) {
    clients_.erase(&from);
    clients_.emplace(to.get(), to);
}

void Server::Shutdown(std::function<void()> stopped) {
    if (stopping_)
        return;
    stopping_ = true;
    stopped_ = std::move(stopped);
    boost::system::error_code ignored;
    acceptor_.close(ignored);
    retryTimer_.cancel();
    for (const auto& client : OpenClients())
        client->Stop();
    LogInfo("shutting_down").Add("connections", clients_.size());
    if (clients_.empty())
        return stopped_();
    graceTimer_.expires_after(limits_.shutdownGrace);
    graceTimer_.async_wait([this](boost::system::error_code cancelled) {
        if (!cancelled)
            CloseAll();
    });
}

void Server::CloseAll() {
    for (const auto& client : OpenClients())
        client->ForceClose();
}

// A copy, as closing a connection may end it and so change the map.
std::vector<std::shared_ptr<Client>> Server::OpenClients() const {
    std::vector<std::shared_ptr<Client>> open;
    for (const auto& [pointer, client] : clients_) {
        if (auto alive = client.lock())
            open.push_back(std::move(alive));
    }
    return open;
}

} // namespace kavelo
