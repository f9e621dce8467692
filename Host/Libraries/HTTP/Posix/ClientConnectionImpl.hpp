#pragma once

// The client connection on Boost.Beast and OpenSSL: asynchronous operations driven to completion
// one at a time, each under the connection's deadline.

#include "HTTP/Client.hpp"

#include "ConnectionState.hpp"
#include "Origin.hpp"
#include "Proxy.hpp"
#include "Settings.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/beast/core/error.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/buffer_body.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <chrono>
#include <optional>
#include <string>

namespace HTTP::Client {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
namespace ssl = net::ssl;
using tcp = net::ip::tcp;
using beast::error_code;

constexpr Int32 DefaultTimeout = 30000;

class ClientConnection::Impl {
public:
    explicit Impl(const IO::URI::URI& uri)
        : origin(OriginOf(uri)), originText(Authority(origin.host, origin.port)) {}

    void SetTimeout(Int32 milliseconds);
    void Connect();
    void Send(const Request& request, const char* body, USize length);
    GS::IBinaryChannel& BeginReceive(Response& response);
    USize ReadBody(char* destination, USize size);
    void FinishReceive();
    void Close(bool graceful);

    void Abort() noexcept;

private:
    using State = ConnectionState;

    using Stream = beast::ssl_stream<beast::tcp_stream>;
    using Parser = http::response_parser<http::buffer_body>;

    template <typename Start>
    error_code Await(Start start);
    tcp::resolver::results_type Resolve(const Settings::Endpoint& target, const std::string& what);
    void OpenTunnel(const Proxy::Server& proxy, const std::string& tunnel);
    void Handshake();
    void AwaitSent();
    void ArmDeadline();
    void Require(State expected, const char* operation) const {
        RequireState(state, expected, operation, originText);
    }
    bool IsOpen() const;
    std::string TimedOut(const std::string& activity) const;
    std::string DescribeReceiveFailure(const error_code& error, const std::string& activity) const;

    const Origin origin;
    const std::string originText;
    std::chrono::milliseconds timeout{DefaultTimeout};
    State state = State::NotConnected;
    bool headRequest = false;
    UInt64 bodyLimit = 0;

    net::io_context io;
    std::optional<ssl::context> tls;
    std::optional<Stream> stream;
    beast::flat_buffer buffer;
    std::optional<Parser> parser;
    BodyChannel<Impl> channel{*this};
};

} // namespace HTTP::Client
