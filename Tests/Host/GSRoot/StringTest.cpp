#include "GSRoot/String.hpp"

#include "MemoryProbe.hpp"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <utility>

namespace {

using GS::String;

TEST(String, KeepsBytesIncludingZeros) {
    const String text("a\0b", 3);
    EXPECT_EQ(text.GetLength(), 3u);
    EXPECT_EQ(std::string(text.ToCStr(), 3), std::string("a\0b", 3));
    EXPECT_EQ(text.ToCStr()[3], '\0');
    EXPECT_EQ(String("ab\xFF").GetLength(), 3u);
}

TEST(String, NullAndEmptyInputs) {
    EXPECT_TRUE(String(nullptr).IsEmpty());
    EXPECT_STREQ(String().ToCStr(), "");
    EXPECT_TRUE(String(nullptr, 0).IsEmpty());
    EXPECT_THROW(String(nullptr, 2), std::invalid_argument);
}

TEST(String, EqualityComparesEveryByte) {
    EXPECT_EQ(String("abc"), String("abc", 3));
    EXPECT_NE(String("abc"), String("abd"));
    EXPECT_NE(String("abc"), String("abc\0", 4));
}

TEST(String, CopiesAndMovesLeaveNoBlockBehind) {
    MemoryProbe probe;
    {
        String original("link id");
        String copy(original);
        String moved(std::move(copy));
        EXPECT_TRUE(copy.IsEmpty()); // NOLINT: the moved-from state is specified as empty
        String assigned;
        assigned = original;
        assigned = std::move(moved);
        assigned = assigned;
        EXPECT_EQ(assigned, original);
        EXPECT_EQ(probe.LiveBlocks(), 2);
    }
    EXPECT_EQ(probe.LiveBlocks(), 0);
    EXPECT_EQ(probe.LiveBytes(), 0);
}

TEST(String, FailedAllocationThrowsWithoutLeaking) {
    MemoryProbe probe;
    String target("kept");
    GS::Host::FailNthAllocation(1);
    EXPECT_THROW(target = String("replacement"), std::bad_alloc);
    EXPECT_STREQ(target.ToCStr(), "kept");
    EXPECT_EQ(probe.LiveBlocks(), 1);
}

} // namespace
