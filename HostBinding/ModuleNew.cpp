// The module's global new and delete go to the host's allocator. The version script keeps them
// inside the module, so the host's own allocations are not affected.

#include "GSRoot/MemoryManager.hpp"

#include <cstdint>
#include <new>

namespace {

constexpr std::size_t NaturalAlignment = 16;

void* Allocate(std::size_t size, GS::MemoryManager::ExceptionBehavior behavior) {
    return GS::MemoryManager::Allocate(size, behavior, true);
}

// Over-aligned blocks keep the host block's address just before the aligned pointer.
void* AllocateAligned(std::size_t size, std::align_val_t alignment,
                      GS::MemoryManager::ExceptionBehavior behavior) {
    const auto align = static_cast<std::size_t>(alignment);
    if (align <= NaturalAlignment)
        return Allocate(size, behavior);
    void* block = Allocate(size + align + sizeof(void*), behavior);
    if (block == nullptr)
        return nullptr;
    auto address = reinterpret_cast<std::uintptr_t>(block) + sizeof(void*);
    address = (address + align - 1) & ~(std::uintptr_t(align) - 1);
    reinterpret_cast<void**>(address)[-1] = block;
    return reinterpret_cast<void*>(address);
}

void FreeAligned(void* pointer, std::align_val_t alignment) {
    if (pointer == nullptr)
        return;
    if (static_cast<std::size_t>(alignment) <= NaturalAlignment)
        GS::MemoryManager::Free(pointer);
    else
        GS::MemoryManager::Free(static_cast<void**>(pointer)[-1]);
}

} // namespace

void* operator new(std::size_t size) {
    return Allocate(size, GS::MemoryManager::ThrowOnFailure);
}

void* operator new[](std::size_t size) {
    return Allocate(size, GS::MemoryManager::ThrowOnFailure);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size, GS::MemoryManager::NullOnFailure);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size, GS::MemoryManager::NullOnFailure);
}

void* operator new(std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, alignment, GS::MemoryManager::ThrowOnFailure);
}

void* operator new[](std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, alignment, GS::MemoryManager::ThrowOnFailure);
}

void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return AllocateAligned(size, alignment, GS::MemoryManager::NullOnFailure);
}

void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return AllocateAligned(size, alignment, GS::MemoryManager::NullOnFailure);
}

void operator delete(void* pointer) noexcept {
    GS::MemoryManager::Free(pointer);
}

void operator delete[](void* pointer) noexcept {
    GS::MemoryManager::Free(pointer);
}

void operator delete(void* pointer, std::size_t) noexcept {
    GS::MemoryManager::Free(pointer);
}

void operator delete[](void* pointer, std::size_t) noexcept {
    GS::MemoryManager::Free(pointer);
}

void operator delete(void* pointer, const std::nothrow_t&) noexcept {
    GS::MemoryManager::Free(pointer);
}

void operator delete[](void* pointer, const std::nothrow_t&) noexcept {
    GS::MemoryManager::Free(pointer);
}

void operator delete(void* pointer, std::align_val_t alignment) noexcept {
    FreeAligned(pointer, alignment);
}

void operator delete[](void* pointer, std::align_val_t alignment) noexcept {
    FreeAligned(pointer, alignment);
}

void operator delete(void* pointer, std::size_t, std::align_val_t alignment) noexcept {
    FreeAligned(pointer, alignment);
}

void operator delete[](void* pointer, std::size_t, std::align_val_t alignment) noexcept {
    FreeAligned(pointer, alignment);
}

void operator delete(void* pointer, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    FreeAligned(pointer, alignment);
}

void operator delete[](void* pointer, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    FreeAligned(pointer, alignment);
}
