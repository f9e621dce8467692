#include "GSRoot/BM.hpp"

#include "MemoryProbe.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace {

TEST(Handle, ClearedHandleHoldsZerosAndItsSize) {
    MemoryProbe probe;
    // Dirty a block of the same size first; the allocator tends to hand it straight back.
    GSHandle dirty = BMAllocateHandle(100, 0, 0);
    ASSERT_NE(dirty, nullptr);
    BNFillMemory(*dirty, 100, 0xFF);
    BMKillHandle(&dirty);

    GSHandle handle = BMAllocateHandle(100, ALLOCATE_CLEAR, 0);
    ASSERT_NE(handle, nullptr);
    ASSERT_NE(*handle, nullptr);
    EXPECT_EQ(BMGetHandleSize(handle), 100);
    EXPECT_TRUE(std::all_of(*handle, *handle + 100, [](char c) { return c == 0; }));
    EXPECT_EQ(probe.LiveBlocks(), 2);

    BMKillHandle(&handle);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(probe.LiveBlocks(), 0);
}

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
