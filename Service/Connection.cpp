#include "Connection.hpp"

#include "EventStream.hpp"

#include "Log.hpp"
#include "Server.hpp"
#include "UploadBody.hpp"
#include "Url.hpp"

#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/file_body.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>

#include <algorithm>
#include <limits>

namespace kavelo {

namespace net = boost::asio;
namespace beast = boost::beast;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint32_t kHeaderLimit = 16 * 1024;
// How long a closing connection waits for the client's close_notify after sending its own.
constexpr auto kCloseTimeout = std::chrono::milliseconds(500);
constexpr auto kMaxDrain = std::chrono::seconds(5);
constexpr auto kDrainQuiet = std::chrono::seconds(1);
// The slowest upload that still counts as progress: a body gets the read timeout plus its length
// at this rate, so a client trickling bytes is cut off while a slow line still gets through.
constexpr std::uint64_t kMinUploadBytesPerSecond = 256 * 1024;

bool IsHttpError(const beast::error_code& error) {
    return error.category() == beast::error_code(http::error::end_of_stream).category();
}

bool IsHangUp(const beast::error_code& error) {
    return error == http::error::end_of_stream || error == http::error::partial_message;
}

std::string PeerText(const net::ip::tcp::socket& socket) {
    beast::error_code error;
    const auto endpoint = socket.remote_endpoint(error);
    if (error)
        return "unknown";
    return endpoint.address().to_string() + ":" + std::to_string(endpoint.port());
}

template <class Body>
void Decorate(http::response<Body>& response, const Reply& reply, bool keepAlive) {
    response.set(http::field::server, "kavelo-service");
    response.set("X-Content-Type-Options", "nosniff");
    if (!reply.contentType.empty())
        response.set(http::field::content_type, reply.contentType);
    for (const auto& [name, value] : reply.headers)
        response.insert(name, value);
    response.keep_alive(keepAlive);
    response.prepare_payload();
}

} // namespace

Connection::Connection(net::ip::tcp::socket socket, net::ip::address address, Server& server)
    : Client(server, std::move(address), PeerText(socket)), stream_(std::move(socket), server.Tls()),
      waitingSince_(Clock::now()) {}

beast::tcp_stream& Connection::Lowest() {
    return beast::get_lowest_layer(stream_);
}

void Connection::Start() {
    Lowest().expires_after(server_.GetLimits().readTimeout);
    stream_.async_handshake(
        net::ssl::stream_base::server, [self = shared_from_this()](beast::error_code error) {
            if (error) {
                LogInfo("tls_failed").Add("peer", self->Peer()).Add("reason", error.message());
                return self->End();
            }
            self->WaitForRequest();
        });
}

void Connection::Stop() {
    stopping_ = true;
    if (phase_ == Phase::Idle) {
        beast::error_code ignored;
        Lowest().socket().cancel(ignored);
    }
}

std::optional<Clock::time_point> Connection::WaitingSince() const {
    if (phase_ == Phase::Handshake || phase_ == Phase::Idle)
        return waitingSince_;
    return std::nullopt;
}

void Connection::WaitForRequest() {
    phase_ = Phase::Idle;
    waitingSince_ = Clock::now();
    if (stopping_)
        return Close();
    if (buffer_.size() > 0)
        return ReadHeader(); // the next request came with the last one
    Lowest().expires_after(server_.GetLimits().idleTimeout);
    stream_.async_read_some(buffer_.prepare(kReadChunk),
                            [self = shared_from_this()](beast::error_code error, std::size_t size) {
                                self->buffer_.commit(size);
                                if (error)
                                    return self->End();
                                self->ReadHeader();
                            });
}

void Connection::ReadHeader() {
    phase_ = Phase::Busy;
    log_ = RequestLog();
    log_.started = Clock::now();
    parser_.emplace();
    parser_->header_limit(kHeaderLimit);
    // Decided once the header is known. (An empty optional would compare below any length.)
    parser_->body_limit(std::numeric_limits<std::uint64_t>::max());
    Lowest().expires_after(server_.GetLimits().readTimeout);
    http::async_read_header(
        stream_, buffer_, *parser_,
        [self = shared_from_this()](beast::error_code error, std::size_t) { self->OnHeader(error); });
}

void Connection::OnHeader(beast::error_code error) {
    if (error == http::error::header_limit)
        return Reject(http::status::request_header_fields_too_large, "request header too large");
    if (IsHangUp(error))
        return End();
    if (IsHttpError(error))
        return Reject(http::status::bad_request, "malformed request");
    if (error)
        return End();

    Request& request = parser_->get();
    log_.method = std::string(request.method_string());
    if (const auto absolute = SplitAbsoluteTarget(request.target())) {
        if (absolute->authority.empty() || absolute->authority.find('@') != std::string_view::npos)
            return Reject(http::status::bad_request, "malformed request target");
        // Not a proxy: another scheme or port is another server's, whatever the host name says.
        beast::error_code ignored;
        const std::uint16_t port = Lowest().socket().local_endpoint(ignored).port();
        if (!beast::iequals(absolute->scheme, "https") || AuthorityPort(absolute->authority, 443) != port)
            return Reject(http::status::misdirected_request,
                          "this service answers for https on port " + std::to_string(port) + " only");
        // The target's authority stands for the Host field, which must then be ignored.
        request.set(http::field::host, absolute->authority);
        request.target(absolute->originForm);
    }
    log_.path = std::string(SplitTarget(request.target()).path);
    const std::uint64_t limit = Routes::BodyLimit(request, server_.GetLimits().maxBody);
    const auto length = parser_->content_length();
    if (length && *length > limit)
        return Reject(http::status::payload_too_large,
                      "body larger than " + std::to_string(limit) + " bytes");
    if (Routes::IsUpload(request))
        return CheckKey();
    AcceptBody();
}

void Connection::CheckKey() {
    enum class Key { Known, Unknown, Failed };
    net::post(server_.Workers(), [self = shared_from_this(),
                                  work = net::make_work_guard(server_.Io())]() mutable {
        Key key = Key::Failed;
        try {
            key = self->server_.GetRoutes().UploadAccount(self->parser_->get()) ? Key::Known : Key::Unknown;
        } catch (const std::exception& error) {
            LogError("key_check_failed").Add("reason", error.what());
        }
        net::post(work.get_executor(), [self = std::move(self), key] {
            switch (key) {
            case Key::Known:
                return self->AcceptBody();
            case Key::Unknown:
                return self->Reject(Routes::UnknownKey());
            case Key::Failed:
                return self->Reject(http::status::internal_server_error,
                                    "the service could not answer; try again");
            }
        });
    });
}

// Only now is memory reserved for the body, and the client told to send it.
void Connection::AcceptBody() {
    Request& request = parser_->get();
    const auto length = parser_->content_length();
    parser_->body_limit(Routes::BodyLimit(request, server_.GetLimits().maxBody));
    if (length)
        request.body().reserve(*length + kUploadBodyPadding);
    if (!parser_->is_done() && beast::iequals(request[http::field::expect], "100-continue"))
        return SendContinue();
    ReadBody();
}

void Connection::SendContinue() {
    auto response = std::make_shared<http::response<http::empty_body>>(http::status::continue_, 11);
    Lowest().expires_after(kWriteTimeout);
    http::async_write(stream_, *response,
                      [self = shared_from_this(), response](beast::error_code error, std::size_t) {
                          if (error)
                              return self->End();
                          self->ReadBody();
                      });
}

void Connection::ReadBody() {
    if (parser_->is_done())
        return Dispatch();
    const Limits& limits = server_.GetLimits();
    const std::uint64_t expected =
        parser_->content_length().value_or(Routes::BodyLimit(parser_->get(), limits.maxBody));
    const auto transfer = std::chrono::milliseconds(expected * 1000 / kMinUploadBytesPerSecond);
    Lowest().expires_after(limits.readTimeout + transfer);
    http::async_read(
        stream_, buffer_, *parser_,
        [self = shared_from_this()](beast::error_code error, std::size_t) { self->OnBody(error); });
}

void Connection::OnBody(beast::error_code error) {
    if (error == http::error::body_limit)
        return Reject(http::status::payload_too_large,
                      "body larger than " + std::to_string(server_.GetLimits().maxBody) + " bytes");
    if (IsHangUp(error))
        return End();
    if (IsHttpError(error))
        return Reject(http::status::bad_request, "malformed request body");
    if (error)
        return End();
    Dispatch();
}

void Connection::Dispatch() {
    Lowest().expires_never();
    keepAlive_ = parser_->keep_alive();
    auto request = std::make_shared<Request>(parser_->release());
    parser_.reset();
    log_.bytesIn = request->body().size();
    // The work guard keeps io_context::run going until the answer is back on the network thread.
    net::post(server_.Workers(), [self = shared_from_this(), request = std::move(request),
                                  work = net::make_work_guard(server_.Io())]() mutable {
        Reply reply = self->server_.GetRoutes().Handle(*request);
        request.reset();
        // The connection moves on, so that it is never released on a worker.
        net::post(work.get_executor(), [self = std::move(self), reply = std::move(reply)]() mutable {
            self->Answer(std::move(reply));
        });
    });
}

void Connection::Answer(Reply reply) {
    if (reply.kind == Reply::Kind::Events)
        return HandOver(reply.eventsAccount, reply.eventsAfter);
    const bool keepAlive = keepAlive_ && !stopping_;
    const Then then = keepAlive ? Then::NextRequest : Then::Close;
    if (reply.kind == Reply::Kind::File) {
        http::file_body::value_type file;
        beast::error_code error;
        file.open(reply.file.c_str(), beast::file_mode::scan, error);
        if (!error) {
            http::response<http::file_body> response(reply.status, 11, std::move(file));
            Decorate(response, reply, keepAlive);
            return Send(std::move(response), then);
        }
        LogError("file_unreadable").Add("file", reply.file.string()).Add("reason", error.message());
        reply = Reply::Error(http::status::internal_server_error, "the image file cannot be read");
    }
    http::response<http::string_body> response(reply.status, 11, std::move(reply.body));
    Decorate(response, reply, keepAlive);
    Send(std::move(response), then);
}

// Protocol errors end the connection: what follows on it can't be trusted to be a request.
void Connection::Reject(http::status status, std::string_view message) {
    Reject(Reply::Error(status, message));
}

void Connection::Reject(Reply reply) {
    parser_.reset();
    const http::status status = reply.status;
    http::response<http::string_body> response(status, 11, std::move(reply.body));
    Decorate(response, reply, false);
    Send(std::move(response), Then::Drain);
}

template <class Body>
void Connection::Send(http::response<Body> response, Then then) {
    const unsigned status = response.result_int();
    log_.bytesOut = response.payload_size().value_or(0);
    auto message = std::make_shared<http::response<Body>>(std::move(response));
    Lowest().expires_after(kWriteTimeout);
    http::async_write(
        stream_, *message,
        [self = shared_from_this(), message, then, status](beast::error_code error, std::size_t) {
            self->log_.Write(status, self->Peer());
            if (error)
                return self->End();
            switch (then) {
            case Then::NextRequest:
                return self->WaitForRequest();
            case Then::Close:
                return self->Close();
            case Then::Drain:
                self->drainUntil_ = Clock::now() + std::min<Clock::duration>(
                                                       self->server_.GetLimits().readTimeout, kMaxDrain);
                return self->Drain();
            }
        });
}

// After an early answer (a body too large), the client may still be sending: read and drop it for
// a while, so that it gets to read the answer instead of a reset connection. Ends when the client
// closes, goes quiet, or the time is up.
void Connection::Drain() {
    phase_ = Phase::Closing;
    buffer_.consume(buffer_.size());
    Lowest().expires_at(std::min(drainUntil_, Clock::now() + kDrainQuiet));
    stream_.async_read_some(buffer_.prepare(kReadChunk),
                            [self = shared_from_this()](beast::error_code error, std::size_t) {
                                if (error)
                                    return self->End();
                                self->Drain();
                            });
}

void Connection::Close() {
    phase_ = Phase::Closing;
    Lowest().expires_after(kCloseTimeout);
    stream_.async_shutdown([self = shared_from_this()](beast::error_code) { self->End(); });
}

void Connection::End() {
    phase_ = Phase::Closing;
    Cut(Lowest());
}

// As Beast's servers hand a stream over to another protocol: the feed goes on on this connection's
// stream, while this object, having no more to do, goes.
void Connection::HandOver(std::int64_t account, std::int64_t after) {
    if (stopping_)
        return Close();
    if (!server_.OpenStream(Address()))
        return Reject(http::status::too_many_requests, "too many live views open from this address");
    auto events = std::make_shared<EventStream>(std::move(stream_), server_, *this, std::move(log_));
    server_.HandOver(*this, events);
    events->Start(account, after);
}

} // namespace kavelo
