#include "SlowLink.hpp"
#include "ClientTestSupport.hpp"

#include <gmock/gmock.h>

#include <chrono>
#include <future>

namespace HttpTest {
namespace {

using HttpSlowLink = ClientTest;

// The time-out bounds a stall, not the upload: one that keeps moving for longer is not cut, nor one
// that pauses for less; a longer pause ends at the time-out, not when the link comes back. The long
// upload is more than the socket's buffers take at once (Linux grows them to 4 MB), and what they
// hold after the last write takes longer than the time-out to leave.
TEST_F(HttpSlowLink, TimeOutBoundsAStallNotTheUpload) {
    constexpr Int32 Timeout = 8000;
    const struct {
        LinkSettings link;
        std::size_t bodyBytes;
        bool survives;
    } cases[] = {
        {{"3M", 40, 0, 0}, 5'000'000, true}, // 13 s on the wire
        {{"20M", 40, 1'000'000, 5}, 2'000'000, true},
        {{"20M", 40, 1'000'000, 12}, 3'000'000, false},
    };
    for (const auto& [link, bodyBytes, survives] : cases) {
        std::promise<std::size_t> received;
        TestServer server(Certificates().localhost, [&](Connection& connection) {
            const std::size_t size = connection.ReadRequest().body.size();
            connection.Write("HTTP/1.1 201 Created\r\nContent-Length: 6\r\n\r\nstored");
            received.set_value(size);
        });
        SlowLink slowLink(server.GetPort(), link);
        const std::string body(bodyBytes, 'x');
        const auto start = std::chrono::steady_clock::now();
        const std::string failure = FailureOf([&] {
            EXPECT_EQ(Upload(UriFor("localhost", slowLink.GetPort(), "/api/v1/images"), "key", body, Timeout),
                      "stored");
        });
        const auto elapsed = std::chrono::steady_clock::now() - start;
        const std::string row = link.rate + " stalling " + std::to_string(link.stallSeconds) + " s";
        if (survives) {
            EXPECT_EQ(failure, "(no GS::GSException)") << row;
            EXPECT_EQ(Take(received.get_future()), bodyBytes) << row;
        } else {
            // WinHTTP's writes complete once the socket's buffers take the bytes, and under wine those
            // are Linux's, which took the whole body before the stall: the wait is then for the answer.
            // Windows buffers about the link's ideal send backlog (SIO_IDEAL_SEND_BACKLOG_QUERY), what
            // keeps it busy for a round trip, so there the writes follow the link.
            EXPECT_EQ(failure, "timed out after " + std::to_string(Timeout) + " ms while " +
                                   PosixOrWine("sending the request to ", "waiting for the response from ") +
                                   "localhost:" + std::to_string(slowLink.GetPort()))
                << row;
            EXPECT_LT(elapsed, std::chrono::duration<double>(link.stallSeconds))
                << row << ": waited out the stall";
        }
    }
}

} // namespace
} // namespace HttpTest
