#pragma once

// Zero-filled blocks of GS::MemoryManager, counted and failed like every other block. Large ones
// come as fresh pages, which are zero already, so they are not cleared a second time.

#include "GSRoot/Definitions.hpp"

#include <cstddef>

namespace GS {

void* AllocateCleared(std::size_t size, Int32 exceptionBehavior);

} // namespace GS
