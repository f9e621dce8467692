#pragma once

// Warm and cold runs differ only in where large blocks come from. glibc hands blocks above its mmap
// threshold straight to the kernel and back on free, so every such block starts on untouched pages
// (about 10 µs of page faults per 4 KiB here); below it they come from the heap and are reused.
// Fixing the thresholds (which also stops glibc's own adaptive threshold) makes both cases
// deterministic for buffers allocated inside the code under test, which a benchmark cannot reuse.

#include <malloc.h>

namespace Bench {

// Every block above 4 KiB is fresh from the kernel: first touches page-fault.
inline void UseColdAllocator() {
    mallopt(M_MMAP_THRESHOLD, 4096);
    mallopt(M_TRIM_THRESHOLD, 0);
}

// Blocks up to 256 MiB come from the heap and stay there when freed: the next allocation of the
// same size reuses pages already mapped.
inline void UseWarmAllocator() {
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
}

} // namespace Bench
