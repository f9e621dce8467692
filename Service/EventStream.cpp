#include "EventStream.hpp"

#include "LiveFeed.hpp"
#include "Server.hpp"

#include <boost/asio/write.hpp>
#include <boost/beast/http/chunk_encode.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/write.hpp>

namespace kavelo {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

namespace {

constexpr auto kHeartbeat = std::chrono::seconds(15);

} // namespace

EventStream::EventStream(Stream stream, Server& server, const Client& from, RequestLog log)
    : Client(server, from.Address(), from.Peer()), stream_(std::move(stream)), log_(std::move(log)),
      heartbeat_(server_.Io()), lifetime_(server_.Io()) {}

EventStream::~EventStream() {
    Leave();
}

beast::tcp_stream& EventStream::Lowest() {
    return beast::get_lowest_layer(stream_);
}

void EventStream::Start(std::int64_t account, std::int64_t after) {
    auto response = std::make_shared<http::response<http::empty_body>>(http::status::ok, 11);
    response->set(http::field::server, "kavelo-service");
    response->set(http::field::content_type, "text/event-stream");
    response->set(http::field::cache_control, "no-store");
    response->set("X-Content-Type-Options", "nosniff");
    response->chunked(true);
    auto serializer = std::make_shared<http::response_serializer<http::empty_body>>(*response);
    Lowest().expires_after(kWriteTimeout);
    http::async_write_header(stream_, *serializer,
                             [self = shared_from_this(), response, serializer, account,
                              after](beast::error_code error, std::size_t) {
                                 if (error || self->left_)
                                     return self->End();
                                 self->Follow(account, after);
                             });
}

void EventStream::Follow(std::int64_t account, std::int64_t after) {
    Lowest().expires_never();
    // A client of the feed sends nothing more: data, or its hang-up, ends the feed.
    stream_.async_read_some(buffer_.prepare(kReadChunk),
                            [self = shared_from_this()](beast::error_code, std::size_t) { self->End(); });
    Enqueue("retry: 2000\n\n");
    feedToken_ = server_.Feed().Subscribe(account, after, [weak = weak_from_this()](const std::string& text) {
        if (const auto stream = weak.lock())
            stream->Enqueue(text);
    });
    Heartbeat();
    lifetime_.expires_after(server_.GetLimits().streamLifetime);
    lifetime_.async_wait([self = shared_from_this()](beast::error_code cancelled) {
        if (!cancelled)
            self->End();
    });
}

void EventStream::Enqueue(const std::string& text) {
    if (left_)
        return;
    outbox_.push_back(text);
    if (!writing_)
        WriteNext();
}

void EventStream::WriteNext() {
    if (outbox_.empty() || left_) {
        writing_ = false;
        return;
    }
    writing_ = true;
    Lowest().expires_after(kWriteTimeout);
    net::async_write(stream_, http::make_chunk(net::buffer(outbox_.front())),
                     [self = shared_from_this()](beast::error_code error, std::size_t size) {
                         self->log_.bytesOut += size;
                         self->outbox_.pop_front();
                         if (error)
                             return self->End();
                         self->WriteNext();
                     });
}

// A comment now and then finds clients that went away without closing.
void EventStream::Heartbeat() {
    heartbeat_.expires_after(kHeartbeat);
    heartbeat_.async_wait([self = shared_from_this()](beast::error_code error) {
        if (error || self->left_)
            return;
        if (self->outbox_.empty())
            self->Enqueue(": keep-alive\n\n");
        self->Heartbeat();
    });
}

bool EventStream::Leave() {
    if (left_)
        return false;
    left_ = true;
    if (feedToken_ != 0)
        server_.Feed().Unsubscribe(feedToken_);
    feedToken_ = 0;
    heartbeat_.cancel();
    lifetime_.cancel();
    server_.CloseStream(Address());
    return true;
}

void EventStream::End() {
    if (!Leave())
        return;
    log_.Write(200, Peer());
    Cut(Lowest());
}

} // namespace kavelo
