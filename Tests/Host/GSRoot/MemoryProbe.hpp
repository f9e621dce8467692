#pragma once

#include "GSRootHost.hpp"

#include <gtest/gtest.h>

// Measures what GS::MemoryManager did since the probe was made, and disarms any injected failure
// when it goes out of scope so one test cannot leak a failure into the next.
class MemoryProbe {
public:
    MemoryProbe() : before(GS::Host::GetMemoryStats()) {}
    ~MemoryProbe() { GS::Host::FailNthAllocation(0); }

    Int64 LiveBlocks() const { return Delta(&GS::Host::MemoryStats::liveBlocks); }
    Int64 LiveBytes() const { return Delta(&GS::Host::MemoryStats::liveBytes); }
    Int64 LiveOperatorNewBlocks() const { return Delta(&GS::Host::MemoryStats::liveOperatorNewBlocks); }
    Int64 Allocations() const { return Delta(&GS::Host::MemoryStats::allocations); }
    Int64 FailedAllocations() const { return Delta(&GS::Host::MemoryStats::failedAllocations); }

private:
    Int64 Delta(UInt64 GS::Host::MemoryStats::*field) const {
        return static_cast<Int64>(GS::Host::GetMemoryStats().*field - before.*field);
    }

    GS::Host::MemoryStats before;
};
