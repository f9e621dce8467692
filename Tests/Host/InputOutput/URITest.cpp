#include "IO/URI.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

std::u16string UnitsOf(const GS::UniString& text) {
    return std::u16string(text.ToUStr(), text.GetLength());
}

struct UriCase {
    const char* name;
    const char* text;
    std::u16string scheme;
    std::u16string host;
    UInt16 port;
    std::u16string path;
};

void PrintTo(const UriCase& uri, std::ostream* out) {
    *out << uri.text;
}

class WellFormedUri : public testing::TestWithParam<UriCase> {};

TEST_P(WellFormedUri, SplitsIntoItsParts) {
    const UriCase& expected = GetParam();
    const IO::URI::URI uri(expected.text);
    EXPECT_EQ(UnitsOf(uri.GetScheme()), expected.scheme);
    EXPECT_EQ(UnitsOf(uri.GetHost()), expected.host);
    EXPECT_EQ(uri.GetPort(), expected.port);
    EXPECT_EQ(UnitsOf(uri.GetPath()), expected.path);
    EXPECT_EQ(uri.ToString(), GS::UniString(expected.text));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, WellFormedUri,
    testing::Values(
        UriCase{"ServiceOrigin", "https://localhost:8443", u"https", u"localhost", 8443, u""},
        UriCase{"HttpsDefaultPort", "https://kavelo.example", u"https", u"kavelo.example", 443, u""},
        UriCase{"HttpDefaultPort", "http://kavelo.example/", u"http", u"kavelo.example", 80, u"/"},
        UriCase{"OtherSchemeHasNoDefault", "ftp://files.example/a", u"ftp", u"files.example", 0, u"/a"},
        UriCase{"EmptyPortMeansDefault", "https://h:/x", u"https", u"h", 443, u"/x"},
        UriCase{"PathStopsAtQuery", "https://h/api/v1/images?x=1#top", u"https", u"h", 443,
                u"/api/v1/images"},
        UriCase{"QueryWithoutPath", "https://h:1?x=/y", u"https", u"h", 1, u""},
        UriCase{"FragmentWithoutPath", "https://h#/y", u"https", u"h", 443, u""},
        UriCase{"SchemeIsLowerCased", "HTTPS://Kavelo.Example:65535/P", u"https", u"Kavelo.Example", 65535,
                u"/P"},
        UriCase{"SchemeWithPlusDotDash", "coap+tcp.x-y://h", u"coap+tcp.x-y", u"h", 0, u""},
        UriCase{"IPv4Host", "https://127.0.0.1:8443/x", u"https", u"127.0.0.1", 8443, u"/x"},
        UriCase{"IPv6Loopback", "https://[::1]:8443/x", u"https", u"::1", 8443, u"/x"},
        UriCase{"IPv6DefaultPort", "https://[2001:db8::1]", u"https", u"2001:db8::1", 443, u""},
        UriCase{"IPv6WithIPv4Tail", "https://[::ffff:127.0.0.1]/", u"https", u"::ffff:127.0.0.1", 443, u"/"},
        UriCase{"Utf8Path", "https://h/caf\xC3\xA9", u"https", u"h", 443, u"/caf\u00e9"},
        UriCase{"SchemeTextInPath", "https://h/redirect?to=http://x", u"https", u"h", 443, u"/redirect"}),
    [](const testing::TestParamInfo<UriCase>& param) { return param.param.name; });

class MalformedUri : public testing::TestWithParam<const char*> {};

TEST_P(MalformedUri, GivesEmptyPartsButKeepsTheText) {
    const IO::URI::URI uri(GetParam());
    EXPECT_TRUE(uri.GetScheme().IsEmpty());
    EXPECT_TRUE(uri.GetHost().IsEmpty());
    EXPECT_EQ(uri.GetPort(), 0);
    EXPECT_TRUE(uri.GetPath().IsEmpty());
    EXPECT_EQ(uri.ToString(), GS::UniString(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Texts, MalformedUri,
                         testing::Values("", "localhost:8443", "https//h", "://h", "1https://h", "ht~tp://h",
                                         "https://", "https://:8443", "https:///path", "https://h:0",
                                         "https://h:65536", "https://h:123456", "https://h:8a",
                                         "https://h:-1", "https://user@h", "https://user:pw@h/",
                                         "https://h h", "https://h/a b", "https://h/\n", "https://h\t",
                                         "https://h/\x7F", "https://[::1", "https://[::1]x",
                                         "https://[zz::1]", "https://[127.0.0.1]", "https://[]",
                                         "https://ex%41mple", "https://h\xC3\xA9", "https://h:1:2"));

TEST(URI, NullAndUnicodeConstructorsAgree) {
    const IO::URI::URI fromNull(static_cast<const char*>(nullptr));
    EXPECT_TRUE(fromNull.GetHost().IsEmpty());
    EXPECT_TRUE(fromNull.ToString().IsEmpty());
    const IO::URI::URI fromUnicode(GS::UniString(u"https://h/\u00e9"));
    EXPECT_EQ(UnitsOf(fromUnicode.GetPath()), u"/\u00e9");
    const IO::URI::URI copy(fromUnicode);
    EXPECT_EQ(copy.GetHost(), fromUnicode.GetHost());
    EXPECT_EQ(copy.GetPort(), 443);
}

} // namespace
