#pragma once

#include "GSRoot/Definitions.hpp"

// Relocatable memory handles and raw memory routines.

constexpr Int32 ALLOCATE_CLEAR = 2; // the new handle's bytes are zero

GSHandle BMAllocateHandle(GSSize nBytes, Int32 actionCode, Int32 reserved);
void BMKillHandle(GSHandle* handle); // sets *handle to null; a null handle is ignored
GSSize BMGetHandleSize(GSConstHandle handle);

void BNFillMemory(void* destination, GSSize nBytes, UInt8 value);
