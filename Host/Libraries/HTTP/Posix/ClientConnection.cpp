#include "ClientConnectionImpl.hpp"

#include "Failures.hpp"
#include "HeaderFieldAccess.hpp"
#include "Proxy.hpp"
#include "RequestMessage.hpp"
#include "ResponseAccess.hpp"
#include "Text.hpp"
#include "Tls.hpp"

#include <boost/asio/ssl/error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/serializer.hpp>
#include <boost/beast/http/write.hpp>

#include <array>
#include <memory>

#include <sys/ioctl.h>

namespace HTTP::Client {

namespace {

constexpr std::size_t DrainPieceSize = 16 * 1024;
constexpr std::chrono::milliseconds SendQueuePollInterval{5};

// 1xx answers other than 101 precede the real response and are skipped.
bool IsInterim(unsigned status) {
    return status >= 100 && status < 200 && status != 101;
}

bool IsClosedByPeer(const error_code& error) {
    return error == http::error::end_of_stream || error == http::error::partial_message ||
           error == net::error::eof || error == ssl::error::stream_truncated ||
           error == net::error::connection_reset || error == net::error::broken_pipe;
}

bool IsHttpError(const error_code& error) {
    return error.category() == http::make_error_code(http::error::bad_version).category();
}

} // namespace

// The blocking face over the asynchronous operations: the deadline armed on the stream makes every
// operation complete, with beast::error::timeout at the latest.
template <typename Start>
error_code ClientConnection::Impl::Await(Start start) {
    auto outcome = std::make_shared<std::optional<error_code>>();
    start([outcome](const error_code& error, const auto&...) { *outcome = error; });
    io.restart();
    while (!*outcome && io.run_one() != 0) {
    }
    return outcome->value_or(net::error::operation_aborted);
}

// getaddrinfo cannot be interrupted, so the resolver gets a deadline of its own: when it passes, the
// lookup is abandoned to finish in the background.
tcp::resolver::results_type ClientConnection::Impl::Resolve(const Settings::Endpoint& target,
                                                            const std::string& what) {
    struct Resolved {
        error_code error;
        tcp::resolver::results_type endpoints;
    };
    auto outcome = std::make_shared<std::optional<Resolved>>();
    tcp::resolver resolver(io);
    resolver.async_resolve(target.host, std::to_string(target.port),
                           [outcome](const error_code& error, tcp::resolver::results_type endpoints) {
                               *outcome = Resolved{error, std::move(endpoints)};
                           });
    io.restart();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!*outcome && io.run_one_until(deadline) != 0) {
    }
    if (!*outcome) {
        Throw(TimedOut(Failures::Resolving(target.host, what)));
    }
    if ((*outcome)->error) {
        Throw(Failures::Unresolved(target.host, (*outcome)->error.message(), what));
    }
    return std::move((*outcome)->endpoints);
}

void ClientConnection::Impl::SetTimeout(Int32 milliseconds) {
    if (milliseconds <= 0) {
        Throw("invalid time-out of " + std::to_string(milliseconds) + " ms: it must be positive");
    }
    timeout = std::chrono::milliseconds(milliseconds);
}

void ClientConnection::Impl::Connect() {
    Require(State::NotConnected, "connect");
    // Connect-to redirects the origin, as in curl: the tunnel leads where the origin's connection would.
    const Settings::Endpoint target = Settings::FindConnectTo(origin.host, origin.port)
                                          .value_or(Settings::Endpoint{origin.host, origin.port});
    const std::optional<Proxy::Server> proxy = Proxy::ForOrigin(origin.host);
    const Settings::Endpoint first = proxy ? Settings::Endpoint{proxy->host, proxy->port} : target;
    const std::string destination = proxy ? proxy->Name() : Authority(target.host, target.port);
    const tcp::resolver::results_type endpoints = Resolve(first, proxy ? "proxy host" : "host");

    tls.emplace(Tls::MakeClientContext());
    stream.emplace(io, *tls);
    ArmDeadline();
    const error_code connected = Await(
        [&](auto handler) { beast::get_lowest_layer(*stream).async_connect(endpoints, std::move(handler)); });
    if (connected == beast::error::timeout) {
        Throw(TimedOut(Failures::Connecting(destination)));
    }
    if (connected == net::error::connection_refused) {
        Throw(Failures::Refused(destination));
    }
    if (connected) {
        Throw("could not connect to " + destination + ": " + connected.message());
    }
    // The request goes out in several TLS records; Nagle's algorithm would hold the last one back
    // until the server's delayed acknowledgement of the others, about 40 ms.
    boost::system::error_code ignored;
    beast::get_lowest_layer(*stream).socket().set_option(tcp::no_delay(true), ignored);
    if (proxy) {
        OpenTunnel(*proxy, Authority(target.host, target.port));
    }
    Handshake();
    state = State::Open;
}

// The proxy learns the host and port and nothing else: TLS with the origin runs inside the tunnel.
void ClientConnection::Impl::OpenTunnel(const Proxy::Server& proxy, const std::string& tunnel) {
    auto& connection = beast::get_lowest_layer(*stream);
    const std::string failed = proxy.Name() + " did not open the tunnel to " + tunnel + ": ";
    http::request<http::empty_body> request(http::verb::connect, tunnel, 11);
    request.set(http::field::host, tunnel);
    if (proxy.credentials) {
        request.set(http::field::proxy_authorization, Proxy::BasicAuthorization(*proxy.credentials));
    }
    ArmDeadline();
    const error_code written =
        Await([&](auto handler) { http::async_write(connection, request, std::move(handler)); });
    if (written == beast::error::timeout) {
        Throw(TimedOut("asking " + proxy.Name() + " for a tunnel to " + tunnel));
    }
    if (written) {
        Throw(failed + (IsClosedByPeer(written) ? "it closed the connection" : written.message()));
    }
    // A refusal's body is never read, so the answer to CONNECT is read as one without a body.
    http::response_parser<http::empty_body> answer;
    answer.header_limit(Failures::ResponseHeaderLimit);
    answer.skip(true);
    ArmDeadline();
    const error_code read =
        Await([&](auto handler) { http::async_read_header(connection, buffer, answer, std::move(handler)); });
    if (read == beast::error::timeout) {
        Throw(TimedOut("waiting for " + proxy.Name() + " to open the tunnel to " + tunnel));
    }
    if (read) {
        Throw(failed + (IsClosedByPeer(read) ? "it closed the connection"
                        : IsHttpError(read)  ? "malformed answer: " + read.message()
                                             : read.message()));
    }
    const auto& header = answer.get();
    if (header.result_int() / 100 != 2) {
        Throw(
            Failures::ProxyRefused(proxy.Name(), tunnel, header.result_int(), std::string(header.reason())));
    }
    if (buffer.size() != 0) {
        Throw(failed + "it sent bytes before the TLS handshake");
    }
}

void ClientConnection::Impl::Handshake() {
    Tls::ExpectServer(stream->native_handle(), origin.host, origin.isIpLiteral);
    ArmDeadline();
    const error_code handshake =
        Await([&](auto handler) { stream->async_handshake(ssl::stream_base::client, std::move(handler)); });
    if (!handshake) {
        return;
    }
    if (const auto verifyFailure = Tls::DescribeVerifyFailure(stream->native_handle(), origin.host)) {
        Throw(*verifyFailure);
    }
    if (handshake == beast::error::timeout) {
        Throw(TimedOut(Failures::Handshaking(originText)));
    }
    const std::string reason =
        IsClosedByPeer(handshake) ? "the server closed the connection" : handshake.message();
    Throw("TLS handshake with " + originText + " failed: " + reason);
}

void ClientConnection::Impl::Send(const Request& request, const char* body, USize length) {
    Require(State::Open, "send a request");
    RequestMessage message = MakeRequestMessage(request, HostField(origin), body, length);
    http::request_serializer<http::buffer_body> serializer(message);
    // The deadline is renewed for every piece, so a large body on a slow line fails only when it stalls.
    while (!serializer.is_done()) {
        ArmDeadline();
        const error_code written =
            Await([&](auto handler) { http::async_write_some(*stream, serializer, std::move(handler)); });
        if (written == beast::error::timeout) {
            Throw(TimedOut(Failures::Sending(originText)));
        }
        if (IsClosedByPeer(written)) {
            Throw(Failures::ClosedWhileSending);
        }
        if (written) {
            Throw("could not send the request to " + originText + ": " + written.message());
        }
    }
    AwaitSent();
    headRequest = message.method() == http::verb::head;
    state = State::AwaitingResponse;
}

// The last write returns once the kernel holds the bytes, which on a slow link can be seconds before
// they have left: the wait for the answer starts only then, and a queue that keeps shrinking is no
// stall. (Readable bytes say nothing here: TLS 1.3 session tickets arrive unasked.) A server that
// answers early and closes resets the queue.
void ClientConnection::Impl::AwaitSent() {
    auto& socket = beast::get_lowest_layer(*stream).socket();
    const auto queued = [&socket] {
        int bytes = 0;
        return ioctl(socket.native_handle(), TIOCOUTQ, &bytes) == 0 ? bytes : 0;
    };
    net::steady_timer poll(io);
    int left = queued();
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (left > 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            Throw(TimedOut(Failures::Sending(originText)));
        }
        poll.expires_after(SendQueuePollInterval);
        Await([&](auto handler) { poll.async_wait(std::move(handler)); });
        const int now = queued();
        if (now < left) {
            deadline = std::chrono::steady_clock::now() + timeout;
        }
        left = now;
    }
}

GS::IBinaryChannel& ClientConnection::Impl::BeginReceive(Response& response) {
    Require(State::AwaitingResponse, "receive a response");
    bodyLimit = Settings::ResponseBodyLimit();
    do {
        parser.emplace();
        parser->header_limit(Failures::ResponseHeaderLimit);
        parser->body_limit(bodyLimit);
        parser->skip(headRequest);
        ArmDeadline();
        const error_code read = Await(
            [&](auto handler) { http::async_read_header(*stream, buffer, *parser, std::move(handler)); });
        if (read) {
            Throw(DescribeReceiveFailure(read, Failures::Waiting(originText)));
        }
    } while (IsInterim(parser->get().result_int()));

    const auto& header = parser->get();
    MessageHeader::HeaderFieldCollection& fields = ResponseAccess::GetFields(response);
    MessageHeader::HeaderFieldAccess::Clear(fields);
    for (const auto& field : header) {
        const auto name = field.name_string();
        const auto value = field.value();
        MessageHeader::HeaderFieldAccess::Append(fields, {name.data(), name.size()},
                                                 {value.data(), value.size()});
    }
    ResponseAccess::SetStatusCode(response, header.result_int());
    state = State::ReceivingBody;
    return channel;
}

USize ClientConnection::Impl::ReadBody(char* destination, USize size) {
    Require(State::ReceivingBody, "read the response body");
    if (size == 0 || parser->is_done()) {
        return 0;
    }
    if (destination == nullptr) {
        Throw("cannot read the response body into a null buffer");
    }
    http::buffer_body::value_type& body = parser->get().body();
    // A read may consume only framing, such as a chunk header, so go on until body bytes arrive.
    for (;;) {
        body.data = destination;
        body.size = size;
        ArmDeadline();
        const error_code read =
            Await([&](auto handler) { http::async_read_some(*stream, buffer, *parser, std::move(handler)); });
        if (read && read != http::error::need_buffer) {
            Throw(DescribeReceiveFailure(read, Failures::ReadingBody(originText)));
        }
        const std::size_t delivered = size - body.size;
        if (delivered > 0 || parser->is_done()) {
            return static_cast<USize>(delivered);
        }
    }
}

void ClientConnection::Impl::FinishReceive() {
    Require(State::ReceivingBody, "finish receiving");
    std::array<char, DrainPieceSize> discarded;
    while (ReadBody(discarded.data(), static_cast<USize>(discarded.size())) > 0) {
    }
    parser.reset();
    state = State::Open;
}

void ClientConnection::Impl::Close(bool graceful) {
    if (graceful && IsOpen()) {
        // A peer that never answers the close_notify only costs the time-out; it is not a failure.
        ArmDeadline();
        Await([&](auto handler) { stream->async_shutdown(std::move(handler)); });
    }
    Abort();
}

void ClientConnection::Impl::ArmDeadline() {
    beast::get_lowest_layer(*stream).expires_after(timeout);
}

void ClientConnection::Impl::Abort() noexcept {
    if (stream) {
        error_code ignored;
        beast::get_lowest_layer(*stream).socket().shutdown(tcp::socket::shutdown_both, ignored);
        beast::get_lowest_layer(*stream).socket().close(ignored);
    }
    parser.reset();
    state = State::Closed;
}

bool ClientConnection::Impl::IsOpen() const {
    return state == State::Open || state == State::AwaitingResponse || state == State::ReceivingBody;
}

std::string ClientConnection::Impl::TimedOut(const std::string& activity) const {
    return Failures::TimedOut(timeout.count(), activity);
}

std::string ClientConnection::Impl::DescribeReceiveFailure(const error_code& error,
                                                           const std::string& activity) const {
    if (error == beast::error::timeout) {
        return TimedOut(activity);
    }
    if (error == http::error::body_limit) {
        return Failures::BodyTooLarge(bodyLimit);
    }
    if (error == http::error::header_limit) {
        return Failures::HeaderTooLarge();
    }
    if (IsClosedByPeer(error)) {
        return Failures::ClosedBeforeResponse;
    }
    if (IsHttpError(error)) {
        return Failures::Malformed(error.message());
    }
    return "error while " + activity + ": " + error.message();
}

} // namespace HTTP::Client
