#pragma once

#include "Routes.hpp"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

namespace kavelo {

class Server;

// One TLS connection: requests one after another (keep-alive), or, once asked for, the live feed.
// Every step runs on the network thread; requests are answered on a worker. Each read and write
// has a deadline, so no client can hold a connection without making progress.
class Session : public std::enable_shared_from_this<Session> {
public:
    Session(boost::asio::ip::tcp::socket socket, boost::asio::ip::address address, Server& server);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Start();
    // The service is stopping: close now if idle, else after answering the request in hand.
    void Stop();
    void ForceClose();

    const boost::asio::ip::address& Address() const { return address_; }
    // In the handshake or between requests: the connection holds a slot and nothing else.
    bool IsWaiting() const { return phase_ == Phase::Handshake || phase_ == Phase::Idle; }
    bool IsClosing() const { return phase_ == Phase::Closing; }
    std::chrono::steady_clock::time_point WaitingSince() const { return waitingSince_; }

private:
    enum class Phase { Handshake, Idle, Busy, Events, Closing };
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
    void Reject(http::status status, std::string_view message);
    void Reject(Reply reply);
    template <class Body>
    void Send(http::response<Body> response, Then then);
    void Drain();
    void Close(); // politely: TLS close_notify first
    void End();   // at once
    void LogRequest(unsigned status);

    void StartEvents(std::int64_t account, std::int64_t after);
    void Enqueue(const std::string& text);
    void WriteNextEvent();
    void Heartbeat();
    void EndEvents();

    boost::beast::tcp_stream& Lowest();

    Server& server_;
    boost::asio::ip::address address_;
    std::string peer_; // before the stream, which takes the socket
    boost::beast::ssl_stream<boost::beast::tcp_stream> stream_;
    boost::beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    Phase phase_ = Phase::Handshake;
    std::chrono::steady_clock::time_point waitingSince_;
    bool stopping_ = false;
    bool keepAlive_ = false;

    // The request in hand, for its log line.
    std::chrono::steady_clock::time_point started_;
    std::string method_;
    std::string path_;
    std::uint64_t bytesIn_ = 0;
    std::uint64_t bytesOut_ = 0;
    std::chrono::steady_clock::time_point drainUntil_;

    // The live feed.
    std::deque<std::string> outbox_;
    bool writingEvent_ = false;
    std::uint64_t feedToken_ = 0;
    bool streamCounted_ = false;
    boost::asio::steady_timer heartbeat_;
    boost::asio::steady_timer lifetime_; // a stream ends after a while; the page reconnects
};

} // namespace kavelo
