#include "ClientChecks.hpp"

#include <gmock/gmock.h>

namespace HttpTest {
namespace {

using HTTP::Client::ClientConnection;
using testing::StartsWith;

TEST(HttpOrigin, OnlyHttpsIsSpoken) {
    EXPECT_THAT(FailureOf([] { ClientConnection connection(IO::URI::URI("http://localhost:8443/")); }),
                StartsWith("unsupported scheme 'http' in 'http://localhost:8443/'"));
    EXPECT_EQ(FailureOf([] { ClientConnection connection(IO::URI::URI("no uri at all")); }),
              "invalid URI 'no uri at all': an absolute https URI is needed");
}

} // namespace
} // namespace HttpTest
