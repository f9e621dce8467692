#include "Options.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace kavelo {
namespace {

std::variant<Options, std::string> Parse(std::vector<const char*> arguments) {
    return ParseOptions(arguments);
}

Options Valid(std::vector<const char*> arguments) {
    auto parsed = Parse(std::move(arguments));
    if (const auto* problem = std::get_if<std::string>(&parsed))
        ADD_FAILURE() << *problem;
    return std::get<Options>(parsed);
}

std::string Problem(std::vector<const char*> arguments) {
    auto parsed = Parse(std::move(arguments));
    const auto* problem = std::get_if<std::string>(&parsed);
    return problem ? *problem : "(accepted)";
}

TEST(ServiceOptionsTest, DefaultsServeLoopbackOn8443) {
    const Options options = Valid({});
    EXPECT_EQ(options.listen.address().to_string(), "127.0.0.1");
    EXPECT_EQ(options.listen.port(), 8443);
    EXPECT_EQ(options.maxBody, 16u * 1024 * 1024);
    EXPECT_TRUE(options.dataDir.empty());
    EXPECT_FALSE(options.help);
}

TEST(ServiceOptionsTest, ReadsEveryOption) {
    const Options options = Valid({"--listen",
                                   "[::1]:0",
                                   "--data-dir",
                                   "/tmp/d",
                                   "--cert",
                                   "c.pem",
                                   "--key",
                                   "k.pem",
                                   "--max-body",
                                   "2M",
                                   "--max-connections",
                                   "7",
                                   "--read-timeout",
                                   "0.5",
                                   "--idle-timeout",
                                   "3",
                                   "--shutdown-grace",
                                   "1.25",
                                   "--max-connections-per-address",
                                   "5",
                                   "--max-streams-per-address",
                                   "2",
                                   "--stream-lifetime",
                                   "60",
                                   "--session-lifetime",
                                   "3600"});
    EXPECT_EQ(options.listen.address().to_string(), "::1");
    EXPECT_EQ(options.listen.port(), 0);
    EXPECT_EQ(options.dataDir, "/tmp/d");
    EXPECT_EQ(options.certificate, "c.pem");
    EXPECT_EQ(options.key, "k.pem");
    EXPECT_EQ(options.maxBody, 2u * 1024 * 1024);
    EXPECT_EQ(options.maxConnections, 7u);
    EXPECT_EQ(options.readTimeout.count(), 500);
    EXPECT_EQ(options.idleTimeout.count(), 3000);
    EXPECT_EQ(options.shutdownGrace.count(), 1250);
    EXPECT_EQ(options.maxConnectionsPerAddress, 5u);
    EXPECT_EQ(options.maxStreamsPerAddress, 2u);
    EXPECT_EQ(options.streamLifetime.count(), 60'000);
    EXPECT_EQ(options.sessionLifetime.count(), 3'600'000);
    EXPECT_TRUE(Valid({}).addUser.empty());
    const Options add = Valid({"user", "add", "anna", "--data-dir", "/tmp/d"});
    EXPECT_EQ(add.addUser, "anna");
    EXPECT_EQ(add.dataDir, "/tmp/d");
    EXPECT_EQ(Valid({"--listen", "localhost:9000"}).listen.address().to_string(), "127.0.0.1");
    EXPECT_EQ(Valid({"--max-body", "1000"}).maxBody, 1000u);
    EXPECT_TRUE(Valid({"--help"}).help);
}

TEST(ServiceOptionsTest, NamesTheWrongOption) {
    EXPECT_EQ(Problem({"--bogus", "1"}), "unknown option --bogus");
    EXPECT_EQ(Problem({"stray"}), "unknown argument stray");
    EXPECT_EQ(Problem({"--listen"}), "option --listen needs a value");
    EXPECT_EQ(Problem({"--cert", "c.pem"}), "--cert and --key go together");
    EXPECT_EQ(Problem({"user", "remove", "anna"}), "user: say \"user add NAME\"");
    EXPECT_EQ(Problem({"user", "add"}), "user: say \"user add NAME\"");
    for (const char* listen :
         {"nohost", "example.com:80", "127.0.0.1:", "127.0.0.1:65536", "127.0.0.1:-1", "::1:80x"})
        EXPECT_EQ(Problem({"--listen", listen}), std::string("invalid value for --listen: ") + listen);
    for (const char* size : {"0", "12X", "M", "-5", "99999999999G"})
        EXPECT_EQ(Problem({"--max-body", size}), std::string("invalid value for --max-body: ") + size);
    for (const char* seconds : {"0", "-1", "abc", "1s", "100000"})
        EXPECT_EQ(Problem({"--read-timeout", seconds}),
                  std::string("invalid value for --read-timeout: ") + seconds);
}

TEST(ServiceOptionsTest, DefaultDataDirFollowsXdg) {
    EXPECT_EQ(DefaultDataDir("/x/data", "/home/u"), "/x/data/kavelo-service");
    EXPECT_EQ(DefaultDataDir(nullptr, "/home/u"), "/home/u/.local/share/kavelo-service");
    EXPECT_EQ(DefaultDataDir("relative", "/home/u"), "/home/u/.local/share/kavelo-service");
    EXPECT_EQ(DefaultDataDir("", "/home/u"), "/home/u/.local/share/kavelo-service");
    EXPECT_EQ(DefaultDataDir(nullptr, nullptr), "");
}

} // namespace
} // namespace kavelo
