#include "PageMapping.hpp"

#include <sys/mman.h>

#include <cstdint>

namespace GS::PageMapping {

void* Map(std::size_t bytes) {
    // One large page more than asked, so that an aligned start lies inside; the rest goes back.
    const std::size_t reserved = bytes + LargePageSize;
    if (reserved < bytes) {
        return nullptr;
    }
    void* mapped = mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        return nullptr;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + LargePageSize - 1) & ~std::uintptr_t(LargePageSize - 1);
    const std::size_t head = aligned - start;
    if (head > 0) {
        munmap(mapped, head);
    }
    if (LargePageSize - head > 0) {
        munmap(reinterpret_cast<void*>(aligned + bytes), LargePageSize - head);
    }
    // Only advice: where transparent large pages are off, the mapping works with small ones.
    madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void Unmap(void* pages, std::size_t bytes) {
    munmap(pages, bytes);
}

} // namespace GS::PageMapping
