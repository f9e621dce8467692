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

} // namespace
} // namespace kavelo
