#pragma once

#include "Client.hpp"
#include "Routes.hpp"

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kavelo {

// One TLS connection answering requests one after another (keep-alive). A request for the live
// feed hands the stream over to an EventStream. Every step runs on the network thread; requests
// are answered on a worker. Each read and write has a deadline, so no client can hold a connection
// without making progress.
class Connection : public Client, public std::enable_shared_from_this<Connection> {
public:
    Connection(boost::asio::ip::tcp::socket socket, boost::asio::ip::address address, Server& server);

    void Start();

    std::optional<std::chrono::steady_clock::time_point> WaitingSince() const override;
    bool IsClosing() const override { return phase_ == Phase::Closing; }
    void Stop() override;
    void ForceClose() override { End(); }

private:
    enum class Phase { Handshake, Idle, Busy, Closing };
    enum class Then { NextRequest, Close, Drain };

    void WaitForRequest();
    void ReadHeader();
    void OnHeader(boost::beast::error_code error);
    // An upload's key is looked up on a worker before any of its body is let in.
    void CheckKey();
    void AcceptBody();
    void SendContinue();
    void ReadBody();
    void OnBody(boost::beast::error_code error);
    void Dispatch();
    void Answer(Reply reply);
    void HandOver(std::int64_t account, std::int64_t after);
    void Reject(http::status status, std::string_view message);
    void Reject(Reply reply);
    template <class Body>
    void Send(http::response<Body> response, Then then);
    void Drain();
    void Close(); // politely: TLS close_notify first
    void End();   // at once

    boost::beast::tcp_stream& Lowest();

    boost::beast::ssl_stream<boost::beast::tcp_stream> stream_;
    boost::beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    Phase phase_ = Phase::Handshake;
    std::chrono::steady_clock::time_point waitingSince_;
    bool stopping_ = false;
    bool keepAlive_ = false;
    RequestLog log_; // the request in hand
    std::chrono::steady_clock::time_point drainUntil_;
};

} // namespace kavelo
