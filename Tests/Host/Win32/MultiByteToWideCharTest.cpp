#include "Win32/Windows.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

// Converts with a length query first, the way the add-on calls it.
std::u16string Convert(const std::string& bytes, int count) {
    const int needed = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), count, nullptr, 0);
    if (needed <= 0) {
        return u"<refused>";
    }
    std::u16string units(static_cast<std::size_t>(needed), u'#');
    const int written = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), count, units.data(), needed);
    EXPECT_EQ(written, needed);
    return units;
}

TEST(MultiByteToWideChar, TerminatedInputCountsAndConvertsTheTerminator) {
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0), 4);
    EXPECT_EQ(Convert("abc", -1), std::u16string(u"abc\0", 4));
    EXPECT_EQ(Convert("", -1), std::u16string(1, u'\0'));
}

TEST(MultiByteToWideChar, ExplicitCountConvertsExactlyThoseBytes) {
    EXPECT_EQ(Convert("abcdef", 3), u"abc");
    EXPECT_EQ(Convert(std::string("a\0b", 3), 3), std::u16string(u"a\0b", 3));
    WCHAR buffer[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "xy", 2, buffer, 4), 2);
    EXPECT_EQ(std::u16string(buffer, 4), u"xy##"); // no terminator is added
}

TEST(MultiByteToWideChar, EveryUtf8LengthAndSurrogatePairs) {
    EXPECT_EQ(Convert("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", -1),
              std::u16string(u"\u00e9\u20ac\U0001F600\0", 5));
}

TEST(MultiByteToWideChar, IllFormedSequencesBecomeReplacementCharacters) {
    EXPECT_EQ(Convert("a\xFF"
                      "b\xE2\x82",
                      5),
              u"a\ufffdb\ufffd");
    EXPECT_EQ(Convert("\xC0\xAF", 2), u"\ufffd\ufffd");
}

TEST(MultiByteToWideChar, BufferTooSmallAnswersZero) {
    WCHAR buffer[3] = {};
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, buffer, 3), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, buffer, 1), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, buffer, 2), 2);
}

TEST(MultiByteToWideChar, RefusesWhatItDoesNotSupport) {
    WCHAR buffer[8] = {};
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, buffer, 8), 0);      // another code page
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0x8, "abc", -1, buffer, 8), 0); // flags
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, -1, buffer, 8), 0); // no input
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 0, buffer, 8), 0);    // empty input
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -2, buffer, 8), 0);   // bad count
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, buffer, -1), 0);  // bad capacity
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 8), 0);  // capacity without buffer
}

} // namespace
