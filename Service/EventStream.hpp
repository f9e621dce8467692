#pragma once

#include "Client.hpp"

#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

namespace kavelo {

// The live feed on a connection whose request asked for it: the response's header, then a chunk
// for each event and a comment now and then, until the client goes, the service stops or the
// stream's lifetime ends. Takes the stream over from the Connection that read the request, which
// has counted it among its address's streams.
class EventStream : public Client, public std::enable_shared_from_this<EventStream> {
public:
    using Stream = boost::beast::ssl_stream<boost::beast::tcp_stream>;

    EventStream(Stream stream, Server& server, const Client& from, RequestLog log);
    ~EventStream() override;

    void Start(std::int64_t account, std::int64_t after);

    std::optional<std::chrono::steady_clock::time_point> WaitingSince() const override { return {}; }
    bool IsClosing() const override { return left_; }
    void Stop() override { End(); }
    void ForceClose() override { End(); }

private:
    void Follow(std::int64_t account, std::int64_t after);
    void Enqueue(const std::string& text);
    void WriteNext();
    void Heartbeat();
    // Leaves the feed and the address's count of streams; false when it had already.
    bool Leave();
    void End();

    boost::beast::tcp_stream& Lowest();

    Stream stream_;
    boost::beast::flat_buffer buffer_;
    RequestLog log_;
    std::deque<std::string> outbox_;
    bool writing_ = false;
    bool left_ = false;
    std::uint64_t feedToken_ = 0;
    boost::asio::steady_timer heartbeat_;
    boost::asio::steady_timer lifetime_; // a stream ends after a while; the page reconnects
};

} // namespace kavelo
