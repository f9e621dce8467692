#include "PageMapping.hpp"

#include <windows.h>

namespace GS::PageMapping {

// Large pages on Windows need a privilege that users do not hold, so these are ordinary pages;
// they still come zero-filled, which spares the clearing of a cleared block.
void* Map(std::size_t bytes) {
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void Unmap(void* pages, std::size_t /*bytes*/) {
    VirtualFree(pages, 0, MEM_RELEASE);
}

} // namespace GS::PageMapping
