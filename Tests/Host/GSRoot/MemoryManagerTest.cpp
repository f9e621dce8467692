#include "GSRoot/MemoryManager.hpp"

#include "MemoryProbe.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <set>
#include <vector>

#ifndef _WIN32
#include <fstream>

#include <unistd.h>
#endif

namespace {

using GS::MemoryManager;

bool IsAligned16(const void* block) {
    return reinterpret_cast<std::uintptr_t>(block) % 16 == 0;
}

TEST(MemoryManager, CountsLiveBlocksAndBytesUntilFreed) {
    MemoryProbe probe;
    void* plain = MemoryManager::Allocate(100, MemoryManager::ThrowOnFailure, false);
    void* fromNew = MemoryManager::Allocate(28, MemoryManager::ThrowOnFailure, true);
    EXPECT_EQ(probe.LiveBlocks(), 2);
    EXPECT_EQ(probe.LiveBytes(), 128);
    EXPECT_EQ(probe.LiveOperatorNewBlocks(), 1);
    EXPECT_EQ(probe.Allocations(), 2);

    MemoryManager::Free(fromNew);
    EXPECT_EQ(probe.LiveOperatorNewBlocks(), 0);
    EXPECT_EQ(probe.LiveBytes(), 100);
    MemoryManager::Free(plain);
    EXPECT_EQ(probe.LiveBlocks(), 0);
    EXPECT_EQ(probe.LiveBytes(), 0);
    EXPECT_EQ(probe.Allocations(), 2);
    EXPECT_EQ(probe.FailedAllocations(), 0);
}

TEST(MemoryManager, BlocksAreAlignedWritableAndDistinctEvenWhenEmpty) {
    MemoryProbe probe;
    std::vector<void*> blocks;
    for (std::size_t size : {0, 0, 1, 7, 16, 33, 4096}) {
        void* block = MemoryManager::Allocate(size, MemoryManager::ThrowOnFailure, false);
        ASSERT_NE(block, nullptr);
        EXPECT_TRUE(IsAligned16(block)) << "size " << size;
        std::memset(block, 0xA5, size);
        blocks.push_back(block);
    }
    EXPECT_EQ(std::set<void*>(blocks.begin(), blocks.end()).size(), blocks.size());
    for (void* block : blocks) {
        MemoryManager::Free(block);
    }
    EXPECT_EQ(probe.LiveBlocks(), 0);
}

// A picture's blocks come from pages of their own, yet count, align and fail as every block does.
TEST(MemoryManager, LargeBlocksAreCountedAlignedAndFailedLikeSmallOnes) {
    MemoryProbe probe;
    constexpr std::size_t Large = (5 << 20) + 3;
    void* block = MemoryManager::Allocate(Large, MemoryManager::ThrowOnFailure, true);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(IsAligned16(block));
    std::memset(block, 0xA5, Large);
    EXPECT_EQ(probe.LiveBlocks(), 1);
    EXPECT_EQ(probe.LiveBytes(), Int64(Large));
    EXPECT_EQ(probe.LiveOperatorNewBlocks(), 1);
    MemoryManager::Free(block);
    EXPECT_EQ(probe.LiveBlocks(), 0);
    EXPECT_EQ(probe.LiveBytes(), 0);
    EXPECT_EQ(probe.LiveOperatorNewBlocks(), 0);

    GS::Host::FailNthAllocation(1);
    EXPECT_THROW(MemoryManager::Allocate(Large, MemoryManager::ThrowOnFailure, false), std::bad_alloc);
    GS::Host::FailNthAllocation(1);
    EXPECT_EQ(MemoryManager::Allocate(Large, MemoryManager::NullOnFailure, false), nullptr);
    EXPECT_EQ(probe.FailedAllocations(), 2);
    EXPECT_EQ(probe.Allocations(), 1);
}

#ifndef _WIN32
std::size_t ResidentBytes() {
    std::size_t size = 0;
    std::size_t resident = 0;
    std::ifstream("/proc/self/statm") >> size >> resident;
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// A freed large block's pages serve the next block of its size, and go back to the system as soon
// as a block of another size is asked for first: they never sit beside the blocks that follow.
TEST(MemoryManager, AFreedLargeBlockServesOnlyTheNextOfItsSize) {
    constexpr std::size_t Large = 8 << 20;
    void* first = MemoryManager::Allocate(Large, MemoryManager::ThrowOnFailure, false);
    std::memset(first, 0xA5, Large);
    MemoryManager::Free(first);
    void* again = MemoryManager::Allocate(Large, MemoryManager::ThrowOnFailure, false);
    EXPECT_EQ(again, first);
    MemoryManager::Free(again);

    const std::size_t keeping = ResidentBytes();
    void* other = MemoryManager::Allocate(Large / 2, MemoryManager::ThrowOnFailure, false);
    // Only the new block's first page (a large one, at most) is touched.
    EXPECT_GE(keeping, ResidentBytes() + Large - (4 << 20));
    MemoryManager::Free(other);
}
#endif

TEST(MemoryManager, FreeOfNullChangesNothing) {
    MemoryProbe probe;
    MemoryManager::Free(nullptr);
    EXPECT_EQ(probe.LiveBlocks(), 0);
    EXPECT_EQ(probe.Allocations(), 0);
}

TEST(MemoryManager, NthAllocationThrowsOnceThenDisarms) {
    MemoryProbe probe;
    GS::Host::FailNthAllocation(3);
    void* first = MemoryManager::Allocate(8, MemoryManager::ThrowOnFailure, true);
    void* second = MemoryManager::Allocate(8, MemoryManager::ThrowOnFailure, true);
    EXPECT_THROW(MemoryManager::Allocate(8, MemoryManager::ThrowOnFailure, true), std::bad_alloc);
    void* fourth = MemoryManager::Allocate(8, MemoryManager::ThrowOnFailure, true);

    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_NE(fourth, nullptr);
    EXPECT_EQ(probe.Allocations(), 3);
    EXPECT_EQ(probe.FailedAllocations(), 1);
    EXPECT_EQ(probe.LiveOperatorNewBlocks(), 3);
    for (void* block : {first, second, fourth}) {
        MemoryManager::Free(block);
    }
    EXPECT_EQ(probe.LiveBlocks(), 0);
}

TEST(MemoryManager, NthAllocationReturnsNullWhenAskedTo) {
    MemoryProbe probe;
    GS::Host::FailNthAllocation(1);
    EXPECT_EQ(MemoryManager::Allocate(8, MemoryManager::NullOnFailure, false), nullptr);
    void* next = MemoryManager::Allocate(8, MemoryManager::NullOnFailure, false);
    EXPECT_NE(next, nullptr);
    MemoryManager::Free(next);
    EXPECT_EQ(probe.FailedAllocations(), 1);
    EXPECT_EQ(probe.LiveBlocks(), 0);
}

TEST(MemoryManager, ZeroDisarmsAnArmedFailure) {
    MemoryProbe probe;
    GS::Host::FailNthAllocation(1);
    GS::Host::FailNthAllocation(0);
    void* block = MemoryManager::Allocate(8, MemoryManager::ThrowOnFailure, false);
    MemoryManager::Free(block);
    EXPECT_EQ(probe.FailedAllocations(), 0);
}

TEST(MemoryManager, ImpossibleSizeFailsByTheRequestedBehaviour) {
    MemoryProbe probe;
    constexpr std::size_t huge = std::numeric_limits<std::size_t>::max();
    EXPECT_THROW(MemoryManager::Allocate(huge, MemoryManager::ThrowOnFailure, false), std::bad_alloc);
    EXPECT_EQ(MemoryManager::Allocate(huge - 8, MemoryManager::NullOnFailure, false), nullptr);
    EXPECT_EQ(probe.FailedAllocations(), 2);
    EXPECT_EQ(probe.LiveBlocks(), 0);
}

TEST(MemoryManagerDeathTest, FreeRefusesAPointerItDidNotHandOut) {
    // A zeroed, aligned buffer: the 16 bytes before the pointer are readable but carry no header.
    alignas(16) unsigned char foreign[64] = {};
    EXPECT_DEATH(MemoryManager::Free(foreign + 32), "is not a live block of GS::MemoryManager");
    EXPECT_DEATH(MemoryManager::Free(foreign + 33), "is not a live block of GS::MemoryManager");
}

TEST(MemoryManagerDeathTest, FreeRefusesADoubleFree) {
    void* block = MemoryManager::Allocate(24, MemoryManager::ThrowOnFailure, false);
    MemoryManager::Free(block);
    // Under AddressSanitizer the sanitizer itself stops the read of the freed header first.
    EXPECT_DEATH(MemoryManager::Free(block),
                 testing::AnyOf(testing::HasSubstr("is not a live block of GS::MemoryManager"),
                                testing::HasSubstr("heap-use-after-free")));
}

} // namespace
