// WinHTTP's trust under the system's rules, against the local servers that run-trust-test.sh starts:
// a CA added to the user's root store is trusted; a server of an unknown CA, one whose certificate
// names another host and one whose certificate names its host only in the common name are refused. That no
// request byte (the fields carry the API key) reached the refused servers is checked by the script, from the
// servers' own counts.

#include "HTTP/Client.hpp"
#include "HTTPHost.hpp"

#include "GSRoot/GSException.hpp"
#include "GSRootHost.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr)
        throw std::runtime_error(std::string(name) + " is not set: run this test through run-trust-test.sh");
    return value;
}

std::string Utf8(const GS::UniString& text) {
    return GS::Host::Utf16ToUtf8(std::u16string_view(text.ToUStr(), text.GetLength()));
}

// A GET with a credential in its fields; the status and the body, or the failure's message.
std::string Exchange(const std::string& portVariable) {
    const std::string url = "https://localhost:" + Environment(portVariable.c_str()) + "/";
    try {
        HTTP::Client::ClientConnection connection{IO::URI::URI(url.c_str())};
        connection.SetTimeout(10000);
        connection.Connect();
        HTTP::Client::Request request(HTTP::MessageHeader::Method::Get, "/",
                                      HTTP::MessageHeader::HTTPVersion::Version11);
        request.GetRequestHeaderFieldCollection().Add("X-Api-Key", "0f3e2a1b-9c8d-4e7f-a6b5-c4d3e2f1a0b9");
        connection.Send(request, nullptr, 0);
        HTTP::Client::Response response;
        GS::IBinaryChannel& body = connection.BeginReceive(response);
        std::string text = std::to_string(response.GetStatusCode()) + " ";
        std::vector<char> piece(4096);
        while (const USize read = body.Read(piece.data(), USize(piece.size())))
            text.append(piece.data(), read);
        connection.FinishReceive();
        connection.Close(true);
        return text;
    } catch (const GS::GSException& failure) {
        return Utf8(failure.GetMessage());
    }
}

class WinHttpTrust : public testing::Test {
protected:
    static void SetUpTestSuite() { HTTP::Host::AddTrustedCertificateFile(Environment("KAVELO_TRUSTED_CA")); }
};

TEST_F(WinHttpTrust, ServerOfACaInTheUsersRootStoreAnswers) {
    EXPECT_EQ(Exchange("KAVELO_TRUSTED_PORT"), "200 trusted");
}

class WinHttpRefusal : public WinHttpTrust, public testing::WithParamInterface<const char*> {};

TEST_P(WinHttpRefusal, IsACertificateFailure) {
    EXPECT_EQ(Exchange(GetParam()).rfind("certificate verify failed", 0), 0u) << Exchange(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Servers, WinHttpRefusal,
                         testing::Values("KAVELO_UNKNOWN_CA_PORT", "KAVELO_WRONG_NAME_PORT",
                                         "KAVELO_COMMON_NAME_ONLY_PORT"));

} // namespace
