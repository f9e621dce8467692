#include "GSRoot/BM.hpp"

#include "ClearedBlocks.hpp"
#include "GSRoot/MemoryManager.hpp"

#include <cstring>
#include <limits>

namespace {

// The block a GSHandle points at: the data pointer first, so the handle is its address.
struct HandleBlock {
    char* data;
    GSSize size;
};

HandleBlock* BlockOf(GSConstHandle handle) {
    return reinterpret_cast<HandleBlock*>(const_cast<char**>(handle));
}

} // namespace

GSHandle BMAllocateHandle(GSSize nBytes, Int32 actionCode, Int32 /*reserved*/) {
    if (nBytes < 0 || static_cast<UInt64>(nBytes) > std::numeric_limits<std::size_t>::max()) {
        return nullptr;
    }
    auto* block = static_cast<HandleBlock*>(
        GS::MemoryManager::Allocate(sizeof(HandleBlock), GS::MemoryManager::NullOnFailure, false));
    if (block == nullptr) {
        return nullptr;
    }
    const auto size = static_cast<std::size_t>(nBytes);
    char* data =
        static_cast<char*>((actionCode & ALLOCATE_CLEAR) != 0
                               ? GS::AllocateCleared(size, GS::MemoryManager::NullOnFailure)
                               : GS::MemoryManager::Allocate(size, GS::MemoryManager::NullOnFailure, false));
    if (data == nullptr) {
        GS::MemoryManager::Free(block);
        return nullptr;
    }
    block->data = data;
    block->size = nBytes;
    return &block->data;
}

void BMKillHandle(GSHandle* handle) {
    if (handle == nullptr || *handle == nullptr) {
        return;
    }
    HandleBlock* block = BlockOf(*handle);
    GS::MemoryManager::Free(block->data);
    GS::MemoryManager::Free(block);
    *handle = nullptr;
}

GSSize BMGetHandleSize(GSConstHandle handle) {
    return handle == nullptr ? 0 : BlockOf(handle)->size;
}

void BNFillMemory(void* destination, GSSize nBytes, UInt8 value) {
    if (destination == nullptr || nBytes <= 0) {
        return;
    }
    std::memset(destination, value, static_cast<std::size_t>(nBytes));
}

void* GS_calloc(std::size_t count, std::size_t size) {
    if (size != 0 && count > std::numeric_limits<std::size_t>::max() / size) {
        return nullptr;
    }
    return GS::AllocateCleared(count * size, GS::MemoryManager::NullOnFailure);
}

void GS_free(void* block) {
    GS::MemoryManager::Free(block);
}
