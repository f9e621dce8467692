#include "ClientTestSupport.hpp"

#include <gmock/gmock.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace HttpTest {
namespace {

using HTTP::MessageHeader::HeaderFieldCollection;
using testing::HasSubstr;
using testing::StartsWith;

TEST(HttpHeaderFields, KeepsFieldsInOrderAndFindsTheFirstWithoutRegardToCase) {
    HeaderFieldCollection fields;
    EXPECT_EQ(fields.GetCount(), 0u);
    fields.Add("X-Api-Key", "first");
    fields.Add("Accept", "text/plain");
    fields.Add("x-api-key", "second");
    fields.Add("X-Name", GS::UniString("Gr\xC3\xBC\xC3\x9F"
                                       "e",
                                       GS::CC_UTF8));
    EXPECT_EQ(fields.GetCount(), 4u);
    EXPECT_EQ(FieldOf(fields, "X-API-KEY"), "first");
    EXPECT_EQ(FieldOf(fields, "accept"), "text/plain");
    EXPECT_EQ(FieldOf(fields, "X-Name"), "Gr\xC3\xBC\xC3\x9F"
                                         "e");
}

TEST(HttpHeaderFields, LeavesTheValueAloneForAMissingName) {
    HeaderFieldCollection fields;
    fields.Add("Accept", "text/plain");
    GS::UniString value("unchanged");
    EXPECT_FALSE(fields.Get("Accep", value));
    EXPECT_FALSE(fields.Get("Accept-Encoding", value));
    EXPECT_EQ(Utf8(value), "unchanged");
}

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
    EXPECT_THAT(failureOf("/nonexistent/ca.pem"),
                StartsWith("cannot read trusted certificate file '/nonexistent/ca.pem': "));
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
