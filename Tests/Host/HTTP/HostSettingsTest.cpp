#include "ClientTestSupport.hpp"

#include <gmock/gmock.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace HttpTest {
namespace {

using testing::StartsWith;

TEST(HttpHostSettings, TrustedCertificateFileMustHoldWellFormedCertificates) {
    const auto failureOf = [](const std::string& path) -> std::string {
        try {
            HTTP::Host::AddTrustedCertificateFile(path);
        } catch (const std::runtime_error& error) {
            return error.what();
        }
        return "(accepted)";
    };
    const auto fileWith = [](const std::string& name, const std::string& content) {
        const std::string path = testing::TempDir() + name + std::to_string(getpid());
        std::ofstream(path) << content;
        return path;
    };
    EXPECT_EQ(failureOf("/nonexistent/ca.pem"),
              "cannot read trusted certificate file '/nonexistent/ca.pem': No such file or directory");
    const std::string empty = fileWith("empty.pem", "");
    EXPECT_EQ(failureOf(empty), "no PEM certificate in '" + empty + "'");
    const std::string garbage = fileWith(
        "garbage.pem", "-----BEGIN CERTIFICATE-----\nnot base64 at all!\n-----END CERTIFICATE-----\n");
    EXPECT_THAT(failureOf(garbage), StartsWith("malformed certificate in '" + garbage + "': "));
    const std::string twoCopies = fileWith("two.pem", TestCertificates::Get().caCertificatePem +
                                                          TestCertificates::Get().caCertificatePem);
    EXPECT_EQ(failureOf(twoCopies), "(accepted)");
    for (const std::string& path : {empty, garbage, twoCopies}) {
        std::remove(path.c_str());
    }
    HTTP::Host::ResetSettings();
}

} // namespace
} // namespace HttpTest
