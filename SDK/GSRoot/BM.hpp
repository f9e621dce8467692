#pragma once

#include "GSRoot/Definitions.hpp"

// Relocatable memory handles and raw memory routines.

constexpr Int32 ALLOCATE_CLEAR = 2; // the new handle's bytes are zero

GSHandle BMAllocateHandle(GSSize nBytes, Int32 actionCode, Int32 reserved);
void BMKillHandle(GSHandle* handle); // sets *handle to null; a null handle is ignored
GSSize BMGetHandleSize(GSConstHandle handle);

void BNFillMemory(void* destination, GSSize nBytes, UInt8 value);

// A zero-filled block of count * size bytes from GS::MemoryManager, or null when it cannot be made
// (the product overflowing included); released with GS_free.
void* GS_calloc(std::size_t count, std::size_t size);
void GS_free(void* block);
