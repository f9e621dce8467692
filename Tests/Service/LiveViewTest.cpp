#include "ServiceFixture.hpp"

#include <gmock/gmock.h>

namespace kavelo::test {
namespace {

using testing::HasSubstr;
using testing::Not;

class ServiceLiveViewTest : public ServiceTest {
protected:
    void SetUp() override {
        Start();
        person_ = SignIn();
        linkId_ = LinkNewId(Service(), person_);
    }
    Response Page(const std::string& target) { return Send(person_.Page(target)); }
    std::unique_ptr<TlsClient> Follow(const Person& person, const std::string& extra = {}) {
        auto stream = Connect();
        stream->Send("GET /events?after=1 HTTP/1.1\r\nHost: localhost\r\nCookie: " + person.cookie + "\r\n" +
                     extra + "\r\n");
        return stream;
    }
    std::string Upload(unsigned seed) { return UploadImage(Service(), linkId_, MakeJpeg(5000, seed)); }
    static std::string ImageTag(const std::string& id) { return "src=\"/api/v1/images/" + id + "\""; }

    Person person_;
    std::string linkId_;
};

TEST_F(ServiceLiveViewTest, WithoutPicturesSaysSoAndWaitsForThem) {
    const Response page = Page("/?uploadRealtime=true");
    ASSERT_EQ(page.status, 200u);
    EXPECT_THAT(page.body, HasSubstr("No pictures yet"));
    EXPECT_THAT(page.body, HasSubstr("<script src=\"/assets/live.js\""));
    EXPECT_THAT(page.body, HasSubstr("data-after=\"0\""));
    const Response script = Get("/assets/live.js"); // assets need no session
    EXPECT_EQ(script.status, 200u);
    EXPECT_EQ(script.Header("content-type"), "text/javascript; charset=utf-8");
    EXPECT_THAT(script.body, HasSubstr("new EventSource(\"/events?after=\""));
}

TEST_F(ServiceLiveViewTest, ShowsTheNewestPictureOrTheOneAskedFor) {
    const std::string first = Upload(1);
    const std::string second = Upload(2);
    const Response newest = Page("/?uploadRealtime=true");
    EXPECT_THAT(newest.body, HasSubstr(ImageTag(second)));
    EXPECT_THAT(newest.body, Not(HasSubstr(first)));
    EXPECT_THAT(newest.body, HasSubstr("data-after=\"2\""));

    const Response asked = Page("/?uploadRealtime=true&imageId=" + first);
    EXPECT_EQ(asked.status, 200u);
    EXPECT_THAT(asked.body, HasSubstr(ImageTag(first)));
    EXPECT_THAT(asked.body, HasSubstr("data-after=\"2\"")) << "the page follows the feed from the newest on";
}

TEST_F(ServiceLiveViewTest, UnknownPictureGetsAMessageNotABrokenPage) {
    Upload(1);
    for (const std::string& id : std::vector<std::string>{"AAAAAAAAAAAAAAAAAAAAAA", "..%2F..%2Fkavelo.db",
                                                          "%3Cscript%3Ealert(1)%3C%2Fscript%3E"}) {
        const Response page = Page("/?uploadRealtime=true&imageId=" + id);
        EXPECT_EQ(page.status, 404u) << id;
        EXPECT_THAT(page.body, HasSubstr("The picture this link names is not here")) << id;
        EXPECT_THAT(page.body, HasSubstr("/assets/live.js")) << "still a live view";
        EXPECT_THAT(page.body, Not(HasSubstr("<script>alert"))) << id;
        EXPECT_THAT(page.body, Not(HasSubstr("<img id=\"live-image\" alt=\"The latest picture exported from "
                                             "Archicad\" src=")));
    }
}

TEST_F(ServiceLiveViewTest, EventStreamDeliversEachNewPicture) {
    const std::string before = Upload(1);
    auto stream = Follow(person_, "Accept: text/event-stream\r\n");
    const std::string header = stream->ReadUntil("retry: 2000");
    EXPECT_THAT(header, HasSubstr("Content-Type: text/event-stream"));
    EXPECT_THAT(header, HasSubstr("Transfer-Encoding: chunked"));

    const std::string next = Upload(2);
    const std::string event = stream->ReadUntil(next);
    EXPECT_THAT(
        event, HasSubstr("id: 2\nevent: image\ndata: {\"id\":\"" + next + "\",\"name\":\"Archicad export\""));
    EXPECT_THAT(event, Not(HasSubstr(before))) << "the page already had the picture before";
    const std::string last = Upload(3);
    EXPECT_THAT(stream->ReadUntil(last), HasSubstr("id: 3\n"));
}

TEST_F(ServiceLiveViewTest, ReconnectingStreamCatchesUpWithTheNewest) {
    Upload(1);
    const std::string newest = Upload(2);
    auto stream = Connect();
    stream->Send("GET /events?after=2 HTTP/1.1\r\nHost: localhost\r\nLast-Event-ID: 1\r\nCookie: " +
                 person_.cookie + "\r\n\r\n");
    EXPECT_THAT(stream->ReadUntil(newest), HasSubstr("id: 2\n"));
}

TEST_F(ServiceLiveViewTest, EachAccountSeesOnlyItsOwnPictures) {
    const Person other = kavelo::test::SignIn(Service(), AddUser(DataDir(), "other"));
    const std::string otherLink = LinkNewId(Service(), other);
    const std::string theirs = UploadImage(Service(), otherLink, MakeJpeg(5000, 7));
    const std::string mine = Upload(1);

    auto myStream = Follow(person_);
    auto theirStream = Follow(other);
    myStream->ReadUntil("retry: 2000");
    theirStream->ReadUntil("retry: 2000");
    const std::string theirNext = UploadImage(Service(), otherLink, MakeJpeg(5000, 8));
    const std::string myNext = Upload(2);
    EXPECT_THAT(myStream->ReadUntil(myNext), Not(HasSubstr(theirNext)));
    EXPECT_THAT(theirStream->ReadUntil(theirNext), Not(HasSubstr(mine)));

    EXPECT_THAT(Page("/?uploadRealtime=true").body, HasSubstr(ImageTag(myNext)));
    for (const std::string& id : {theirs, theirNext}) {
        EXPECT_EQ(Page("/api/v1/images/" + id).status, 404u);
        EXPECT_EQ(Page("/?uploadRealtime=true&imageId=" + id).status, 404u);
        EXPECT_EQ(Send(other.Page("/api/v1/images/" + id)).status, 200u);
    }
    EXPECT_EQ(Send(other.Page("/api/v1/images/" + mine)).status, 404u);
}

} // namespace
} // namespace kavelo::test
