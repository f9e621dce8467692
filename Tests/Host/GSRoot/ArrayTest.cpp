#include "GSRoot/Array.hpp"

#include "GSRoot/UniString.hpp"
#include "MemoryProbe.hpp"
#include "TextOf.hpp"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <utility>

namespace {

// Counts how many of its kind are alive, so element lifetimes can be checked.
class Tracked {
public:
    explicit Tracked(int number) : value(number) { ++alive; }
    Tracked(const Tracked& source) : value(source.value) { ++alive; }
    Tracked(Tracked&& source) noexcept : value(std::exchange(source.value, -1)) { ++alive; }
    Tracked& operator=(const Tracked&) = delete;
    ~Tracked() { --alive; }

    int value;
    static inline int alive = 0;
};

TEST(Array, KeepsOrderAcrossGrowth) {
    GS::Array<GS::UniString> texts;
    EXPECT_TRUE(texts.IsEmpty());
    for (int i = 0; i < 100; ++i) {
        texts.Push(GS::UniString(std::to_string(i).c_str()));
    }
    ASSERT_EQ(texts.GetSize(), 100u);
    int expected = 0;
    for (const GS::UniString& text : texts) {
        EXPECT_EQ(Utf8Of(text), std::to_string(expected++));
    }
    const GS::Array<GS::UniString>& constTexts = texts;
    EXPECT_EQ(Utf8Of(constTexts[99]), "99");
    EXPECT_EQ(constTexts.end() - constTexts.begin(), 100);
}

TEST(Array, DestroysEveryElementOnClearAndDestruction) {
    {
        GS::Array<Tracked> items;
        for (int i = 0; i < 20; ++i) {
            items.Push(Tracked(i));
        }
        EXPECT_EQ(Tracked::alive, 20); // moved-from originals during growth are gone too
        items.Clear();
        EXPECT_EQ(Tracked::alive, 0);
        EXPECT_TRUE(items.IsEmpty());
        items.Push(Tracked(7)); // usable again after Clear
        EXPECT_EQ(items[0].value, 7);
    }
    EXPECT_EQ(Tracked::alive, 0);
}

TEST(Array, PushingItsOwnElementWhileGrowingCopiesItFirst) {
    GS::Array<Tracked> items;
    for (int i = 0; i < 8; ++i) {
        items.Push(Tracked(i + 10));
    }
    items.Push(items[3]); // the ninth element makes it grow
    ASSERT_EQ(items.GetSize(), 9u);
    EXPECT_EQ(items[8].value, 13);
    EXPECT_EQ(items[3].value, 13);
}

TEST(Array, StorageComesFromTheHostAllocator) {
    MemoryProbe probe;
    {
        GS::Array<int> numbers;
        EXPECT_EQ(probe.Allocations(), 0); // an empty array holds no block
        numbers.Push(1);
        EXPECT_EQ(probe.LiveBlocks(), 1);
        for (int i = 0; i < 8; ++i) {
            numbers.Push(i);
        }
        EXPECT_EQ(probe.LiveBlocks(), 1); // the old block is given back when it grows
        numbers.Clear();
        EXPECT_EQ(probe.LiveBlocks(), 0);
        numbers.Push(2);
    }
    EXPECT_EQ(probe.LiveBlocks(), 0);
}

TEST(Array, FailedGrowthThrowsAndKeepsTheElements) {
    MemoryProbe probe;
    GS::Array<Tracked> items;
    for (int i = 0; i < 8; ++i) {
        items.Push(Tracked(i));
    }
    GS::Host::FailNthAllocation(1);
    EXPECT_THROW(items.Push(Tracked(8)), std::bad_alloc);
    ASSERT_EQ(items.GetSize(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(items[static_cast<UIndex>(i)].value, i);
    }
    EXPECT_EQ(Tracked::alive, 8);
    items.Push(Tracked(8));
    EXPECT_EQ(items.GetSize(), 9u);
}

} // namespace
