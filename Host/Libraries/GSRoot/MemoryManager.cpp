#include "GSRoot/MemoryManager.hpp"

#include "ClearedBlocks.hpp"
#include "GSRootHost.hpp"
#include "PageMapping.hpp"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace {

// Sits in front of every block. Its 16 bytes keep malloc's 16-byte alignment for the caller, and
// the magic lets Free tell our live blocks from anything else.
struct BlockHeader {
    UInt64 size;
    UInt32 magic;
    UInt32 flags;
};
static_assert(sizeof(BlockHeader) == 16);
static_assert(alignof(std::max_align_t) >= 16, "malloc must align to 16 bytes");

constexpr UInt32 LiveMagic = 0x4B564D4D; // "KVMM"
constexpr UInt32 FreedMagic = 0;
constexpr UInt32 FromOperatorNew = 1;
constexpr UInt32 Mapped = 2; // pages of its own
constexpr std::size_t BlockAlignment = 16;
constexpr std::size_t MaxBlockSize = std::numeric_limits<std::size_t>::max() - sizeof(BlockHeader);

// From here on a block gets pages of its own: large pages where the system has them, given back
// to the system when freed. Below it, malloc's heap serves better.
constexpr std::size_t MappedBlockSize = GS::PageMapping::LargePageSize;

// The tail beyond the last whole large page stays in small pages: faulted one by one, but resident
// only as far as it is used.
std::size_t MappingBytes(std::size_t size) {
    const std::size_t granule = GS::PageMapping::Granule;
    return (sizeof(BlockHeader) + size + granule - 1) / granule * granule;
}

// One freed mapping, kept for the next block of exactly its size: a picture's text freed and made
// again (the object state's copy of the data URL, a second export, a repeated conversion) then
// finds its pages in place. The larger of two is kept, since large blocks cost the most faults;
// one at most, and only up to a bound, since whatever it holds stays resident for nothing. For the
// same reason it is kept only until the next large block: one of another size gives it back
// first, so that it never adds to the peak of the blocks that follow (a picture's handle kept
// beside its text, its base64 and its data URL).
class KeptMapping {
public:
    static constexpr std::size_t MaxBytes = std::size_t(64) << 20;

    void* Take(std::size_t bytes) {
        void* released = nullptr;
        std::size_t releasedBytes = 0;
        {
            const Hold hold(busy);
            if (pages != nullptr && keptBytes == bytes) {
                return std::exchange(pages, nullptr);
            }
            released = std::exchange(pages, nullptr);
            releasedBytes = keptBytes;
        }
        if (released != nullptr) {
            GS::PageMapping::Unmap(released, releasedBytes);
        }
        return nullptr;
    }

    // Keeps the mapping or gives it back to the system, along with any it displaces.
    void Give(void* mapping, std::size_t bytes) {
        void* released = mapping;
        std::size_t releasedBytes = bytes;
        {
            const Hold hold(busy);
            if (bytes <= MaxBytes && (pages == nullptr || bytes >= keptBytes)) {
                released = std::exchange(pages, mapping);
                releasedBytes = std::exchange(keptBytes, bytes);
            }
        }
        if (released != nullptr) {
            GS::PageMapping::Unmap(released, releasedBytes);
        }
    }

private:
    // A flag rather than std::mutex, which is not constant-initialised everywhere (mingw-w64's is
    // not): the allocator must work before any dynamic initialisation. The hold is a few loads.
    struct Hold {
        explicit Hold(std::atomic_flag& held) : flag(held) {
            while (flag.test_and_set(std::memory_order_acquire)) {
            }
        }
        ~Hold() { flag.clear(std::memory_order_release); }
        std::atomic_flag& flag;
    };

    std::atomic_flag busy;
    void* pages = nullptr;
    std::size_t keptBytes = 0;
};

constinit KeptMapping keptMapping;

// A mapping when the size calls for one and the system grants it, else a malloc block, else null.
void* AllocateRaw(std::size_t size, bool cleared, UInt32& flags) {
    if (size >= MappedBlockSize && size <= MaxBlockSize - GS::PageMapping::LargePageSize) {
        const std::size_t bytes = MappingBytes(size);
        if (void* kept = keptMapping.Take(bytes)) {
            flags |= Mapped;
            if (cleared) {
                std::memset(kept, 0, sizeof(BlockHeader) + size);
            }
            return kept;
        }
        if (void* pages = GS::PageMapping::Map(bytes)) {
            flags |= Mapped;
            return pages; // fresh pages are zero already
        }
    }
    if (size > MaxBlockSize) {
        return nullptr;
    }
    return cleared ? std::calloc(1, sizeof(BlockHeader) + size) : std::malloc(sizeof(BlockHeader) + size);
}

struct Counters {
    std::atomic<UInt64> liveBlocks{0};
    std::atomic<UInt64> liveBytes{0};
    std::atomic<UInt64> liveOperatorNewBlocks{0};
    std::atomic<UInt64> allocations{0};
    std::atomic<UInt64> failedAllocations{0};
    std::atomic<UInt64> failCountdown{0}; // 0: disarmed; 1: the next Allocate fails
};

constinit Counters counters;

// Counts one Allocate against the armed failure; true for the one that must fail.
bool ConsumeInjectedFailure() {
    UInt64 remaining = counters.failCountdown.load(std::memory_order_relaxed);
    while (remaining != 0) {
        if (counters.failCountdown.compare_exchange_weak(remaining, remaining - 1,
                                                         std::memory_order_relaxed)) {
            return remaining == 1;
        }
    }
    return false;
}

[[noreturn]] void RefuseFree(const void* block) {
    std::fprintf(stderr,
                 "GS::MemoryManager::Free: %p is not a live block of GS::MemoryManager "
                 "(never allocated by it, or freed already)\n",
                 block);
    std::fflush(stderr);
    std::abort();
}

void* AllocateBlock(std::size_t size, Int32 exceptionBehavior, bool fromOperatorNew, bool cleared) {
    UInt32 flags = fromOperatorNew ? FromOperatorNew : 0;
    void* raw = ConsumeInjectedFailure() ? nullptr : AllocateRaw(size, cleared, flags);
    if (raw == nullptr) {
        counters.failedAllocations.fetch_add(1, std::memory_order_relaxed);
        // Any behaviour other than NullOnFailure throws, so a caller never meets an unexpected null.
        if (exceptionBehavior == GS::MemoryManager::NullOnFailure) {
            return nullptr;
        }
        throw std::bad_alloc();
    }

    auto* header = ::new (raw) BlockHeader{size, LiveMagic, flags};
    counters.liveBlocks.fetch_add(1, std::memory_order_relaxed);
    counters.liveBytes.fetch_add(size, std::memory_order_relaxed);
    if (fromOperatorNew) {
        counters.liveOperatorNewBlocks.fetch_add(1, std::memory_order_relaxed);
    }
    counters.allocations.fetch_add(1, std::memory_order_relaxed);
    return header + 1;
}

} // namespace

namespace GS {

void* MemoryManager::Allocate(std::size_t size, Int32 exceptionBehavior, bool fromOperatorNew) {
    return AllocateBlock(size, exceptionBehavior, fromOperatorNew, false);
}

void* AllocateCleared(std::size_t size, Int32 exceptionBehavior) {
    return AllocateBlock(size, exceptionBehavior, false, true);
}

void MemoryManager::Free(void* block) {
    if (block == nullptr) {
        return;
    }
    // A misaligned pointer cannot be ours; checking first avoids a misaligned header read.
    if (reinterpret_cast<std::uintptr_t>(block) % BlockAlignment != 0) {
        RefuseFree(block);
    }
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    if (header->magic != LiveMagic) {
        RefuseFree(block);
    }
    header->magic = FreedMagic;

    counters.liveBlocks.fetch_sub(1, std::memory_order_relaxed);
    counters.liveBytes.fetch_sub(header->size, std::memory_order_relaxed);
    if ((header->flags & FromOperatorNew) != 0) {
        counters.liveOperatorNewBlocks.fetch_sub(1, std::memory_order_relaxed);
    }
    if ((header->flags & Mapped) != 0) {
        keptMapping.Give(header, MappingBytes(header->size));
    } else {
        std::free(header);
    }
}

} // namespace GS

namespace GS::Host {

MemoryStats GetMemoryStats() {
    MemoryStats stats;
    stats.liveBlocks = counters.liveBlocks.load(std::memory_order_relaxed);
    stats.liveBytes = counters.liveBytes.load(std::memory_order_relaxed);
    stats.liveOperatorNewBlocks = counters.liveOperatorNewBlocks.load(std::memory_order_relaxed);
    stats.allocations = counters.allocations.load(std::memory_order_relaxed);
    stats.failedAllocations = counters.failedAllocations.load(std::memory_order_relaxed);
    return stats;
}

void FailNthAllocation(UInt64 n) {
    counters.failCountdown.store(n, std::memory_order_relaxed);
}

} // namespace GS::Host
