#include "ServiceFixture.hpp"

#include <gmock/gmock.h>

namespace kavelo::test {
namespace {

using testing::HasSubstr;
using testing::Not;

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class ServiceLinkTest : public ServiceTest {
protected:
    void SetUp() override {
        Start();
        person_ = SignIn();
        other_ = kavelo::test::SignIn(Service(), AddUser(DataDir(), "other"));
    }
    unsigned UploadStatus(const std::string& linkId) {
        return Send(UploadRequest(linkId, UploadBody(MakeJpeg(1000, 1)))).status;
    }
    // The number the account page's unlink form gives the link.
    std::string LinkNumber(const Person& person) {
        return FieldValue(Send(person.Page("/account")).body, "link");
    }

    Person person_;
    Person other_;
};

TEST_F(ServiceLinkTest, LoginPageAsksTheSignedInPersonToConfirm) {
    const std::string linkId = NewLinkId();
    const Response signedOut = Get("/login?eid=" + linkId);
    EXPECT_EQ(signedOut.status, 303u);
    EXPECT_EQ(signedOut.Header("location"), "/signin?next=%2Flogin%3Feid%3D" + linkId);
    const Response back = PostSignIn(Service(), account_, "%2Flogin%3Feid%3D" + linkId);
    EXPECT_EQ(back.Header("location"), "/login?eid=" + linkId) << "signing in comes back to the page";

    const Response page = Send(person_.Page("/login?eid=" + linkId));
    ASSERT_EQ(page.status, 200u);
    EXPECT_THAT(page.body, HasSubstr("<form method=\"post\" action=\"/login\">"));
    EXPECT_EQ(FieldValue(page.body, "eid"), linkId);
    EXPECT_EQ(FieldValue(page.body, "csrf"), person_.formToken);
    EXPECT_EQ(Count(page.body, "<button"), 2u) << "link, and sign out";
    EXPECT_THAT(page.Header("content-security-policy"), HasSubstr("frame-ancestors 'none'"));
    EXPECT_EQ(page.Header("x-frame-options"), "DENY");
    EXPECT_EQ(UploadStatus(linkId), 401u) << "showing the page must not link";
}

TEST_F(ServiceLinkTest, LinkingMakesTheKeyWorkAndIsIdempotent) {
    const std::string linkId = NewLinkId();
    EXPECT_EQ(UploadStatus(linkId), 401u);
    const Response linked = Send(person_.Form("/login", "eid=" + linkId));
    ASSERT_EQ(linked.status, 200u);
    EXPECT_THAT(linked.body, HasSubstr("Archicad is linked"));
    EXPECT_EQ(UploadStatus(linkId), 201u);

    EXPECT_EQ(Send(person_.Form("/login", "eid=" + linkId)).status, 200u);
    EXPECT_EQ(UploadStatus(linkId), 201u);
    EXPECT_THAT(Send(person_.Page("/login?eid=" + linkId)).body, HasSubstr("already linked"));
    EXPECT_EQ(Count(Send(person_.Page("/account")).body, "<code>"), 1u);
}

TEST_F(ServiceLinkTest, AccountListsOnlyItsOwnInstallationsAndNoWholeKey) {
    const std::string mine = LinkNewId(Service(), person_);
    const std::string theirs = LinkNewId(Service(), other_);
    const std::string account = Send(person_.Page("/account")).body;
    EXPECT_THAT(account, HasSubstr("<code>" + mine.substr(0, 8) + "…</code>"));
    EXPECT_THAT(account, Not(HasSubstr(mine.substr(0, 9))));
    EXPECT_THAT(account, Not(HasSubstr(theirs.substr(0, 8))));
    EXPECT_THAT(Send(other_.Page("/account")).body, HasSubstr(theirs.substr(0, 8)));
    EXPECT_EQ(Get("/account").status, 303u);
}

TEST_F(ServiceLinkTest, UnlinkingNeedsTheSessionAndReachesOnlyItsOwnLinks) {
    const std::string kept = LinkNewId(Service(), person_);
    const std::string number = LinkNumber(person_);
    ASSERT_FALSE(number.empty());

    HttpRequest signedOut = person_.Form("/unlink", "link=" + number);
    signedOut.headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
    EXPECT_EQ(Send(signedOut).status, 401u);
    EXPECT_THAT(Send(other_.Form("/unlink", "link=" + number)).body, HasSubstr("was not linked"));
    EXPECT_EQ(UploadStatus(kept), 201u);

    const std::string dropped = LinkNewId(Service(), person_);
    const std::string account = Send(person_.Page("/account")).body;
    const std::string droppedNumber = FieldValue(account.substr(account.find(dropped.substr(0, 8))), "link");
    const Response unlinked = Send(person_.Form("/unlink", "link=" + droppedNumber));
    ASSERT_EQ(unlinked.status, 200u);
    EXPECT_THAT(unlinked.body, HasSubstr("can no longer send pictures"));
    EXPECT_EQ(UploadStatus(dropped), 401u);
    EXPECT_EQ(UploadStatus(kept), 201u);
    EXPECT_THAT(Send(person_.Form("/unlink", "link=" + droppedNumber)).body, HasSubstr("was not linked"));
}

TEST_F(ServiceLinkTest, AKeyOfOneAccountCannotBeTakenByAnother) {
    const std::string linkId = LinkNewId(Service(), person_);
    EXPECT_EQ(Send(other_.Page("/login?eid=" + linkId)).status, 409u);
    EXPECT_EQ(Send(other_.Form("/login", "eid=" + linkId)).status, 409u);
    const std::string id = UploadImage(Service(), linkId, MakeJpeg(1000, 2));
    EXPECT_EQ(Send(person_.Page("/api/v1/images/" + id)).status, 200u) << "still the first account's";
    EXPECT_EQ(Send(other_.Page("/api/v1/images/" + id)).status, 404u);
}

TEST_F(ServiceLinkTest, InvalidIdsGetAClearErrorPage) {
    const std::string valid = NewLinkId();
    std::string upper = valid;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string version1 = valid;
    version1[14] = '1';
    for (const std::string& query : std::vector<std::string>{
             std::string(), "eid=", "eid=" + upper, "eid=" + version1, "eid=" + valid.substr(1),
             "eid=" + valid + "0", "eid=%7B" + valid + "%7D", "eid=..%2F..%2F..%2Fkavelo.db",
             "eid=%3Cscript%3Ealert(1)%3C%2Fscript%3E"}) {
        for (const bool post : {false, true}) {
            const Response page =
                post ? Send(person_.Form("/login", query)) : Send(person_.Page("/login?" + query));
            EXPECT_EQ(page.status, 400u) << query << (post ? " (POST)" : " (GET)");
            EXPECT_THAT(page.body, HasSubstr("This link is not valid")) << query;
            EXPECT_THAT(page.body, Not(HasSubstr("<script>"))) << query;
        }
    }
    EXPECT_THAT(Send(person_.Page("/account")).body, HasSubstr("No Archicad installation is linked"));
}

TEST_F(ServiceLinkTest, FormsFromOtherSitesOrWithoutTheirTokenAreRefused) {
    const std::string linkId = NewLinkId();
    HttpRequest foreign = person_.Form("/login", "eid=" + linkId);
    foreign.headers.emplace_back("Origin", "https://evil.example");
    HttpRequest otherToken = person_.Form("/login", "eid=" + linkId + "&csrf=" + other_.formToken, false);
    for (const HttpRequest& refused : {foreign, person_.Form("/login", "eid=" + linkId, false), otherToken,
                                       person_.Form("/login", "eid=" + linkId + "&csrf=", false)})
        EXPECT_EQ(Send(refused).status, 403u) << refused.body;
    EXPECT_EQ(UploadStatus(linkId), 401u);

    HttpRequest own = person_.Form("/login", "eid=" + linkId);
    own.headers.emplace_back("Origin", "https://localhost");
    EXPECT_EQ(Send(own).status, 200u);
    const std::string number = LinkNumber(person_);
    for (const std::string path : {"/unlink", "/signout"}) {
        foreign = person_.Form(path, "link=" + number);
        foreign.headers.emplace_back("Origin", "https://evil.example");
        EXPECT_EQ(Send(foreign).status, 403u) << path;
        EXPECT_EQ(Send(person_.Form(path, "link=" + number, false)).status, 403u) << path;
    }
    EXPECT_EQ(UploadStatus(linkId), 201u);
    EXPECT_EQ(Send(person_.Page("/account")).status, 200u) << "still signed in";
}

} // namespace
} // namespace kavelo::test
