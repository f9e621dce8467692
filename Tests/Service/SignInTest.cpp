#include "ServiceFixture.hpp"

#include <gmock/gmock.h>

#include <thread>

namespace kavelo::test {
namespace {

using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;

class ServiceSignInTest : public ServiceTest {};

TEST_F(ServiceSignInTest, SignedOutRequestsAreSentToSignInOrRefused) {
    Start();
    const Person person = SignIn();
    const std::string linkId = LinkNewId(Service(), person);
    const std::string image = UploadImage(Service(), linkId, MakeJpeg(1000, 1));
    ASSERT_FALSE(image.empty());
    const std::string number = FieldValue(Send(person.Page("/account")).body, "link");
    for (const std::string& cookie : {std::string(), "__Host-kavelo-session=" + std::string(43, 'A')}) {
        const Person stranger{cookie, person.formToken};
        for (const std::string& target : {std::string("/?uploadRealtime=true"), std::string("/account"),
                                          "/login?eid=" + linkId, "/api/v1/images/" + image}) {
            const Response page = Send(stranger.Page(target));
            EXPECT_EQ(page.status, 303u) << target;
            EXPECT_THAT(page.Header("location"), StartsWith("/signin?next=%2F")) << target;
            EXPECT_THAT(page.body, Not(HasSubstr(linkId.substr(0, 8)))) << target;
        }
        EXPECT_EQ(Send(stranger.Page("/events")).status, 401u);
        for (const auto& [path, fields] : std::vector<std::pair<std::string, std::string>>{
                 {"/unlink", "link=" + number}, {"/login", "eid=" + NewLinkId()}, {"/signout", ""}})
            EXPECT_EQ(Send(stranger.Form(path, fields)).status, 401u) << path;
    }
    EXPECT_EQ(UploadImage(Service(), linkId, MakeJpeg(1000, 2)).empty(), false) << "the link is still there";
}

TEST_F(ServiceSignInTest, SessionCookieIsPrivateAndSignOutEndsIt) {
    Start();
    const Response signedIn = PostSignIn(Service(), account_);
    ASSERT_EQ(signedIn.status, 303u);
    EXPECT_EQ(signedIn.Header("location"), "/account");
    const auto [first, last] = signedIn.headers.equal_range("set-cookie");
    bool session = false;
    for (auto header = first; header != last; ++header) {
        if (!header->second.starts_with("__Host-kavelo-session="))
            continue;
        session = true;
        for (const char* attribute :
             {"; HttpOnly", "; Secure", "; SameSite=Strict", "; Path=/", "; Max-Age="})
            EXPECT_THAT(header->second, HasSubstr(attribute));
    }
    EXPECT_TRUE(session);

    const Person person = SignIn();
    ASSERT_EQ(Send(person.Page("/account")).status, 200u);
    const Response out = Send(person.Form("/signout", ""));
    EXPECT_EQ(out.status, 303u);
    EXPECT_EQ(SetCookie(out, "__Host-kavelo-session"), "__Host-kavelo-session=");
    EXPECT_EQ(Send(person.Page("/account")).status, 303u);
    EXPECT_EQ(Send(person.Form("/login", "eid=" + NewLinkId())).status, 401u);
}

TEST_F(ServiceSignInTest, SessionsExpire) {
    Start({"--session-lifetime", "3"});
    const Person person = SignIn();
    ASSERT_FALSE(person.formToken.empty()) << "the session ended before its first page";
    std::this_thread::sleep_for(std::chrono::milliseconds(4100));
    EXPECT_EQ(Send(person.Page("/account")).status, 303u);
}

// Each wrong password doubles the wait before the next try for the name (1 s, 2 s, 4 s, …), so
// tries come back refused as too soon within a few, however slow the machine.
TEST_F(ServiceSignInTest, WrongPasswordsAreSlowedDown) {
    Start();
    EXPECT_EQ(PostSignIn(Service(), Credentials{"nobody", account_.password}).status, 401u);
    Credentials wrong = account_;
    wrong.password += "x";
    Response refused;
    for (int tries = 0; tries < 6 && refused.status != 429; ++tries) {
        refused = PostSignIn(Service(), wrong);
        EXPECT_TRUE(SetCookie(refused, "__Host-kavelo-session").empty());
        if (refused.status != 429) {
            EXPECT_EQ(refused.status, 401u);
            EXPECT_THAT(refused.body, HasSubstr("wrong"));
        }
    }
    ASSERT_EQ(refused.status, 429u) << "wrong passwords were never slowed down";

    const Response tooSoon = PostSignIn(Service(), account_);
    EXPECT_EQ(tooSoon.status, 429u) << "even the right password waits";
    EXPECT_TRUE(SetCookie(tooSoon, "__Host-kavelo-session").empty());
    const int wait = std::stoi(tooSoon.Header("retry-after"));
    EXPECT_GE(wait, 1);
    std::this_thread::sleep_for(std::chrono::seconds(wait));
    EXPECT_EQ(PostSignIn(Service(), account_).status, 303u);
}

TEST_F(ServiceSignInTest, SignInFormNeedsItsToken) {
    Start();
    HttpRequest bare;
    bare.method = "POST";
    bare.target = "/signin";
    bare.headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
    bare.body = "user=" + account_.user + "&password=" + account_.password;
    EXPECT_EQ(Send(bare).status, 403u);
    bare.body += "&csrf=" + std::string(43, 'A');
    bare.headers.emplace_back("Cookie", "__Host-kavelo-signin=" + std::string(43, 'B'));
    EXPECT_EQ(Send(bare).status, 403u);
}

TEST_F(ServiceSignInTest, SignInGoesOnOnlyWithinTheSite) {
    Start();
    for (const std::string next :
         {"%2F%2Fevil.example%2F", "https%3A%2F%2Fevil.example", "%2F%5Cevil.example"})
        EXPECT_EQ(PostSignIn(Service(), account_, next).Header("location"), "/") << next;
}

TEST_F(ServiceSignInTest, PasswordsAndSessionsAreKeptOnlyAsDigests) {
    Start();
    const Credentials second = AddUser(DataDir(), "second");
    EXPECT_NE(second.password, account_.password);
    const Person person = kavelo::test::SignIn(Service(), second);
    EXPECT_EQ(Send(person.Page("/account")).status, 200u);
    EXPECT_EQ(RunService({"user", "add", "second", "--data-dir", DataDir().string()}).exitCode, 1)
        << "a name is taken once";

    std::string database;
    for (const char* file : {"kavelo.db", "kavelo.db-wal"})
        database += ReadFile(DataDir() / file);
    for (const std::string& secret :
         {account_.password, second.password, person.cookie.substr(person.cookie.find('=') + 1)})
        EXPECT_EQ(database.find(secret), std::string::npos);
    std::size_t hashes = 0;
    for (auto at = database.find("$scrypt$ln=15,r=8,p=1$"); at != std::string::npos;
         at = database.find("$scrypt$ln=15,r=8,p=1$", at + 1))
        ++hashes;
    EXPECT_GE(hashes, 2u);

    service_.reset();
    EXPECT_FALSE(Start().FirstAccount()) << "the first account is made and shown once";
    EXPECT_EQ(PostSignIn(Service(), account_).status, 303u);
}

} // namespace
} // namespace kavelo::test
