#include "GSRoot/BM.hpp"

#include "MemoryProbe.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace {

// Small blocks come from the heap, large ones (a picture's) from pages of their own.
class ClearedHandle : public testing::TestWithParam<GSSize> {};

TEST_P(ClearedHandle, HoldsZerosAndItsSize) {
    const GSSize size = GetParam();
    MemoryProbe probe;
    // Dirty a block of the same size first; the allocator tends to hand it straight back.
    GSHandle dirty = BMAllocateHandle(size, 0, 0);
    ASSERT_NE(dirty, nullptr);
    BNFillMemory(*dirty, size, 0xFF);
    BMKillHandle(&dirty);

    GSHandle handle = BMAllocateHandle(size, ALLOCATE_CLEAR, 0);
    ASSERT_NE(handle, nullptr);
    ASSERT_NE(*handle, nullptr);
    EXPECT_EQ(BMGetHandleSize(handle), size);
    EXPECT_TRUE(std::all_of(*handle, *handle + size, [](char c) { return c == 0; }));
    EXPECT_EQ(probe.LiveBlocks(), 2);

    BMKillHandle(&handle);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(probe.LiveBlocks(), 0);
}

INSTANTIATE_TEST_SUITE_P(SmallAndLarge, ClearedHandle, testing::Values(GSSize(100), GSSize(5 << 20) + 3));

TEST(Handle, EmptyHandleIsValid) {
    MemoryProbe probe;
    GSHandle handle = BMAllocateHandle(0, 0, 0);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(BMGetHandleSize(handle), 0);
    BMKillHandle(&handle);
    EXPECT_EQ(probe.LiveBlocks(), 0);
}

TEST(Handle, NegativeSizeGivesNull) {
    MemoryProbe probe;
    EXPECT_EQ(BMAllocateHandle(-1, ALLOCATE_CLEAR, 0), nullptr);
    EXPECT_EQ(probe.Allocations(), 0);
}

TEST(Handle, FailedAllocationOfEitherBlockGivesNullAndLeaksNothing) {
    for (UInt64 failing : {1, 2}) {
        MemoryProbe probe;
        GS::Host::FailNthAllocation(failing);
        EXPECT_EQ(BMAllocateHandle(16, 0, 0), nullptr) << "failing allocation " << failing;
        EXPECT_EQ(probe.LiveBlocks(), 0) << "failing allocation " << failing;
        EXPECT_EQ(probe.FailedAllocations(), 1);
    }
}

TEST(Handle, KillAndSizeAcceptNull) {
    BMKillHandle(nullptr);
    GSHandle none = nullptr;
    BMKillHandle(&none);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(BMGetHandleSize(nullptr), 0);
}

TEST(FillMemory, FillsExactlyTheGivenBytes) {
    std::array<UInt8, 9> bytes{};
    BNFillMemory(bytes.data() + 2, 5, 0xAB);
    EXPECT_THAT(bytes, testing::ElementsAre(0, 0, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0, 0));
    BNFillMemory(bytes.data(), 0, 0x11);
    BNFillMemory(bytes.data(), -4, 0x11);
    BNFillMemory(nullptr, 4, 0x11);
    EXPECT_EQ(bytes[0], 0);
}

} // namespace
