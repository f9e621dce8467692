#include "Session.hpp"

#include "LiveFeed.hpp"
#include "Log.hpp"
#include "Server.hpp"
#include "UploadBody.hpp"
#include "Url.hpp"

#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/chunk_encode.hpp>
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
constexpr std::size_t kReadChunk = 64 * 1024;
constexpr auto kWriteTimeout = std::chrono::seconds(30);
// How long a closing connection waits for the client's close_notify after sending its own.
constexpr auto kCloseTimeout = std::chrono::milliseconds(500);
constexpr auto kHeartbeat = std::chrono::seconds(15);
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

Session::Session(net::ip::tcp::socket socket, net::ip::address address, Server& server)
    : server_(server), address_(std::move(address)), peer_(PeerText(socket)),
      stream_(std::move(socket), server.Tls()), waitingSince_(Clock::now()), heartbeat_(server.Io()),
      lifetime_(server.Io()) {}

Session::~Session() {
    if (feedToken_ != 0)
        server_.Feed().Unsubscribe(feedToken_);
    if (streamCounted_)
        server_.CloseStream(address_);
    server_.Release(this);
}

beast::tcp_stream& Session::Lowest() {
    return beast::get_lowest_layer(stream_);
}

void Session::Start() {
    Lowest().expires_after(server_.GetLimits().readTimeout);
    stream_.async_handshake(
        net::ssl::stream_base::server, [self = shared_from_this()](beast::error_code error) {
            if (error) {
                LogInfo("tls_failed").Add("peer", self->peer_).Add("reason", error.message());
                return self->End();
            }
            self->WaitForRequest();
        });
}

void Session::Stop() {
    stopping_ = true;
    if (phase_ == Phase::Idle) {
        beast::error_code ignored;
        Lowest().socket().cancel(ignored);
    } else if (phase_ == Phase::Events) {
        EndEvents();
    }
}

void Session::ForceClose() {
    if (phase_ == Phase::Events)
        EndEvents();
    else
        End();
}

void Session::WaitForRequest() {
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

void Session::ReadHeader() {
    phase_ = Phase::Busy;
    started_ = Clock::now();
    method_.clear();
    path_.clear();
    bytesIn_ = 0;
    bytesOut_ = 0;
    parser_.emplace();
    parser_->header_limit(kHeaderLimit);
    // Decided once the header is known. (An empty optional would compare below any length.)
    parser_->body_limit(std::numeric_limits<std::uint64_t>::max());
    Lowest().expires_after(server_.GetLimits().readTimeout);
    http::async_read_header(
        stream_, buffer_, *parser_,
        [self = shared_from_this()](beast::error_code error, std::size_t) { self->OnHeader(error); });
}

void Session::OnHeader(beast::error_code error) {
    if (error == http::error::header_limit)
        return Reject(http::status::request_header_fields_too_large, "request header too large");
    if (IsHangUp(error))
        return End();
    if (IsHttpError(error))
        return Reject(http::status::bad_request, "malformed request");
    if (error)
        return End();

    Request& request = parser_->get();
    method_ = std::string(request.method_string());
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
    path_ = std::string(SplitTarget(request.target()).path);
    const std::uint64_t limit = Routes::BodyLimit(request, server_.GetLimits().maxBody);
    const auto length = parser_->content_length();
    if (length && *length > limit)
        return Reject(http::status::payload_too_large,
                      "body larger than " + std::to_string(limit) + " bytes");
    if (Routes::IsUpload(request))
        return CheckKey();
    AcceptBody();
}

void Session::CheckKey() {
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
void Session::AcceptBody() {
    Request& request = parser_->get();
    const auto length = parser_->content_length();
    parser_->body_limit(Routes::BodyLimit(request, server_.GetLimits().maxBody));
    if (length)
        request.body().reserve(*length + kUploadBodyPadding);
    if (!parser_->is_done() && beast::iequals(request[http::field::expect], "100-continue"))
        return SendContinue();
    ReadBody();
}

void Session::SendContinue() {
    auto response = std::make_shared<http::response<http::empty_body>>(http::status::continue_, 11);
    Lowest().expires_after(kWriteTimeout);
    http::async_write(stream_, *response,
                      [self = shared_from_this(), response](beast::error_code error, std::size_t) {
                          if (error)
                              return self->End();
                          self->ReadBody();
                      });
}

void Session::ReadBody() {
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

void Session::OnBody(beast::error_code error) {
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

void Session::Dispatch() {
    Lowest().expires_never();
    keepAlive_ = parser_->keep_alive();
    auto request = std::make_shared<Request>(parser_->release());
    parser_.reset();
    bytesIn_ = request->body().size();
    // The work guard keeps io_context::run going until the answer is back on the network thread.
    net::post(server_.Workers(), [self = shared_from_this(), request = std::move(request),
                                  work = net::make_work_guard(server_.Io())]() mutable {
        Reply reply = self->server_.GetRoutes().Handle(*request);
        request.reset();
        // The session moves on, so that it is never released on a worker.
        net::post(work.get_executor(), [self = std::move(self), reply = std::move(reply)]() mutable {
            self->Answer(std::move(reply));
        });
    });
}

void Session::Answer(Reply reply) {
    if (reply.kind == Reply::Kind::Events)
        return StartEvents(reply.eventsAccount, reply.eventsAfter);
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
void Session::Reject(http::status status, std::string_view message) {
    Reject(Reply::Error(status, message));
}

void Session::Reject(Reply reply) {
    parser_.reset();
    const http::status status = reply.status;
    http::response<http::string_body> response(status, 11, std::move(reply.body));
    Decorate(response, reply, false);
    Send(std::move(response), Then::Drain);
}

template <class Body>
void Session::Send(http::response<Body> response, Then then) {
    const unsigned status = response.result_int();
    bytesOut_ = response.payload_size().value_or(0);
    auto message = std::make_shared<http::response<Body>>(std::move(response));
    Lowest().expires_after(kWriteTimeout);
    http::async_write(
        stream_, *message,
        [self = shared_from_this(), message, then, status](beast::error_code error, std::size_t) {
            self->LogRequest(status);
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
void Session::Drain() {
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

void Session::Close() {
    phase_ = Phase::Closing;
    Lowest().expires_after(kCloseTimeout);
    stream_.async_shutdown([self = shared_from_this()](beast::error_code) { self->End(); });
}

void Session::End() {
    phase_ = Phase::Closing;
    beast::error_code ignored;
    Lowest().socket().shutdown(net::ip::tcp::socket::shutdown_both, ignored);
    Lowest().close();
}

void Session::LogRequest(unsigned status) {
    const double milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - started_).count();
    LogInfo("request")
        .Add("method", method_.empty() ? "-" : method_)
        .Add("path", path_.empty() ? "-" : path_)
        .Add("status", status)
        .Add("bytes_in", bytesIn_)
        .Add("bytes_out", bytesOut_)
        .Add("duration_ms", milliseconds)
        .Add("peer", peer_);
}

void Session::StartEvents(std::int64_t account, std::int64_t after) {
    if (stopping_)
        return Close();
    if (!server_.OpenStream(address_))
        return Reject(http::status::too_many_requests, "too many live views open from this address");
    streamCounted_ = true;
    phase_ = Phase::Events;
    auto response = std::make_shared<http::response<http::empty_body>>(http::status::ok, 11);
    response->set(http::field::server, "kavelo-service");
    response->set(http::field::content_type, "text/event-stream");
    response->set(http::field::cache_control, "no-store");
    response->set("X-Content-Type-Options", "nosniff");
    response->chunked(true);
    auto serializer = std::make_shared<http::response_serializer<http::empty_body>>(*response);
    Lowest().expires_after(kWriteTimeout);
    http::async_write_header(
        stream_, *serializer,
        [self = shared_from_this(), response, serializer, account, after](beast::error_code error,
                                                                          std::size_t) {
            if (error || self->phase_ != Phase::Events)
                return self->EndEvents();
            self->Lowest().expires_never();
            // A client of the feed sends nothing more: data, or its hang-up, ends the feed.
            self->stream_.async_read_some(self->buffer_.prepare(kReadChunk),
                                          [self](beast::error_code, std::size_t) { self->EndEvents(); });
            self->Enqueue("retry: 2000\n\n");
            self->feedToken_ = self->server_.Feed().Subscribe(
                account, after, [weak = self->weak_from_this()](const std::string& text) {
                    if (const auto session = weak.lock())
                        session->Enqueue(text);
                });
            self->Heartbeat();
            self->lifetime_.expires_after(self->server_.GetLimits().streamLifetime);
            self->lifetime_.async_wait([self](beast::error_code cancelled) {
                if (!cancelled)
                    self->EndEvents();
            });
        });
}

void Session::Enqueue(const std::string& text) {
    if (phase_ != Phase::Events)
        return;
    outbox_.push_back(text);
    if (!writingEvent_)
        WriteNextEvent();
}

void Session::WriteNextEvent() {
    if (outbox_.empty() || phase_ != Phase::Events) {
        writingEvent_ = false;
        return;
    }
    writingEvent_ = true;
    Lowest().expires_after(kWriteTimeout);
    net::async_write(stream_, http::make_chunk(net::buffer(outbox_.front())),
                     [self = shared_from_this()](beast::error_code error, std::size_t size) {
                         self->bytesOut_ += size;
                         self->outbox_.pop_front();
                         if (error)
                             return self->EndEvents();
                         self->WriteNextEvent();
                     });
}

// A comment now and then finds clients that went away without closing.
void Session::Heartbeat() {
    heartbeat_.expires_after(kHeartbeat);
    heartbeat_.async_wait([self = shared_from_this()](beast::error_code error) {
        if (error || self->phase_ != Phase::Events)
            return;
        if (self->outbox_.empty())
            self->Enqueue(": keep-alive\n\n");
        self->Heartbeat();
    });
}

void Session::EndEvents() {
    if (phase_ != Phase::Events)
        return;
    server_.Feed().Unsubscribe(feedToken_);
    feedToken_ = 0;
    heartbeat_.cancel();
    lifetime_.cancel();
    if (streamCounted_)
        server_.CloseStream(address_);
    streamCounted_ = false;
    LogRequest(200);
    End();
}

} // namespace kavelo
