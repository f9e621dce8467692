#include "ServiceFixture.hpp"

#include "Base64.hpp"

#include <gmock/gmock.h>

#include <set>
#include <thread>

namespace kavelo::test {
namespace {

using testing::HasSubstr;
using testing::MatchesRegex;
using testing::StartsWith;

std::size_t FileCount(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

class ServiceImageEndpointTest : public ServiceTest {
protected:
    void SetUp() override {
        Start({"--max-body", "1M"});
        person_ = SignIn();
        linkId_ = LinkNewId(Service(), person_);
    }
    Response Picture(const std::string& id) { return Send(person_.Page("/api/v1/images/" + id)); }
    Response Upload(std::string body, const std::string& key) {
        return Send(UploadRequest(key, std::move(body)));
    }
    std::filesystem::path Images() const { return DataDir() / "images"; }

    Person person_;
    std::string linkId_;
};

TEST_F(ServiceImageEndpointTest, StoresThePictureAndAnswersItsId) {
    const std::string jpeg = MakeJpeg(300'000, 1);
    const Response created = Upload(UploadBody(jpeg), linkId_);
    ASSERT_EQ(created.status, 201u) << created.body;
    EXPECT_THAT(created.body, MatchesRegex("\\{\"id\":\"[A-Za-z0-9_-]{22}\"\\}\n"));
    EXPECT_EQ(created.Header("content-type"), "application/json");
    const std::string id = created.body.substr(7, 22);
    EXPECT_EQ(created.Header("location"), "/api/v1/images/" + id);

    const Response image = Picture(id);
    ASSERT_EQ(image.status, 200u);
    EXPECT_EQ(image.Header("content-type"), "image/jpeg");
    EXPECT_THAT(image.Header("cache-control"), HasSubstr("no-cache")) << "kept no longer than the session";
    EXPECT_TRUE(image.body == jpeg) << "the picture came back changed";
}

TEST_F(ServiceImageEndpointTest, AcceptsEscapedSlashesChunkedBodiesAndExpectContinue) {
    const std::string jpeg = MakeJpeg(100'000, 2);
    const Response escaped = Upload(UploadBody(jpeg, true), linkId_);
    ASSERT_EQ(escaped.status, 201u) << escaped.body;
    EXPECT_TRUE(Picture(escaped.body.substr(7, 22)).body == jpeg);

    HttpRequest chunked = UploadRequest(linkId_, Chunked(UploadBody(jpeg), 10'000));
    chunked.contentLength = false;
    chunked.headers.emplace_back("Transfer-Encoding", "chunked");
    EXPECT_EQ(Send(chunked).status, 201u);

    // curl's way: the header first, the body only after "100 Continue".
    const std::string body = UploadBody(jpeg);
    auto client = Connect();
    client->Send("POST /api/v1/images HTTP/1.1\r\nHost: localhost\r\nX-Api-Key: " + linkId_ +
                 "\r\nExpect: 100-continue\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n");
    EXPECT_EQ(client->ReadResponse().status, 100u);
    client->Send(body);
    EXPECT_EQ(client->ReadResponse().status, 201u);
}

// A client behind a proxy may send the absolute form, which HTTP/1.1 servers must take; another
// scheme's or port's target belongs to another server, and comes back before any body is read.
TEST_F(ServiceImageEndpointTest, AbsoluteFormTargetsAreServedForThisSchemeAndPortOnly) {
    const std::string jpeg = MakeJpeg(300'000, 3);
    const std::string port = std::to_string(Service().Port());
    const struct {
        std::string origin;
        unsigned status;
    } cases[] = {
        {"https://localhost:" + port, 201},
        {"HTTPS://127.0.0.1:" + port, 201},
        {"http://localhost:" + port, 421},
        {"https://localhost:" + std::to_string(Service().Port() + 1), 421},
        {"https://localhost", 421},
        {"https://user@localhost:" + port, 400},
    };
    for (const auto& [origin, status] : cases) {
        HttpRequest upload = UploadRequest(linkId_, UploadBody(jpeg));
        upload.target.insert(0, origin);
        const Response response = Send(upload);
        ASSERT_EQ(response.status, status) << origin << ": " << response.body;
        if (status == 201) {
            EXPECT_TRUE(Picture(response.body.substr(7, 22)).body == jpeg) << origin;
        }
    }
}

TEST_F(ServiceImageEndpointTest, UnknownOrMissingKeysAre401) {
    const std::string body = UploadBody(MakeJpeg(1000, 3));
    HttpRequest withoutKey = UploadRequest("", body);
    withoutKey.headers.clear();
    const Response missing = Send(withoutKey);
    EXPECT_EQ(missing.status, 401u);
    EXPECT_THAT(missing.body, StartsWith("{\"error\":"));
    for (const std::string& key :
         std::vector<std::string>{std::string(), NewLinkId(), linkId_.substr(1), "' OR 1=1 --"})
        EXPECT_EQ(Upload(body, key).status, 401u) << '"' << key << '"';
    EXPECT_EQ(FileCount(Images()), 0u);
}

TEST_F(ServiceImageEndpointTest, UnknownKeyIsRefusedAtTheHeaderBeforeAnyBody) {
    for (const std::string expect : {"Expect: 100-continue\r\n", ""}) {
        auto client = Connect();
        client->Send("POST /api/v1/images HTTP/1.1\r\nHost: localhost\r\nX-Api-Key: " + NewLinkId() + "\r\n" +
                     expect + "Content-Length: 1000000\r\n\r\n");
        const Response response = client->ReadResponse(); // not one byte of the body was sent
        EXPECT_EQ(response.status, 401u) << expect << "(no 100 Continue first)";
        EXPECT_FALSE(response.keepAlive);
        EXPECT_TRUE(client->WaitForClose());
    }
}

TEST_F(ServiceImageEndpointTest, BodiesThatAreNotTheUploadAre400) {
    const std::string jpeg64 = EncodeBase64(MakeJpeg(1000, 4));
    const std::string png64 = EncodeBase64("\x89PNG\r\n\x1a\n0000000000");
    const std::pair<std::string, std::string> cases[] = {
        {"not JSON", "image=data"},
        {"empty body", ""},
        {"an array", "[\"data:image/jpeg;base64," + jpeg64 + "\"]"},
        {"a string", "\"data:image/jpeg;base64," + jpeg64 + "\""},
        {"no image", R"({"name":"Archicad export","source":"archicad"})"},
        {"image not a string", R"({"image":42,"name":"Archicad export","source":"archicad"})"},
        {"no name", "{\"image\":\"data:image/jpeg;base64," + jpeg64 + "\",\"source\":\"archicad\"}"},
        {"name not a string",
         "{\"image\":\"data:image/jpeg;base64," + jpeg64 + "\",\"name\":null,\"source\":\"a\"}"},
        {"no source", "{\"image\":\"data:image/jpeg;base64," + jpeg64 + "\",\"name\":\"n\"}"},
        {"PNG data URL",
         "{\"image\":\"data:image/png;base64," + png64 + "\",\"name\":\"n\",\"source\":\"s\"}"},
        {"plain base64", "{\"image\":\"" + jpeg64 + "\",\"name\":\"n\",\"source\":\"s\"}"},
        {"bad base64", "{\"image\":\"data:image/jpeg;base64,/9j/4A!!\",\"name\":\"n\",\"source\":\"s\"}"},
        {"cut base64", "{\"image\":\"data:image/jpeg;base64,/9j/4AA\",\"name\":\"n\",\"source\":\"s\"}"},
        {"empty picture", R"({"image":"data:image/jpeg;base64,","name":"n","source":"s"})"},
        {"PNG in a JPEG URL",
         "{\"image\":\"data:image/jpeg;base64," + png64 + "\",\"name\":\"n\",\"source\":\"s\"}"},
        {"trailing text",
         "{\"image\":\"data:image/jpeg;base64," + jpeg64 + "\",\"name\":\"n\",\"source\":\"s\"} x"},
        {"invalid UTF-8",
         "{\"image\":\"data:image/jpeg;base64," + jpeg64 + "\",\"name\":\"\xff\",\"source\":\"s\"}"},
    };
    for (const auto& [what, body] : cases) {
        const Response response = Upload(body, linkId_);
        EXPECT_EQ(response.status, 400u) << what;
        EXPECT_THAT(response.body, MatchesRegex("\\{\"error\":\"([^\"\\\\]|\\\\.)+\"\\}\n")) << what;
    }
    EXPECT_EQ(FileCount(Images()), 0u);
}

TEST_F(ServiceImageEndpointTest, TooLargeIsDecidedFromContentLengthBeforeTheBody) {
    auto client = Connect();
    client->Send("POST /api/v1/images HTTP/1.1\r\nHost: localhost\r\nX-Api-Key: " + linkId_ +
                 "\r\nContent-Length: 2000000\r\n\r\n");
    const Response response = client->ReadResponse(); // not one byte of the body was sent
    EXPECT_EQ(response.status, 413u);
    EXPECT_FALSE(response.keepAlive);
    EXPECT_TRUE(client->WaitForClose());
}

TEST_F(ServiceImageEndpointTest, TooLargeBodySentWholeStillGetsTheAnswer) {
    // The add-on sends the whole body before it reads the answer.
    auto client = Connect();
    EXPECT_EQ(client->Exchange(UploadRequest(linkId_, UploadBody(MakeJpeg(900'000, 5)))).status, 413u);
    EXPECT_TRUE(client->WaitForClose());
}

TEST_F(ServiceImageEndpointTest, TooLargeIsFoundWhileReadingABodyWithoutLength) {
    HttpRequest request = UploadRequest(linkId_, Chunked(UploadBody(MakeJpeg(900'000, 6)), 64 * 1024));
    request.contentLength = false;
    request.headers.emplace_back("Transfer-Encoding", "chunked");
    auto client = Connect();
    const Response response = client->Exchange(request);
    EXPECT_EQ(response.status, 413u);
    EXPECT_FALSE(response.keepAlive);
    EXPECT_TRUE(client->WaitForClose());
    EXPECT_EQ(FileCount(Images()), 0u);
}

TEST_F(ServiceImageEndpointTest, UploadCutOffHalfWayLeavesNothing) {
    const std::string body = UploadBody(MakeJpeg(200'000, 7));
    {
        auto client = Connect();
        client->Send("POST /api/v1/images HTTP/1.1\r\nHost: localhost\r\nX-Api-Key: " + linkId_ +
                     "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n");
        client->Send(std::string_view(body).substr(0, body.size() / 2));
    }
    EXPECT_EQ(Get("/healthz").status, 200u);
    EXPECT_EQ(FileCount(Images()), 0u);
}

TEST_F(ServiceImageEndpointTest, ImageUrlsNeverReachOtherFiles) {
    const std::string id = UploadImage(Service(), linkId_, MakeJpeg(1000, 8));
    ASSERT_FALSE(id.empty());
    const std::string key = ReadFile(DataDir() / "tls" / "server-key.pem");
    for (const std::string& target : std::vector<std::string>{
             "/api/v1/images/../../kavelo.db", "/api/v1/images/..%2F..%2Fkavelo.db",
             "/api/v1/images/%2e%2e%2fkavelo.db", "/api/v1/images/..%2Ftls%2Fserver-key.pem",
             "/api/v1/images//etc/passwd", "/api/v1/images/%2Fetc%2Fpasswd",
             "/api/v1/images/" + id + "/../../kavelo.db", "/api/v1/images/" + id + "%00.jpg",
             "/api/v1/images/" + id + ".jpg", "/api/v1/images/....................../", "/../../kavelo.db",
             "/assets/../kavelo.db", "/images/" + id + ".jpg", "/tls/server-key.pem"}) {
        const Response response = Send(person_.Page(target));
        EXPECT_EQ(response.status, 404u) << target;
        EXPECT_THAT(response.body, testing::Not(HasSubstr("SQLite format"))) << target;
        EXPECT_THAT(response.body, testing::Not(HasSubstr("PRIVATE KEY"))) << target;
        EXPECT_NE(response.body, key);
    }
    EXPECT_EQ(Picture(id).status, 200u);
}

TEST_F(ServiceImageEndpointTest, OtherMethodsAndPaths) {
    EXPECT_EQ(Get("/healthz").status, 200u);
    EXPECT_EQ(Get("/healthz").body, "ok\n");
    const Response list = Get("/api/v1/images");
    EXPECT_EQ(list.status, 405u);
    EXPECT_EQ(list.Header("allow"), "POST");
    HttpRequest remove;
    remove.method = "DELETE";
    remove.target = "/api/v1/images/AAAAAAAAAAAAAAAAAAAAAA";
    EXPECT_EQ(Send(remove).status, 405u);
    EXPECT_EQ(Picture("AAAAAAAAAAAAAAAAAAAAAA").status, 404u);
    const Response unknown = Get("/api/v2/anything");
    EXPECT_EQ(unknown.status, 404u);
    EXPECT_EQ(unknown.Header("content-type"), "application/json");
}

// Fifty clients, each from an address of its own, as one address holds only its share.
TEST_F(ServiceImageEndpointTest, FiftyConcurrentUploadsAreAllStored) {
    Start(); // the default limit, for 2 MB pictures
    person_ = SignIn();
    linkId_ = LinkNewId(Service(), person_);
    constexpr int kClients = 50;
    std::vector<std::string> jpegs, ids(kClients);
    for (int i = 0; i < kClients; ++i)
        jpegs.push_back(MakeJpeg(2'000'000, 100 + static_cast<unsigned>(i)));
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i)
        clients.emplace_back([&, i] {
            ids[i] = UploadImage(Service(), linkId_, jpegs[i], "127.0.1." + std::to_string(i + 1));
        });
    for (auto& client : clients)
        client.join();

    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), static_cast<std::size_t>(kClients));
    for (int i = 0; i < kClients; ++i) {
        ASSERT_FALSE(ids[i].empty()) << "upload " << i << " failed";
        EXPECT_TRUE(Picture(ids[i]).body == jpegs[i]) << "upload " << i;
    }
    EXPECT_EQ(FileCount(Images()), static_cast<std::size_t>(kClients));
}

} // namespace
} // namespace kavelo::test
