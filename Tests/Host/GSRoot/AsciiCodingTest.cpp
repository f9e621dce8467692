// ASCII is converted in blocks; these cases put the one non-ASCII character at every position
// around the block edges, where a fast path would skip or misplace it.

#include "GSRoot/UniString.hpp"

#include "GSRootHost.hpp"
#include "TextOf.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

using GS::UniString;

struct Insertion {
    std::string bytes;
    std::u16string units;
    std::string reencoded; // what the units encode back to
};

const Insertion Insertions[] = {
    {"\xC3\xA9", u"\u00e9", "\xC3\xA9"},
    {"\xE2\x82\xAC", u"\u20ac", "\xE2\x82\xAC"},
    {"\xF0\x9F\x98\x80", u"\U0001F600", "\xF0\x9F\x98\x80"},
    {"\xC5\x81", u"\u0141", "\xC5\x81"}, // U+0141's low byte is ASCII 'A'
    {"\x80", u"\ufffd", "\xEF\xBF\xBD"},
    {"\xFF", u"\ufffd", "\xEF\xBF\xBD"},
    {std::string(1, '\0'), std::u16string(1, u'\0'), std::string(1, '\0')},
};

std::string AsciiText(std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += static_cast<char>(0x20 + i % 0x5F); // printable ASCII, 0x7E included
    }
    return text;
}

TEST(UniStringAsciiBlocks, OneOtherCharacterAnywhereConvertsBothWays) {
    for (const Insertion& insertion : Insertions) {
        for (std::size_t length = 0; length <= 40; ++length) {
            const std::string ascii = AsciiText(length);
            const std::u16string asciiUnits(ascii.begin(), ascii.end());
            for (std::size_t at = 0; at <= length; ++at) {
                SCOPED_TRACE("length " + std::to_string(length) + ", at " + std::to_string(at) + ", " +
                             std::to_string(insertion.units.front()));
                const std::string bytes = ascii.substr(0, at) + insertion.bytes + ascii.substr(at);
                const UniString text(bytes.data(), static_cast<USize>(bytes.size()), GS::CC_UTF8);
                EXPECT_EQ(UnitsOf(text), asciiUnits.substr(0, at) + insertion.units + asciiUnits.substr(at));
                EXPECT_EQ(Utf8Of(text), ascii.substr(0, at) + insertion.reencoded + ascii.substr(at));
            }
        }
    }
}

TEST(UniStringAsciiBlocks, LongAsciiTextRoundTripsExactly) {
    const std::string ascii = AsciiText((1 << 20) + 7);
    const UniString text(ascii.data(), static_cast<USize>(ascii.size()), GS::CC_UTF8);
    ASSERT_EQ(text.GetLength(), ascii.size());
    EXPECT_EQ(Utf8Of(text), ascii);
    EXPECT_EQ(std::u16string(text.ToUStr(), 3), u" !\"");
    EXPECT_EQ(text.ToUStr()[text.GetLength()], 0);
}

TEST(UniStringAsciiBlocks, Latin1EncodingKeepsTheBlocksApart) {
    const std::u16string units = std::u16string(20, u'a') + u"\u00e9\u0141" + std::u16string(20, u'b');
    const UniString text(units.data(), static_cast<USize>(units.size()));
    EXPECT_EQ(Utf8Of(text), std::string(20, 'a') + "\xC3\xA9\xC5\x81" + std::string(20, 'b'));
    const UniString::CStr latin = text.ToCStr(0, MaxUSize, GS::CC_Legacy);
    EXPECT_EQ(std::string(latin.Get(), latin.GetLength()),
              std::string(20, 'a') + "\xE9?" + std::string(20, 'b'));
}

TEST(HostUtf8, PaddingLiesInTheCapacityAfterTheText) {
    const std::string bytes = GS::Host::Utf16ToUtf8(u"ab\u00e9", 64);
    EXPECT_EQ(bytes, "ab\xC3\xA9");
    EXPECT_GE(bytes.capacity(), bytes.size() + 64);
    EXPECT_EQ(GS::Host::Utf16ToUtf8(u"", 0), "");
}

// The host's one conversion: well-formed text both ways unchanged; each ill-formed part U+FFFD,
// and said so, for callers that must refuse rather than alter a name.
TEST(HostUtf8, IllFormedPartsBecomeReplacementCharactersAndAreReported) {
    struct Case {
        std::string bytes;
        std::u16string units;
        bool bytesWellFormed;
        bool unitsWellFormed;
    };
    const Case cases[] = {
        {"", u"", true, true},
        {"Z\xC3\xBCrich-\xE6\x9D\xB1\xE4\xBA\xAC", u"Z\u00fcrich-\u6771\u4eac", true, true},
        {"\xF0\x9F\x98\x80x", u"\U0001F600x", true, true},
        {"\xEF\xBF\xBD", u"\ufffd", true, true}, // a literal U+FFFD is text like any other
        {"a\x80"
         "b",
         u"a\ufffdb", false, true},
        {"\xC0\xAF", u"\ufffd\ufffd", false, true},           // overlong '/'
        {"\xED\xA0\x80", u"\ufffd\ufffd\ufffd", false, true}, // an encoded surrogate
        {"\xE6\x9D", u"\ufffd", false, true},                 // cut short
        {"\xEF\xBF\xBD", std::u16string(1, char16_t(0xD800)), true, false},
        {"a\xEF\xBF\xBD", std::u16string{u'a', char16_t(0xDC00)}, true, false},
        {"\xEF\xBF\xBD\xEF\xBF\xBD", std::u16string{char16_t(0xDC00), char16_t(0xD800)}, true, false},
    };
    for (const Case& c : cases) {
        bool replaced = !c.bytesWellFormed;
        if (c.unitsWellFormed) {
            EXPECT_EQ(GS::Host::Utf8ToUtf16(c.bytes, &replaced), c.units) << c.bytes;
            EXPECT_EQ(replaced, !c.bytesWellFormed) << c.bytes;
        }
        if (c.bytesWellFormed) {
            replaced = !c.unitsWellFormed;
            EXPECT_EQ(GS::Host::Utf16ToUtf8(c.units, 0, &replaced), c.bytes) << c.bytes;
            EXPECT_EQ(replaced, !c.unitsWellFormed) << c.bytes;
        }
    }
}

} // namespace
