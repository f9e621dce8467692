#include "ClientChecks.hpp"

#include <gmock/gmock.h>

namespace HttpTest {
namespace {

using HTTP::MessageHeader::HeaderFieldCollection;

constexpr const char* Greeting = "Gr\u00FC\u00DFe";

TEST(HttpHeaderFields, KeepsFieldsInOrderAndFindsTheFirstWithoutRegardToCase) {
    HeaderFieldCollection fields;
    EXPECT_EQ(fields.GetCount(), 0u);
    fields.Add("X-Api-Key", "first");
    fields.Add("Accept", "text/plain");
    fields.Add("x-api-key", "second");
    fields.Add("X-Name", GS::UniString(Greeting, GS::CC_UTF8));
    EXPECT_EQ(fields.GetCount(), 4u);
    EXPECT_EQ(FieldOf(fields, "X-API-KEY"), "first");
    EXPECT_EQ(FieldOf(fields, "accept"), "text/plain");
    EXPECT_EQ(FieldOf(fields, "X-Name"), Greeting);
}

TEST(HttpHeaderFields, LeavesTheValueAloneForAMissingName) {
    HeaderFieldCollection fields;
    fields.Add("Accept", "text/plain");
    GS::UniString value("unchanged");
    EXPECT_FALSE(fields.Get("Accep", value));
    EXPECT_FALSE(fields.Get("Accept-Encoding", value));
    EXPECT_EQ(Utf8(value), "unchanged");
}

} // namespace
} // namespace HttpTest
