#include "ServiceFixture.hpp"

#include <gmock/gmock.h>

namespace kavelo::test {
namespace {

using testing::HasSubstr;

class ServiceStartupTest : public ServiceTest {};

TEST_F(ServiceStartupTest, MakesItsOwnAuthorityAndKeepsTheDataPrivate) {
    Start();
    EXPECT_EQ(Service().CaFile(), DataDir() / "tls" / "ca.pem");
    EXPECT_THAT(ReadFile(Service().CaFile()), HasSubstr("-----BEGIN CERTIFICATE-----"));
    EXPECT_EQ(Get("/healthz").status, 200u) << "the printed authority does not verify the service";
    const auto owner = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
    for (const char* file : {"tls/server-key.pem", "tls/ca-key.pem", "kavelo.db"})
        EXPECT_EQ(std::filesystem::status(DataDir() / file).permissions(), owner) << file;
    EXPECT_EQ(std::filesystem::status(DataDir()).permissions(), std::filesystem::perms::owner_all);
}

TEST_F(ServiceStartupTest, ServesAGivenCertificate) {
    Start();
    const std::filesystem::path own = folder_.Path() / "own";
    std::filesystem::copy(DataDir() / "tls", own);
    service_.reset();

    const TempDir other;
    const ServiceProcess given(other.Path() / "data", {"--cert", (own / "server.pem").string(), "--key",
                                                       (own / "server-key.pem").string()});
    EXPECT_TRUE(given.CaFile().empty()) << "no authority of its own to print";
    EXPECT_FALSE(std::filesystem::exists(other.Path() / "data" / "tls"));
    HttpRequest health;
    health.target = "/healthz";
    EXPECT_EQ(Fetch(given.Port(), own / "ca.pem", health).status, 200u);
}

TEST_F(ServiceStartupTest, BadStartsExplainThemselves) {
    const RunResult unknown = RunService({"--bogus", "1"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_THAT(unknown.output, HasSubstr("kavelo-service: unknown option --bogus"));
    EXPECT_THAT(unknown.output, HasSubstr("usage: kavelo-service"));

    const RunResult help = RunService({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.output, HasSubstr("--max-body BYTES"));

    const RunResult missing =
        RunService({"--data-dir", DataDir().string(), "--listen", "127.0.0.1:0", "--cert",
                    "/nonexistent/cert.pem", "--key", "/nonexistent/key.pem"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_THAT(missing.output, HasSubstr("cannot use the certificate /nonexistent/cert.pem"));

    Start();
    const TempDir other;
    const RunResult busy = RunService(
        {"--data-dir", other.Path().string(), "--listen", "127.0.0.1:" + std::to_string(Service().Port())});
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_THAT(busy.output, HasSubstr("cannot listen on 127.0.0.1 port " + std::to_string(Service().Port()) +
                                       ": Address already in use"));
}

} // namespace
} // namespace kavelo::test
