#pragma once

#include "GSRoot/Definitions.hpp"
#include "GSRoot/MemoryManager.hpp"

#include <new>
#include <utility>

namespace GS {

// A growable array whose storage always comes from GS::MemoryManager, so an array filled by a
// host library can be released by the add-on and the other way round.
template <typename T>
class Array {
public:
    Array() = default;
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;
    ~Array() { Clear(); }

    void Push(T item) {
        if (size == capacity)
            Grow();
        new (items + size) T(std::move(item));
        ++size;
    }

    void Clear() {
        for (USize i = 0; i < size; ++i)
            items[i].~T();
        MemoryManager::Free(items);
        items = nullptr;
        size = capacity = 0;
    }

    USize GetSize() const { return size; }
    bool IsEmpty() const { return size == 0; }
    T& operator[](UIndex index) { return items[index]; }
    const T& operator[](UIndex index) const { return items[index]; }
    T* begin() { return items; }
    T* end() { return items + size; }
    const T* begin() const { return items; }
    const T* end() const { return items + size; }

private:
    void Grow() {
        const USize newCapacity = capacity == 0 ? 8 : 2 * capacity;
        T* newItems = static_cast<T*>(
            MemoryManager::Allocate(sizeof(T) * newCapacity, MemoryManager::ThrowOnFailure, false));
        for (USize i = 0; i < size; ++i) {
            new (newItems + i) T(std::move(items[i]));
            items[i].~T();
        }
        MemoryManager::Free(items);
        items = newItems;
        capacity = newCapacity;
    }

    T* items = nullptr;
    USize size = 0;
    USize capacity = 0;
};

} // namespace GS
