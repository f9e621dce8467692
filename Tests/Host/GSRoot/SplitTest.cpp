#include "GSRoot/Array.hpp"
#include "GSRoot/UniString.hpp"

#include "MemoryProbe.hpp"
#include "TextOf.hpp"

#include <gtest/gtest.h>

#include <new>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using GS::UniString;

std::vector<std::u16string> Parts(const GS::Array<UniString>& parts) {
    std::vector<std::u16string> units;
    for (const UniString& part : parts) {
        units.push_back(UnitsOf(part));
    }
    return units;
}

struct SplitCase {
    const char* name;
    std::u16string text;
    std::u16string separator;
    UniString::SplitEmptyPartHandling emptyParts;
    std::vector<std::u16string> parts;
};

void PrintTo(const SplitCase& split, std::ostream* out) {
    *out << split.name;
}

class UniStringSplit : public testing::TestWithParam<SplitCase> {};

TEST_P(UniStringSplit, GivesThePartsAndTheirCount) {
    const SplitCase& split = GetParam();
    GS::Array<UniString> parts;
    parts.Push(UniString("left over from before"));
    const USize count =
        UniString(split.text.c_str()).Split(UniString(split.separator.c_str()), split.emptyParts, &parts);
    EXPECT_EQ(Parts(parts), split.parts);
    EXPECT_EQ(count, split.parts.size());
    EXPECT_EQ(
        UniString(split.text.c_str()).Split(UniString(split.separator.c_str()), split.emptyParts, nullptr),
        count);
}

constexpr auto Keep = UniString::KeepEmptyParts;
constexpr auto Skip = UniString::SkipEmptyParts;

INSTANTIATE_TEST_SUITE_P(
    Rules, UniStringSplit,
    testing::Values(
        SplitCase{"TwoLines", u"a\nb", u"\n", Keep, {u"a", u"b"}},
        SplitCase{"TrailingSeparatorKept", u"a\n", u"\n", Keep, {u"a", u""}},
        SplitCase{"TrailingSeparatorSkipped", u"a\n", u"\n", Skip, {u"a"}},
        SplitCase{"LeadingAndDoubleSeparatorsKept", u"\n\na\n\nb", u"\n", Keep, {u"", u"", u"a", u"", u"b"}},
        SplitCase{"LeadingAndDoubleSeparatorsSkipped", u"\n\na\n\nb", u"\n", Skip, {u"a", u"b"}},
        SplitCase{"OnlySeparatorKept", u"\n", u"\n", Keep, {u"", u""}},
        SplitCase{"OnlySeparatorSkipped", u"\n", u"\n", Skip, {}},
        SplitCase{"EmptyTextHasNoParts", u"", u"\n", Keep, {}},
        SplitCase{"EmptyTextAndSeparator", u"", u"", Keep, {}},
        SplitCase{"EmptySeparatorGivesTheWhole", u"a\nb", u"", Keep, {u"a\nb"}},
        SplitCase{"NoSeparatorInText", u"abc", u"\n", Keep, {u"abc"}},
        SplitCase{"SeparatorLongerThanText", u"ab", u"abc", Keep, {u"ab"}},
        SplitCase{"TextIsTheSeparator", u"ab", u"ab", Keep, {u"", u""}},
        SplitCase{"MultiUnitSeparator", u"a\r\nb\r\n", u"\r\n", Keep, {u"a", u"b", u""}},
        SplitCase{"HalfSeparatorStaysInThePart", u"a\rb\r\nc", u"\r\n", Keep, {u"a\rb", u"c"}},
        SplitCase{"MatchesDoNotOverlap", u"aaa", u"aa", Keep, {u"", u"a"}},
        SplitCase{"SurrogatePairSeparator", u"x\U0001F600y", u"\U0001F600", Keep, {u"x", u"y"}}),
    [](const testing::TestParamInfo<SplitCase>& param) { return param.param.name; });

TEST(UniStringSplitLimits, ManyLinesInOrder) {
    std::u16string text;
    for (int i = 0; i < 10000; ++i) {
        text += u"line " + std::u16string(1, char16_t(u'0' + i % 10)) + u"\n";
    }
    GS::Array<UniString> parts;
    EXPECT_EQ(UniString(text.c_str()).Split(UniString("\n"), Skip, &parts), 10000u);
    ASSERT_EQ(parts.GetSize(), 10000u);
    EXPECT_EQ(UnitsOf(parts[0]), u"line 0");
    EXPECT_EQ(UnitsOf(parts[9999]), u"line 9");
}

TEST(UniStringSplitLimits, UnknownEmptyPartHandlingIsRefused) {
    GS::Array<UniString> parts;
    parts.Push(UniString("kept"));
    const auto unknown = static_cast<UniString::SplitEmptyPartHandling>(2);
    EXPECT_THROW(UniString("a\nb").Split(UniString("\n"), unknown, &parts), std::invalid_argument);
    EXPECT_EQ(Parts(parts), std::vector<std::u16string>{u"kept"});
}

TEST(UniStringSplitLimits, PartsLiveInTheHostAllocatorAndFailureLeaksNothing) {
    MemoryProbe probe;
    {
        GS::Array<UniString> parts;
        UniString("one two three").Split(UniString(" "), Keep, &parts);
        EXPECT_EQ(probe.LiveBlocks(), 4); // the array and three texts
        GS::Host::FailNthAllocation(3);
        EXPECT_THROW(UniString("a b c d").Split(UniString(" "), Keep, &parts), std::bad_alloc);
    }
    EXPECT_EQ(probe.LiveBlocks(), 0);
}

} // namespace
