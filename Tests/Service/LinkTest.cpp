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
    void SetUp() override { Start(); }
    unsigned UploadStatus(const std::string& linkId) {
        return Send(UploadRequest(linkId, UploadBody(MakeJpeg(1000, 1)))).status;
    }
};

TEST_F(ServiceLinkTest, LoginPageOffersOneButtonForTheInstallation) {
    const std::string linkId = NewLinkId();
    const Response page = Get("/login?eid=" + linkId);
    ASSERT_EQ(page.status, 200u);
    EXPECT_EQ(page.Header("content-type"), "text/html; charset=utf-8");
    EXPECT_THAT(page.body, HasSubstr("<form method=\"post\" action=\"/login\">"));
    EXPECT_THAT(page.body, HasSubstr("name=\"eid\" value=\"" + linkId + "\""));
    EXPECT_EQ(Count(page.body, "<button"), 1u);
    EXPECT_THAT(page.Header("content-security-policy"), HasSubstr("frame-ancestors 'none'"));
    EXPECT_EQ(page.Header("x-frame-options"), "DENY");
    EXPECT_EQ(UploadStatus(linkId), 401u) << "showing the page must not link";
}

TEST_F(ServiceLinkTest, LinkingMakesTheKeyWorkAndIsIdempotent) {
    const std::string linkId = NewLinkId();
    EXPECT_EQ(UploadStatus(linkId), 401u);
    const Response linked = Send(LinkRequest(linkId));
    ASSERT_EQ(linked.status, 200u);
    EXPECT_THAT(linked.body, HasSubstr("Archicad is linked"));
    EXPECT_EQ(UploadStatus(linkId), 201u);

    EXPECT_EQ(Send(LinkRequest(linkId)).status, 200u);
    EXPECT_EQ(UploadStatus(linkId), 201u);
    EXPECT_THAT(Get("/login?eid=" + linkId).body, HasSubstr("already linked"));
    EXPECT_EQ(Count(Get("/account").body, linkId), 2u) << "listed once: its text and its unlink form";
}

TEST_F(ServiceLinkTest, UnlinkingRevokesTheKey) {
    const std::string kept = LinkNewId(Service());
    const std::string dropped = LinkNewId(Service());
    const Response unlinked = Send(LinkRequest(dropped, "/unlink"));
    ASSERT_EQ(unlinked.status, 200u);
    EXPECT_THAT(unlinked.body, HasSubstr("can no longer send pictures"));
    EXPECT_EQ(UploadStatus(dropped), 401u);
    EXPECT_EQ(UploadStatus(kept), 201u);
    EXPECT_THAT(Send(LinkRequest(dropped, "/unlink")).body, HasSubstr("was not linked"));
    const std::string account = Get("/account").body;
    EXPECT_THAT(account, HasSubstr(kept));
    EXPECT_THAT(account, Not(HasSubstr(dropped)));
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
                post ? Send(LinkRequest(query.substr(std::min<std::size_t>(4, query.size()))))
                     : Get("/login?" + query);
            EXPECT_EQ(page.status, 400u) << query << (post ? " (POST)" : " (GET)");
            EXPECT_THAT(page.body, HasSubstr("This link is not valid")) << query;
            EXPECT_THAT(page.body, Not(HasSubstr("<script>"))) << query;
        }
    }
    EXPECT_THAT(Get("/account").body, HasSubstr("No Archicad installation is linked"));
}

TEST_F(ServiceLinkTest, FormsFromOtherSitesAreRefused) {
    const std::string linkId = NewLinkId();
    HttpRequest foreign = LinkRequest(linkId);
    foreign.headers.emplace_back("Origin", "https://evil.example");
    EXPECT_EQ(Send(foreign).status, 403u);
    EXPECT_EQ(UploadStatus(linkId), 401u);

    HttpRequest own = LinkRequest(linkId);
    own.headers.emplace_back("Origin", "https://localhost");
    EXPECT_EQ(Send(own).status, 200u);
    foreign.target = "/unlink";
    EXPECT_EQ(Send(foreign).status, 403u);
    EXPECT_EQ(UploadStatus(linkId), 201u);
}

} // namespace
} // namespace kavelo::test
