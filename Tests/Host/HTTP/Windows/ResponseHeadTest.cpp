// The response head as WinHTTP hands it back, checked where wine's WinHTTP passes it on as a good
// answer; no server needed.

#include "ResponseHead.hpp"
#include "Failures.hpp"

#include "GSRoot/GSException.hpp"
#include "GSRootHost.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

namespace {

using HTTP::Client::ParseResponseHead;
namespace Failures = HTTP::Failures;

std::string FailureOf(const std::string& raw) {
    try {
        ParseResponseHead(raw);
    } catch (const GS::GSException& failure) {
        return GS::Host::Utf16ToUtf8(
            std::u16string_view(failure.GetMessage().ToUStr(), failure.GetMessage().GetLength()));
    }
    return "accepted";
}

TEST(ResponseHead, GivesTheStatusTheFieldsAndTheLengthTheBodyMustReach) {
    const struct {
        std::string raw;
        UInt32 status;
        std::optional<UInt64> length;
        std::size_t fields;
    } cases[] = {
        {"HTTP/1.1 201 Created\r\nContent-Length: 2\r\nX-Id:  a b \r\n\r\n", 201, 2, 2},
        {"HTTP/1.0 204\r\n\r\n", 204, std::nullopt, 0},
        {"HTTP/1.1 302 Found\r\nLocation: https://other.test/\r\n\r\n", 302, std::nullopt, 1},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", 200, std::nullopt, 1},
        {"HTTP/1.1 200 OK\r\ncontent-length: " + std::to_string(std::numeric_limits<UInt64>::max()) +
             "\r\n\r\n",
         200, std::numeric_limits<UInt64>::max(), 1},
    };
    for (const auto& expected : cases) {
        SCOPED_TRACE(expected.raw);
        const HTTP::Client::ResponseHead head = ParseResponseHead(expected.raw);
        EXPECT_EQ(head.status, expected.status);
        EXPECT_EQ(head.contentLength, expected.length);
        EXPECT_EQ(head.fields.size(), expected.fields);
    }
    EXPECT_EQ(ParseResponseHead("HTTP/1.1 200 OK\r\nX-Id:  a b \r\n\r\n").fields.at(0).value, "a b");
}

TEST(ResponseHead, RefusesWhatTheLinuxClientRefuses) {
    const std::string malformed = Failures::Malformed("");
    const std::string lengthOf2To64Plus15 = std::to_string(std::numeric_limits<UInt64>::max()) + "6";
    const struct {
        std::string raw;
        std::string failure;
    } cases[] = {
        {"HTTP/1.1 201 Created\r\nContent-Length: 2\r\nContent-Length: 5\r\n\r\n", malformed},
        {"HTTP/1.1 201 Created\r\nContent-Length: 2\r\nContent-Length: 2\r\n\r\n", malformed},
        {"HTTP/1.1 201 Created\r\nContent-Length: -5\r\n\r\n", malformed},
        {"HTTP/1.1 201 Created\r\nContent-Length: \r\n\r\n", malformed},
        {"HTTP/1.1 201 Created\r\nContent-Length: 18446744073709551616\r\n\r\n", malformed},
        {"HTTP/1.1 201 Created\r\nContent-Length: " + lengthOf2To64Plus15 + "\r\n\r\n", malformed},
        {"HTTP/1.1 201 Created\r\nTransfer-Encoding: chunked\r\nContent-Length: 2\r\n\r\n", malformed},
        {"HTTP/1.1 201 Created\r\nno field here\r\n\r\n", malformed},
        {"SSH-2.0-OpenSSH_9.2\r\n\r\n", malformed},
        {"HTTP/2 201\r\n\r\n", malformed},
        {"HTTP/1.1 20 Short\r\n\r\n", malformed},
        {"HTTP/1.1 2010\r\n\r\n", malformed},
        {"HTTP/1.1 099 Low\r\n\r\n", malformed},
        {"HTTP/1.1 200 OK\r\nX-Big: " + std::string(Failures::ResponseHeaderLimit, 'a') + "\r\n\r\n",
         Failures::HeaderTooLarge()},
    };
    for (const auto& expected : cases) {
        EXPECT_EQ(FailureOf(expected.raw).substr(0, expected.failure.size()), expected.failure)
            << expected.raw.substr(0, 80);
    }
}

} // namespace
