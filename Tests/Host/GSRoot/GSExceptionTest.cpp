#include "GSRoot/GSException.hpp"

#include "TextOf.hpp"

#include <gtest/gtest.h>

#include <exception>
#include <type_traits>

namespace {

// Callers catch the host's exceptions and the standard ones apart, so they must not be related.
static_assert(!std::is_base_of_v<std::exception, GS::GSException>);

TEST(GSException, CarriesItsMessage) {
    const GS::GSException fromUtf8("timed out after 8000 ms \xE2\x80\x94 localhost:8443");
    EXPECT_EQ(UnitsOf(fromUtf8.GetMessage()), u"timed out after 8000 ms \u2014 localhost:8443");
    const GS::GSException fromUnicode(GS::UniString(u"certificate verify failed"));
    GS::GSException copy(fromUnicode);
    EXPECT_EQ(UnitsOf(copy.GetMessage()), u"certificate verify failed");
    copy = fromUtf8;
    EXPECT_EQ(copy.GetMessage(), fromUtf8.GetMessage());
    EXPECT_TRUE(GS::GSException(static_cast<const char*>(nullptr)).GetMessage().IsEmpty());
}

TEST(GSException, IsCaughtByItsOwnType) {
    try {
        throw GS::GSException("refused");
    } catch (const std::exception&) {
        FAIL() << "caught as a standard exception";
    } catch (const GS::GSException& caught) {
        EXPECT_EQ(UnitsOf(caught.GetMessage()), u"refused");
    }
}

} // namespace
