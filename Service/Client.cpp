#include "Client.hpp"

#include "Log.hpp"
#include "Server.hpp"

namespace kavelo {

Client::Client(Server& server, boost::asio::ip::address address, std::string peer)
    : server_(server), address_(std::move(address)), peer_(std::move(peer)) {}

Client::~Client() {
    server_.Release(this);
}

void Cut(boost::beast::tcp_stream& stream) {
    boost::beast::error_code ignored;
    stream.socket().shutdown(boost::asio::ip::tcp::socket::shutdown_both, ignored);
    stream.close();
}

void RequestLog::Write(unsigned status, const std::string& peer) const {
    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    LogInfo("request")
        .Add("method", method.empty() ? "-" : method)
        .Add("path", path.empty() ? "-" : path)
        .Add("status", status)
        .Add("bytes_in", bytesIn)
        .Add("bytes_out", bytesOut)
        .Add("duration_ms", milliseconds)
        .Add("peer", peer);
}

} // namespace kavelo
