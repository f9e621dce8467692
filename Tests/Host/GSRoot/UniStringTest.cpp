#include "GSRoot/UniString.hpp"

#include "GSRoot/Array.hpp"
#include "MemoryProbe.hpp"
#include "UniStringAccess.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using GS::UniString;
using testing::ElementsAreArray;

std::u16string Units(const UniString& text) {
    return std::u16string(text.ToUStr(), text.GetLength());
}

std::string Bytes(const UniString& text, GS::GSCharCode charCode = GS::CC_UTF8) {
    const UniString::CStr cStr = text.ToCStr(0, MaxUSize, charCode);
    return std::string(cStr.Get(), cStr.GetLength());
}

// Decodes from a heap block of exactly the given size, so a read past the end is caught by the
// sanitizer builds.
std::u16string DecodeExactly(const std::string& bytes, GS::GSCharCode charCode = GS::CC_UTF8) {
    auto block = std::make_unique<char[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), block.get());
    return Units(UniString(block.get(), static_cast<USize>(bytes.size()), charCode));
}

TEST(UniStringCoding, DecodesEveryUtf8LengthIncludingSurrogatePairs) {
    const UniString text("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", GS::CC_UTF8);
    EXPECT_EQ(Units(text), std::u16string({u'A', 0x00E9, 0x20AC, 0xD83D, 0xDE00}));
    EXPECT_EQ(text.ToUStr()[text.GetLength()], 0);
}

TEST(UniStringCoding, RoundTripsThroughUtf8) {
    const std::string original = "x\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF\xEF\xBF\xBFy";
    EXPECT_EQ(Bytes(UniString(original.c_str())), original);
    const std::u16string units = {0xD800, 0xDC00, 0xDBFF, 0xDFFF, 0x07FF, 0x0800, 0x007F};
    EXPECT_EQ(DecodeExactly(Bytes(UniString(units.data(), static_cast<USize>(units.size())))), units);
}

struct InvalidUtf8Case {
    const char* name;
    std::string bytes;
    std::u16string units;
};

void PrintTo(const InvalidUtf8Case& invalid, std::ostream* out) {
    *out << invalid.name;
}

class UniStringInvalidUtf8 : public testing::TestWithParam<InvalidUtf8Case> {};

TEST_P(UniStringInvalidUtf8, BecomesReplacementCharactersWithoutReadingPastTheEnd) {
    EXPECT_EQ(DecodeExactly(GetParam().bytes), GetParam().units);
}

constexpr char16_t R = 0xFFFD;

INSTANTIATE_TEST_SUITE_P(
    MaximalSubparts, UniStringInvalidUtf8,
    testing::Values(InvalidUtf8Case{"StrayContinuation", "a\x80z", {u'a', R, u'z'}},
                    InvalidUtf8Case{"TruncatedTwoByteAtEnd", "a\xC3", {u'a', R}},
                    InvalidUtf8Case{"TruncatedThreeByteBeforeAscii",
                                    "\xE2\x82"
                                    "A",
                                    {R, u'A'}},
                    InvalidUtf8Case{"TruncatedFourByteAtEnd", "\xF0\x9F\x98", {R}},
                    InvalidUtf8Case{"OverlongTwoByte", "\xC0\xAF", {R, R}},
                    InvalidUtf8Case{"OverlongThreeByte", "\xE0\x80\xAF", {R, R, R}},
                    InvalidUtf8Case{"EncodedSurrogate", "\xED\xA0\x80", {R, R, R}},
                    InvalidUtf8Case{"AboveUnicode", "\xF4\x90\x80\x80", {R, R, R, R}},
                    InvalidUtf8Case{"InvalidLeadBytes", "\xF5\xFF\xFE", {R, R, R}},
                    InvalidUtf8Case{"LeadFollowedByLead", "\xC3\xC3\xA9", {R, 0x00E9}},
                    InvalidUtf8Case{"EmbeddedZero", std::string("a\0b", 3), {u'a', 0, u'b'}}),
    [](const testing::TestParamInfo<InvalidUtf8Case>& param) { return param.param.name; });

TEST(UniStringCoding, ByteCountLimitsTheDecoding) {
    EXPECT_EQ(DecodeExactly(std::string("\xE2\x82\xAC", 2)), std::u16string({R}));
    EXPECT_TRUE(UniString("abc", 0, GS::CC_UTF8).IsEmpty());
}

TEST(UniStringCoding, LegacyIsLatin1BothWays) {
    EXPECT_EQ(DecodeExactly("\xE9\xFF\x80", GS::CC_Legacy), std::u16string({0x00E9, 0x00FF, 0x0080}));
    // U+20AC and the surrogate pair of U+1F600 cannot be written; a pair is one character.
    const UniString text("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80!", GS::CC_UTF8);
    EXPECT_EQ(Bytes(text, GS::CC_Legacy), "\xE9?"
                                          "?!");
}

TEST(UniStringCoding, LoneSurrogatesEncodeAsReplacement) {
    const std::u16string units = {u'a', 0xDC00, u'b', 0xD800, 0xD800, 0xDE00};
    const UniString text(units.data(), static_cast<USize>(units.size()));
    EXPECT_EQ(Bytes(text), "a\xEF\xBF\xBD"
                           "b\xEF\xBF\xBD\xF0\x90\x88\x80");
    EXPECT_EQ(Bytes(UniString(u"\xD83D")), "\xEF\xBF\xBD");
    EXPECT_EQ(Bytes(text, GS::CC_Legacy), "a?b??");
}

TEST(UniStringCoding, UnknownCharacterCodeIsRefused) {
    const auto unknown = static_cast<GS::GSCharCode>(7);
    EXPECT_THROW(UniString("abc", unknown), std::invalid_argument);
    EXPECT_THROW(UniString("", unknown), std::invalid_argument);
    EXPECT_THROW(UniString("abc").ToCStr(0, MaxUSize, unknown), std::invalid_argument);
}

TEST(UniStringCoding, NullInputs) {
    EXPECT_TRUE(UniString(static_cast<const char*>(nullptr)).IsEmpty());
    EXPECT_TRUE(UniString(static_cast<const GS::UniChar*>(nullptr)).IsEmpty());
    EXPECT_THROW(UniString(static_cast<const char*>(nullptr), 3, GS::CC_UTF8), std::invalid_argument);
    EXPECT_THROW(UniString(static_cast<const GS::UniChar*>(nullptr), 3), std::invalid_argument);
}

TEST(UniStringParts, SubstringClipsToTheEnd) {
    const UniString text(u"abcdef");
    EXPECT_EQ(Units(text.GetSubstring(1, 3)), u"bcd");
    EXPECT_EQ(Units(text.GetSubstring(4, 100)), u"ef");
    EXPECT_EQ(Units(text.GetSubstring(0, MaxUSize)), u"abcdef");
    EXPECT_TRUE(text.GetSubstring(6, 1).IsEmpty());
    EXPECT_TRUE(text.GetSubstring(MaxUSize, MaxUSize).IsEmpty());
}

TEST(UniStringParts, ToCStrClipsAndCutsPairsSafely) {
    const UniString text("a\xF0\x9F\x98\x80z", GS::CC_UTF8); // a, D83D, DE00, z
    EXPECT_EQ(std::string(text.ToCStr(1, 2).Get()), "\xF0\x9F\x98\x80");
    EXPECT_EQ(std::string(text.ToCStr(2, 100).Get()), "\xEF\xBF\xBDz");
    EXPECT_EQ(text.ToCStr(3, MaxUSize).GetLength(), 1u);
    EXPECT_EQ(text.ToCStr(4, 1).GetLength(), 0u);
    EXPECT_STREQ(text.ToCStr(MaxUSize).Get(), "");
}

TEST(UniStringParts, AppendGrowsAndHandlesItself) {
    UniString text(u"ab");
    text.Append(UniString(u"cd"));
    text += UniString();
    EXPECT_EQ(Units(text), u"abcd");
    text.Append(text);
    EXPECT_EQ(Units(text), u"abcdabcd");
    for (int i = 0; i < 100; ++i) {
        text += UniString(u"x");
    }
    EXPECT_EQ(text.GetLength(), 108u);
    EXPECT_EQ(text[107], u'x');
    EXPECT_EQ(text.ToUStr()[108], 0);
}

TEST(UniStringParts, EqualityComparesEveryUnit) {
    EXPECT_EQ(UniString("abc"), UniString(u"abc"));
    EXPECT_NE(UniString("abc"), UniString("abd"));
    EXPECT_NE(UniString("abc"), UniString("ab"));
    EXPECT_EQ(UniString(), UniString(""));
}

TEST(UniStringMemory, CopiesAndMovesLeaveNoBlockBehind) {
    MemoryProbe probe;
    {
        UniString original("some text");
        EXPECT_EQ(probe.LiveBlocks(), 1);
        UniString copy(original);
        EXPECT_EQ(probe.LiveBlocks(), 2);
        UniString moved(std::move(copy));
        EXPECT_EQ(probe.LiveBlocks(), 2);
        EXPECT_TRUE(copy.IsEmpty());    // NOLINT: the moved-from state is specified as empty
        EXPECT_EQ(copy.ToUStr()[0], 0); // NOLINT
        UniString assigned("other");
        assigned = original;
        EXPECT_EQ(assigned, original);
        assigned = std::move(moved);
        assigned = assigned; // self-assignment keeps the text
        EXPECT_EQ(assigned, original);
        EXPECT_EQ(probe.LiveBlocks(), 2);
        UniString::CStr cStr = original.ToCStr();
        UniString::CStr movedCStr(std::move(cStr));
        EXPECT_STREQ(movedCStr.Get(), "some text");
        EXPECT_STREQ(cStr.Get(), ""); // NOLINT
        // The bytes of a whole ASCII string are shared, and outlive the string.
        EXPECT_EQ(probe.LiveBlocks(), 2);
        original = UniString();
        EXPECT_STREQ(movedCStr.Get(), "some text");
        EXPECT_EQ(probe.LiveBlocks(), 2);
    }
    EXPECT_EQ(probe.LiveBlocks(), 0);
    EXPECT_EQ(probe.LiveBytes(), 0);
}

TEST(UniStringMemory, EmptyStringsHoldNoBlock) {
    MemoryProbe probe;
    UniString empty;
    UniString fromEmpty("");
    UniString::CStr cStr = empty.ToCStr();
    EXPECT_EQ(probe.Allocations(), 0);
    EXPECT_STREQ(cStr.Get(), "");
}

TEST(UniStringMemory, FailedAllocationThrowsAndKeepsTheOldText) {
    MemoryProbe probe;
    UniString text("abc");
    GS::Host::FailNthAllocation(1);
    EXPECT_THROW(UniString("def"), std::bad_alloc);
    GS::Host::FailNthAllocation(1);
    EXPECT_THROW(text.Append(UniString(u"0123456789")), std::bad_alloc);
    EXPECT_EQ(Units(text), u"abc");
    GS::Host::FailNthAllocation(1);
    EXPECT_THROW(text.ToCStr(), std::bad_alloc);
    EXPECT_EQ(probe.LiveBlocks(), 1);
    EXPECT_EQ(probe.FailedAllocations(), 3);
}

// ASCII text is held as bytes until its units are asked for; both forms of one text read, compare,
// cut, split, join and convert alike.
TEST(UniStringAsciiForm, BothFormsOfOneTextBehaveAlike) {
    const UniString bytes("key=value\na/b");
    const UniString units(u"key=value\na/b");
    ASSERT_TRUE(GS::UniStringAccess::GetAscii(bytes));
    ASSERT_FALSE(GS::UniStringAccess::GetAscii(units));
    EXPECT_EQ(bytes, units);
    EXPECT_EQ(units, bytes);
    EXPECT_NE(bytes, UniString(u"key=value\na/c"));
    for (UIndex i = 0; i < units.GetLength(); ++i) {
        EXPECT_EQ(bytes[i], units[i]) << "unit " << i;
    }
    EXPECT_EQ(bytes.GetSubstring(4, 5), UniString(u"value"));
    EXPECT_TRUE(GS::UniStringAccess::GetAscii(bytes.GetSubstring(4, 5)));
    EXPECT_EQ(Bytes(bytes), Bytes(units));
    EXPECT_EQ(Bytes(bytes, GS::CC_Legacy), Bytes(units, GS::CC_Legacy));
    EXPECT_EQ(Bytes(bytes.GetSubstring(0, 3)), "key");
    GS::Array<UniString> byteParts;
    GS::Array<UniString> unitParts;
    EXPECT_EQ(UniString(bytes).Split("\n", UniString::KeepEmptyParts, &byteParts), 2u);
    units.Split(u"\n", UniString::KeepEmptyParts, &unitParts);
    ASSERT_EQ(unitParts.GetSize(), 2u);
    EXPECT_EQ(byteParts[0], unitParts[0]);
    EXPECT_EQ(byteParts[1], unitParts[1]);
    UniString joined(bytes);
    joined.Append(UniString(u"\u00E9"));
    EXPECT_EQ(Units(joined), u"key=value\na/b\u00E9");
}

TEST(UniStringAsciiForm, WideningKeepsOneBlockAndAFailedOneKeepsTheBytes) {
    MemoryProbe probe;
    const UniString text("abc");
    EXPECT_EQ(probe.LiveBlocks(), 1);
    GS::Host::FailNthAllocation(1);
    EXPECT_THROW(text.ToUStr(), std::bad_alloc);
    EXPECT_EQ(GS::UniStringAccess::GetAscii(text), std::optional<std::string_view>("abc"));
    EXPECT_EQ(Units(text), u"abc");
    EXPECT_FALSE(GS::UniStringAccess::GetAscii(text));
    EXPECT_EQ(probe.LiveBlocks(), 1);
}

void CopyInto(char* out, void* text) {
    const std::string& bytes = *static_cast<const std::string*>(text);
    std::copy(bytes.begin(), bytes.end(), out);
}

// Written in place: ASCII stays as written, with zero bytes to read ahead; other text is decoded.
TEST(UniStringAccess, FromUtf8KeepsAsciiWhereItWasWrittenAndDecodesTheRest) {
    for (std::string text :
         {std::string("plain {\"ascii\": 1}"), std::string("caf\xC3\xA9"), std::string("bad \xFF")}) {
        const UniString made = GS::UniStringAccess::FromUtf8(USize(text.size()), CopyInto, &text);
        const std::optional<std::string_view> ascii = GS::UniStringAccess::GetAscii(made);
        EXPECT_EQ(made, UniString(text.c_str(), USize(text.size()), GS::CC_UTF8)) << text;
        EXPECT_EQ(ascii.has_value(), GS::Host::Utf8ToUtf16(text) == std::u16string(text.begin(), text.end()))
            << text;
        if (ascii) {
            const char* end = ascii->data() + ascii->size();
            EXPECT_TRUE(
                std::all_of(end, end + 1 + GS::UniStringAccess::ReadAhead, [](char c) { return c == 0; }));
        }
    }
}

TEST(UniStringAccess, FromUtf8LeaksNothingWhenTheWriterThrows) {
    MemoryProbe probe;
    const auto throwing = [](char*, void*) { throw std::runtime_error("writer failed"); };
    EXPECT_THROW(GS::UniStringAccess::FromUtf8(10, throwing, nullptr), std::runtime_error);
    EXPECT_EQ(probe.LiveBlocks(), 0);
}

} // namespace
