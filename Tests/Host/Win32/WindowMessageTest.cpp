#include "Win32/Windows.hpp"

#include "CallRecorder.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using testing::AllOf;
using testing::Ge;
using testing::Le;

TEST(RegisterWindowMessageW, SameNameGivesTheSameNumberInTheRegisteredRange) {
    const UINT first = RegisterWindowMessageW(u"commdlg_FileNameOK");
    EXPECT_THAT(first, AllOf(Ge(0xC000u), Le(0xFFFFu)));
    EXPECT_EQ(RegisterWindowMessageW(u"commdlg_FileNameOK"), first);
    EXPECT_EQ(RegisterWindowMessageW(u"COMMDLG_FILENAMEOK"), first);
}

TEST(RegisterWindowMessageW, DistinctNamesGetDistinctNumbers) {
    const UINT a = RegisterWindowMessageW(u"KaveloTest.A");
    const UINT b = RegisterWindowMessageW(u"KaveloTest.B");
    EXPECT_NE(a, 0u);
    EXPECT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(RegisterWindowMessageW(u"KaveloTest.A"), a);
}

TEST(RegisterWindowMessageW, RefusesMissingEmptyAndOverlongNames) {
    EXPECT_EQ(RegisterWindowMessageW(nullptr), 0u);
    EXPECT_EQ(RegisterWindowMessageW(u""), 0u);
    const std::u16string longest(255, u'n');
    EXPECT_NE(RegisterWindowMessageW(longest.c_str()), 0u);
    EXPECT_EQ(RegisterWindowMessageW((longest + u'n').c_str()), 0u);
}

TEST(RegisterWindowMessageW, TellsTheObserverTheNameAsUtf8) {
    CallRecorder recorder;
    RegisterWindowMessageW(u"Gr\u00fc\u00dfe\U0001F600");
    RegisterWindowMessageW(nullptr);
    EXPECT_EQ(recorder.calls,
              (std::vector<CallRecorder::Call>{{"RegisterWindowMessageW", "Gr\xC3\xBC\xC3\x9F"
                                                                          "e\xF0\x9F\x98\x80"},
                                               {"RegisterWindowMessageW", ""}}));
}

} // namespace
