#include "Upload.hpp"
#include "AccountLink.hpp"
#include "AddOnFixture.hpp"
#include "GSRootHost.hpp"
#include "HTTPHost.hpp"
#include "OriginRoute.hpp"
#include "ServiceUrls.hpp"
#include "TestServer.hpp"

#include <algorithm>
#include <future>
#include <string>
#include <vector>

namespace {

using HttpTest::Connection;
using HttpTest::TestCertificates;
using HttpTest::TestServer;

constexpr const char* LinkId = "0f3e2a1b-9c8d-4e7f-a6b5-c4d3e2f1a0b9";
constexpr const char* DataUrl = "data:image/jpeg;base64,/9j/2Q==";

std::string Answer(const std::string& statusLine, const std::string& body) {
    return "HTTP/1.1 " + statusLine + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
           body;
}

// The add-on's connections to its origin reach the test server, which proves itself with a
// certificate of the test authority.
class Upload : public FixedClockFixture {
protected:
    void SetUp() override {
        FixedClockFixture::SetUp();
        HTTP::Host::AddTrustedCertificateFile(TestCertificates::Get().caFile);
    }
    void TearDown() override {
        HTTP::Host::ResetSettings();
        FixedClockFixture::TearDown();
    }

    // Serves one exchange: records the request and sends `answer`.
    std::string Exchange(const std::string& answer, const char* linkId = LinkId) {
        return ExchangeAs(TestCertificates::Get().localhost, answer, linkId);
    }

    std::string ExchangeAs(const HttpTest::Credentials& credentials, const std::string& answer,
                           const char* linkId = LinkId) {
        std::promise<HttpTest::ReceivedRequest> received;
        TestServer server(
            credentials,
            [&](Connection& connection) {
                received.set_value(connection.ReadRequest());
                connection.Write(answer);
            },
            1, Testing::OriginServerPort);
        Testing::RouteOriginTo(server.GetPort());
        UploadImage(DataUrl, linkId);
        const HttpTest::ReceivedRequest request = HttpTest::Take(received.get_future());
        return request.head + request.body;
    }
};

// A failure while connecting ends the trace. WinHTTP connects inside the first send, so on Windows the
// add-on has written its "Connected to" line, once Connect() returned, before the failure reaches it.
#ifdef _WIN32
constexpr std::size_t LinesBeforeAConnectionFailure = 1;
#else
constexpr std::size_t LinesBeforeAConnectionFailure = 0;
#endif

TEST_F(Upload, PostsTheJsonBodyWithTheKeyAndNothingElse) {
    host.AnswerDialog(2);
    const std::string request = Exchange(Answer("201 Created", "{\"id\":\"abc\"}"));
    EXPECT_EQ(request.rfind("POST /api/v1/images HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nX-Api-Key: " + std::string(LinkId) + "\r\n"), std::string::npos);
    EXPECT_EQ(request.find("Content-Type"), std::string::npos);
    EXPECT_NE(request.find("\"image\":\"data:image/jpeg;base64,/9j/2Q==\""), std::string::npos);
    EXPECT_NE(request.find("\"name\":\"Archicad export\""), std::string::npos);
    EXPECT_NE(request.find("\"source\":\"archicad\""), std::string::npos);
}

TEST_F(Upload, CreatedShowsTheSuccessDialogWithTheNewId) {
    host.AnswerDialog(1); // "Open live"
    Exchange(Answer("201 Created", "{\"id\":\"img_7\"}\nsecond line"));
    const std::vector<std::string> expected = {"Connected to \n",      "HTTP 201\n",    "Received data: \n",
                                               "{\"id\":\"img_7\"}\n", "second line\n", "ImageID img_7\n"};
    EXPECT_EQ(host.debugLines, expected);
    EXPECT_EQ(host.LaunchedUrls(),
              std::vector<std::string>{std::string(ServiceBaseUrl) + "/?uploadRealtime=true&imageId=img_7"});
}

TEST_F(Upload, CreatedWithoutUsableIdStillSucceedsWithAnEmptyId) {
    for (const std::string body : {"not json", "", "{\"other\":1}"}) {
        host.debugLines.clear();
        host.LaunchedUrls().clear();
        host.ErasePreferences(); // the browser never opened: the live view is offered
        host.AnswerDialog(1);
        Exchange(Answer("201 Created", body));
        EXPECT_EQ(host.debugLines.back(), "ImageID \n") << body;
        EXPECT_EQ(host.LaunchedUrls(), std::vector<std::string>{LiveViewUrl("")}) << body;
    }
}

TEST_F(Upload, UnauthorizedTellsTheUserAndOffersToLinkAgain) {
    host.AnswerDialog(1); // 32533
    host.AnswerDialog(2); // Cancel in 32520
    Exchange(Answer("401 Unauthorized", "{}"));
    std::vector<std::string> dialogs;
    for (const std::string& call : host.calls)
        if (call.rfind("Dialog ", 0) == 0)
            dialogs.push_back(call);
    EXPECT_EQ(dialogs, (std::vector<std::string>{"Dialog 32533 Export to KAVELO failed",
                                                 "Dialog 32520 Link to KAVELO"}));
    EXPECT_FALSE(host.Preferences().has_value());
    EXPECT_TRUE(host.reports.empty());
}

TEST_F(Upload, TooLargeAndOtherStatusesAreReported) {
    Exchange(Answer("413 Payload Too Large", ""));
    Exchange(Answer("200 OK", "{\"id\":\"abc\"}"));
    Exchange(Answer("204 No Content", ""));
    const std::vector<std::string> expected = {
        "The image sent to KAVELO is too big. Try reducing the window size of Archicad.: Unknown Error",
        "Unexpected response from KAVELO server: Unknown Error",
        "Unexpected response from KAVELO server: Unknown Error"};
    EXPECT_EQ(host.reports, expected);
}

TEST_F(Upload, AnEmptyKeyIsSentEmpty) {
    host.AnswerDialog(1);
    host.AnswerDialog(2);
    const std::string request = Exchange(Answer("401 Unauthorized", ""), "");
    EXPECT_NE(request.find("\r\nX-Api-Key: \r\n"), std::string::npos) << request;
}

TEST_F(Upload, ANetworkFailureIsReportedWithItsCause) {
    Testing::RouteOriginTo(HttpTest::ClosedPort());
    UploadImage(DataUrl, LinkId);
    ASSERT_EQ(host.debugLines.size(), LinesBeforeAConnectionFailure + 1);
    EXPECT_EQ(host.debugLines.back().rfind("KAVELO export error: ", 0), 0u);
    EXPECT_NE(host.debugLines.back().find("refused"), std::string::npos) << host.debugLines.back();
    EXPECT_EQ(host.reports,
              std::vector<std::string>{
                  "Error connecting to KAVELO. Check your internet connection and try again: Unknown Error"});
}

// Any allocation of a failed exchange may fail, the reporting's own among them: the failure is
// still reported (at least by its beep, when the report's text cannot be made) and nothing leaves.
TEST_F(Upload, EveryAllocationOfAFailedExchangeMayFailAndTheFailureIsStillReported) {
    Testing::RouteOriginTo(HttpTest::ClosedPort());
    const UInt64 before = GS::Host::GetMemoryStats().allocations;
    UploadImage(DataUrl, LinkId);
    const UInt64 allocations = GS::Host::GetMemoryStats().allocations - before;
    for (UInt64 n = 1; n <= allocations; ++n) {
        host.calls.clear();
        GS::Host::FailNthAllocation(n);
        EXPECT_NO_THROW(UploadImage(DataUrl, LinkId)) << "allocation " << n << " failed";
        GS::Host::FailNthAllocation(0);
        EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "Beep"), 1)
            << "allocation " << n << " failed";
    }
}

TEST_F(Upload, AnAllocationFailureIsReportedAsAnExportError) {
    GS::Host::FailNthAllocation(1);
    UploadImage(DataUrl, LinkId);
    EXPECT_EQ(host.debugLines, std::vector<std::string>{"KAVELO export error: std::bad_alloc\n"});
    EXPECT_EQ(host.reports, std::vector<std::string>{
                                "Error on exporting image to KAVELO. Please try again: Unknown Error"});
}

TEST_F(Upload, AServerErrorIsAnUnexpectedResponse) {
    Exchange(Answer("500 Internal Server Error", "oops"));
    EXPECT_EQ(host.reports,
              std::vector<std::string>{"Unexpected response from KAVELO server: Unknown Error"});
}

// Certificates that do not verify are never accepted: the upload is a connection failure.
TEST_F(Upload, UntrustedOrMisnamedCertificatesAreConnectionFailures) {
    for (const HttpTest::Credentials* credentials :
         {&TestCertificates::Get().selfSigned, &TestCertificates::Get().otherHost}) {
        host.debugLines.clear();
        host.reports.clear();
        TestServer server(
            *credentials, [](Connection&) {}, 1, Testing::OriginServerPort);
        Testing::RouteOriginTo(server.GetPort());
        UploadImage(DataUrl, LinkId);
        ASSERT_EQ(host.debugLines.size(), LinesBeforeAConnectionFailure + 1);
        EXPECT_NE(host.debugLines.back().find("certificate verify failed"), std::string::npos)
            << host.debugLines.back();
        EXPECT_EQ(
            host.reports,
            std::vector<std::string>{
                "Error connecting to KAVELO. Check your internet connection and try again: Unknown Error"});
    }
}

TEST_F(Upload, AnAnswerLargerThanTheLimitIsAConnectionFailure) {
    HTTP::Host::SetResponseBodyLimit(1024);
    Exchange(Answer("201 Created", std::string(4096, 'x')));
    ASSERT_EQ(host.debugLines.size(), 2u); // connected, then the failure
    EXPECT_NE(host.debugLines[1].find("larger than 1024"), std::string::npos) << host.debugLines[1];
    EXPECT_EQ(host.reports.size(), 1u);
}

TEST_F(Upload, AServerThatNeverAnswersTimesOutOnce) {
    HttpTest::SilentListener listener(Testing::OriginServerPort);
    Testing::RouteOriginTo(listener.GetPort());
    UploadImage(DataUrl, LinkId);
    ASSERT_EQ(host.debugLines.size(), LinesBeforeAConnectionFailure + 1);
    EXPECT_NE(host.debugLines.back().find("timed out after 8000 ms"), std::string::npos)
        << host.debugLines.back();
    EXPECT_EQ(host.reports.size(), 1u);
}

TEST_F(Upload, AnUnresolvableNameIsAConnectionFailure) {
    SKIP_ON_WINDOWS("the origin's name cannot be made unresolvable: it is compiled into the module, and "
                    "connect-to is refused on Windows");
    HTTP::Host::SetConnectTo("localhost", 8443, "nohost.invalid", 443);
    UploadImage(DataUrl, LinkId);
    ASSERT_EQ(host.debugLines.size(), 1u);
    EXPECT_NE(host.debugLines[0].find("could not resolve host"), std::string::npos) << host.debugLines[0];
    EXPECT_EQ(host.reports.size(), 1u);
}

} // namespace
