#include "ServiceFixture.hpp"

#include <gmock/gmock.h>
#include <openssl/ssl.h>

#include <csignal>
#include <thread>

namespace kavelo::test {
namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;
using testing::Not;

// Sends `bytes` one at a time with a pause after each; returns how many went out before the
// service closed the connection.
std::size_t Trickle(TlsClient& client, std::string_view bytes) {
    for (std::size_t sent = 0; sent < bytes.size(); ++sent) {
        if (!client.TrySend(bytes.substr(sent, 1)))
            return sent;
        std::this_thread::sleep_for(100ms);
    }
    return bytes.size();
}

class ServiceConnectionTest : public ServiceTest {};

TEST_F(ServiceConnectionTest, ClientSendingAByteAtATimeIsCutOff) {
    Start({"--read-timeout", "1"});
    // 30 s of header at this pace; the service allows one.
    const std::string header =
        "GET /healthz HTTP/1.1\r\nHost: localhost\r\nX-Padding: " + std::string(250, 'x') + "\r\n\r\n";
    auto slowHeader = Connect();
    EXPECT_LT(Trickle(*slowHeader, header), header.size());

    const std::string body = "eid=" + NewLinkId();
    auto slowBody = Connect();
    slowBody->Send("POST /login HTTP/1.1\r\nHost: localhost\r\nContent-Length: " +
                   std::to_string(body.size() + 250) + "\r\n\r\n");
    EXPECT_LT(Trickle(*slowBody, body + std::string(250, 'x')), body.size() + 250);
    EXPECT_EQ(Get("/healthz").status, 200u) << "the service itself is fine";
}

TEST_F(ServiceConnectionTest, IdleConnectionsAreClosed) {
    Start({"--idle-timeout", "1"});
    auto client = Connect();
    HttpRequest health;
    health.target = "/healthz";
    const Response response = client->Exchange(health);
    EXPECT_EQ(response.status, 200u);
    EXPECT_TRUE(response.keepAlive);
    EXPECT_TRUE(client->WaitForClose());
}

TEST_F(ServiceConnectionTest, KeepsTheConnectionForTheNextRequest) {
    Start();
    auto client = Connect();
    HttpRequest health;
    health.target = "/healthz";
    client->Send(health.Text() + health.Text()); // pipelined
    EXPECT_EQ(client->ReadResponse().status, 200u);
    EXPECT_EQ(client->ReadResponse().status, 200u);
    EXPECT_EQ(client->Exchange(health).status, 200u);
}

TEST_F(ServiceConnectionTest, OversizedHeadersAndGarbageEndTheConnection) {
    Start();
    auto big = Connect();
    HttpRequest request;
    request.target = "/healthz";
    request.headers.emplace_back("X-Padding", std::string(20'000, 'x'));
    EXPECT_EQ(big->Exchange(request).status, 431u);
    EXPECT_TRUE(big->WaitForClose());

    auto garbage = Connect();
    garbage->Send("HELLO THERE\r\n\r\n");
    EXPECT_EQ(garbage->ReadResponse().status, 400u);
    EXPECT_TRUE(garbage->WaitForClose());

    auto bigForm = Connect();
    HttpRequest form = SignIn().Form("/login", "eid=" + NewLinkId() + "&x=" + std::string(100'000, 'x'));
    EXPECT_EQ(bigForm->Exchange(form).status, 413u) << "only uploads may be large";
}

TEST_F(ServiceConnectionTest, ConnectionsBeyondTheLimitWaitForAFreeOne) {
    Start({"--max-connections", "2"});
    auto first = Connect();
    auto second = Connect();
    TlsSettings impatient;
    impatient.timeout = 1000ms;
    EXPECT_THROW(TlsClient(Service().Port(), Service().CaFile(), impatient), std::runtime_error)
        << "a third connection was served";
    first.reset();
    EXPECT_EQ(Get("/healthz").status, 200u);
    HttpRequest health;
    health.target = "/healthz";
    EXPECT_EQ(second->Exchange(health).status, 200u);
}

TEST_F(ServiceConnectionTest, OneAddressHoldsOnlyItsShareOfConnections) {
    Start({"--max-connections", "8", "--max-connections-per-address", "3"});
    TlsSettings stranger;
    stranger.source = "127.0.0.2";
    std::vector<std::unique_ptr<TlsClient>> held;
    for (int i = 0; i < 8; ++i)
        held.push_back(std::make_unique<TlsClient>(Service().Port(), Service().CaFile(), stranger));
    std::size_t closed = 0;
    for (std::size_t i = 0; i < 5; ++i)
        closed += held[i]->WaitForClose() ? 1 : 0;
    EXPECT_EQ(closed, 5u) << "newer idle connections of the address took the place of older ones";

    TlsSettings person;
    person.timeout = 2000ms;
    HttpRequest health;
    health.target = "/healthz";
    EXPECT_EQ(TlsClient(Service().Port(), Service().CaFile(), person).Exchange(health).status, 200u);
    stranger.timeout = 2000ms;
    EXPECT_EQ(TlsClient(Service().Port(), Service().CaFile(), stranger).Exchange(health).status, 200u)
        << "the address itself still gets in, in place of its longest idle connection";
}

TEST_F(ServiceConnectionTest, LiveViewStreamsHaveAShareAndALifetime) {
    Start({"--max-streams-per-address", "2", "--stream-lifetime", "2"});
    const Person person = SignIn();
    const std::string open =
        "GET /events HTTP/1.1\r\nHost: localhost\r\nCookie: " + person.cookie + "\r\n\r\n";
    std::vector<std::unique_ptr<TlsClient>> streams;
    for (int i = 0; i < 3; ++i) {
        streams.push_back(Connect());
        streams.back()->Send(open);
        if (i < 2) {
            EXPECT_THAT(streams.back()->ReadUntil("retry: 2000"), HasSubstr("200 OK"));
        }
    }
    EXPECT_EQ(streams[2]->ReadResponse().status, 429u);
    EXPECT_EQ(Send(person.Page("/account")).status, 200u) << "a page still loads";
    EXPECT_TRUE(streams[0]->WaitForClose()) << "a stream ends after its lifetime";
    auto again = Connect();
    again->Send(open);
    EXPECT_THAT(again->ReadUntil("retry: 2000"), HasSubstr("200 OK"));
}

TEST_F(ServiceConnectionTest, SpeaksTls12And13AndVerifiesForLoopbackNames) {
    Start();
    EXPECT_EQ(Connect()->ProtocolVersion(), TLS1_3_VERSION);
    TlsSettings settings;
    settings.maxVersion = TLS1_2_VERSION;
    EXPECT_EQ(TlsClient(Service().Port(), Service().CaFile(), settings).ProtocolVersion(), TLS1_2_VERSION);
    settings.maxVersion = TLS1_1_VERSION;
    settings.legacy = true;
    EXPECT_THROW(TlsClient(Service().Port(), Service().CaFile(), settings), std::runtime_error);

    TlsSettings byAddress;
    byAddress.host = "127.0.0.1";
    EXPECT_NO_THROW(TlsClient(Service().Port(), Service().CaFile(), byAddress));
    TlsSettings otherName;
    otherName.host = "example.com";
    EXPECT_THROW(TlsClient(Service().Port(), Service().CaFile(), otherName), std::runtime_error);
}

TEST_F(ServiceConnectionTest, LogsOneLinePerRequestWithoutSecrets) {
    Start();
    EXPECT_EQ(Get("/healthz").status, 200u);
    const std::string linkId = NewLinkId();
    const Person person = SignIn();
    EXPECT_EQ(Send(person.Page("/login?eid=" + linkId)).status, 200u);
    const std::string log = Service().LogOnceItHas("path=/login");
    EXPECT_THAT(log,
                testing::ContainsRegex("level=info event=request method=GET path=/healthz status=200 "
                                       "bytes_in=0 bytes_out=3 duration_ms=[0-9.]+ peer=127.0.0.1:[0-9]+\n"));
    EXPECT_THAT(log, HasSubstr("method=GET path=/login status=200"));
    EXPECT_THAT(log, Not(HasSubstr(linkId)));
    EXPECT_THAT(log, Not(HasSubstr(account_.password)));
    EXPECT_THAT(log, Not(HasSubstr(person.cookie.substr(person.cookie.find('=') + 1))));
}

TEST_F(ServiceConnectionTest, ShutdownFinishesTheRequestInFlight) {
    Start();
    const std::string linkId = LinkNewId(Service(), SignIn());
    const std::string body = UploadBody(MakeJpeg(500'000, 9));
    auto inFlight = Connect();
    inFlight->Send("POST /api/v1/images HTTP/1.1\r\nHost: localhost\r\nX-Api-Key: " + linkId +
                   "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n");
    inFlight->Send(std::string_view(body).substr(0, 1000));
    auto idle = Connect();

    Service().Signal(SIGTERM);
    EXPECT_TRUE(idle->WaitForClose()) << "idle connections close at once";
    inFlight->Send(std::string_view(body).substr(1000));
    const Response response = inFlight->ReadResponse();
    EXPECT_EQ(response.status, 201u);
    EXPECT_FALSE(response.keepAlive);
    EXPECT_EQ(Service().Wait(), 0);
    EXPECT_THAT(Service().Log(), HasSubstr("event=stopped"));
}

TEST_F(ServiceConnectionTest, ShutdownEndsLiveViewStreams) {
    Start();
    auto stream = Connect();
    stream->Send("GET /events HTTP/1.1\r\nHost: localhost\r\nCookie: " + SignIn().cookie + "\r\n\r\n");
    EXPECT_THAT(stream->ReadUntil("retry: 2000"), HasSubstr("200 OK"));
    Service().Signal(SIGTERM);
    EXPECT_TRUE(stream->WaitForClose());
    EXPECT_EQ(Service().Wait(std::chrono::seconds(5)), 0) << "within the grace period";
    EXPECT_THAT(Service().Log(), HasSubstr("method=GET path=/events status=200"));
}

TEST_F(ServiceConnectionTest, ShutdownCutsWhatOutlastsTheGracePeriod) {
    Start({"--shutdown-grace", "0.5", "--read-timeout", "60"});
    auto stalled = Connect();
    stalled->Send("POST /login HTTP/1.1\r\nHost: localhost\r\nContent-Length: 100\r\n\r\neid=");
    Service().Signal(SIGTERM);
    EXPECT_EQ(Service().Wait(), 0);
    EXPECT_TRUE(stalled->WaitForClose());
}

} // namespace
} // namespace kavelo::test
