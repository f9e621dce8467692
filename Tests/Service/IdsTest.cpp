#include "Ids.hpp"

#include <gtest/gtest.h>

#include <set>

namespace kavelo {
namespace {

TEST(ServiceIdsTest, LinkIdIsALowerCaseVersion4Uuid) {
    EXPECT_TRUE(IsLinkId("1b4e28ba-2fa1-41d2-883f-0016d3cca427"));
    EXPECT_TRUE(IsLinkId("00000000-0000-4000-b000-000000000000"));
    const char* const bad[] = {
        "",
        "1B4E28BA-2FA1-41D2-883F-0016D3CCA427",   // upper case
        "1b4e28ba-2fa1-11d2-883f-0016d3cca427",   // version 1
        "1b4e28ba-2fa1-41d2-c83f-0016d3cca427",   // variant bits
        "1b4e28ba-2fa1-41d2-883f-0016d3cca42",    // 35 characters
        "1b4e28ba-2fa1-41d2-883f-0016d3cca4270",  // 37 characters
        "1b4e28ba2fa1-41d2-883f-0016d3cca4270",   // a dash missing
        "1b4e28ba-2fa1-41d2-883f-0016d3cca42g",   // not hex
        "{1b4e28ba-2fa1-41d2-883f-0016d3cca42}",  // braces
        "../../../../../../../../../../../../..", // 36 characters of a path
    };
    for (const char* id : bad)
        EXPECT_FALSE(IsLinkId(id)) << id;
}

TEST(ServiceIdsTest, NewImageIdsAreDistinctUrlSafeAndValid) {
    std::set<std::string> seen;
    for (int i = 0; i < 2000; ++i) {
        const std::string id = NewImageId();
        ASSERT_EQ(id.size(), 22u);
        ASSERT_TRUE(IsImageId(id)) << id;
        ASSERT_TRUE(seen.insert(id).second) << "repeated " << id;
    }
}

TEST(ServiceIdsTest, ImageIdsCannotNameAnythingElse) {
    EXPECT_TRUE(IsImageId("AZaz09-_AZaz09-_AZaz09"));
    for (const char* id : {"", "AZaz09-_AZaz09-_AZaz0", "AZaz09-_AZaz09-_AZaz09A", "../../../kavelo.db/....",
                           "AZaz09-_AZaz09-_AZaz0/", "AZaz09-_AZaz09-_AZaz0.", "AZaz09-_AZaz09-_AZaz0+",
                           "AZaz09-_AZaz09-_AZaz0%"})
        EXPECT_FALSE(IsImageId(id)) << id;
}

} // namespace
} // namespace kavelo
