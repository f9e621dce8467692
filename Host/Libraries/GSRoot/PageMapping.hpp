#pragma once

// Pages straight from the operating system, for blocks of several megabytes: first touches of
// fresh memory are where the time of a large copy goes, and large pages take one fault where
// small ones take five hundred.

#include <cstddef>

namespace GS::PageMapping {

// Mappings start on this boundary where the system has transparent large pages, so that every
// whole large page inside them can be one.
constexpr std::size_t LargePageSize = std::size_t(2) << 20;

// Mappings are sized in multiples of this: a multiple of every small page size in use.
constexpr std::size_t Granule = std::size_t(64) << 10;

// Zero-filled, readable and writable pages for `bytes` (a multiple of Granule), at least
// page-aligned; null when the system refuses.
void* Map(std::size_t bytes);

// Gives back a mapping that Map made, with the same byte count.
void Unmap(void* pages, std::size_t bytes);

} // namespace GS::PageMapping
