#include "Url.hpp"

#include <gtest/gtest.h>

namespace kavelo {
namespace {

TEST(ServiceUrlTest, SplitsPathAndQueryWithoutDecoding) {
    EXPECT_EQ(SplitTarget("/login?eid=abc").path, "/login");
    EXPECT_EQ(SplitTarget("/login?eid=abc").query, "eid=abc");
    EXPECT_EQ(SplitTarget("/").query, "");
    EXPECT_EQ(SplitTarget("/a%2F..?x=1?y").path, "/a%2F..");
    EXPECT_EQ(SplitTarget("/a%2F..?x=1?y").query, "x=1?y");
}

TEST(ServiceUrlTest, FindsAndDecodesFormValues) {
    EXPECT_EQ(FormValue("eid=abc", "eid"), "abc");
    EXPECT_EQ(FormValue("uploadRealtime=true&imageId=x%2Dy", "imageId"), "x-y");
    EXPECT_EQ(FormValue("name=a+b%20c", "name"), "a b c");
    EXPECT_EQ(FormValue("eid", "eid"), "");
    EXPECT_EQ(FormValue("eid=first&eid=second", "eid"), "first");
    EXPECT_EQ(FormValue("eidx=1&xeid=2", "eid"), std::nullopt);
    EXPECT_EQ(FormValue("", "eid"), std::nullopt);
    EXPECT_EQ(FormValue("&&eid=1&", "eid"), "1");
}

TEST(ServiceUrlTest, MalformedEscapesGiveNoValue) {
    EXPECT_EQ(FormValue("eid=%zz", "eid"), std::nullopt);
    EXPECT_EQ(FormValue("eid=%2", "eid"), std::nullopt);
    EXPECT_EQ(FormValue("eid=abc%", "eid"), std::nullopt);
}

TEST(ServiceUrlTest, EncodesQueryValuesAndFindsCookies) {
    EXPECT_EQ(PercentEncode("/login?eid=a-b_c.d~e&x=1 2"), "%2Flogin%3Feid%3Da-b_c.d~e%26x%3D1%202");
    EXPECT_EQ(FormValue("next=" + PercentEncode("/a?b=c&d"), "next"), "/a?b=c&d");
    EXPECT_EQ(CookieValue("a=1; session=xyz; b=2", "session"), "xyz");
    EXPECT_EQ(CookieValue("session=xyz", "session"), "xyz");
    EXPECT_EQ(CookieValue("xsession=1; sessionx=2", "session"), "");
    EXPECT_EQ(CookieValue("session", "session"), "");
    EXPECT_EQ(CookieValue("", "session"), "");
}

} // namespace
} // namespace kavelo
