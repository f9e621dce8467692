#pragma once

#include "GSRoot/Definitions.hpp"

namespace GS {

// The host's allocator. Every block is counted, so the host can tell what is still alive.
class MemoryManager {
public:
    enum ExceptionBehavior : Int32 {
        ThrowOnFailure = 0, // std::bad_alloc
        NullOnFailure = 1
    };

    // fromOperatorNew marks blocks made by a module's global operator new; they are counted apart.
    static void* Allocate(std::size_t size, Int32 exceptionBehavior, bool fromOperatorNew);
    static void Free(void* block);
};

} // namespace GS
