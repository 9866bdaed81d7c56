// GrowArray.h - the growable array that holds every list of the program.
//
// Elements are plain fixed-layout records, moved and copied bytewise; no
// constructor or destructor of an element ever runs. Sizes are checked before
// any arithmetic: a request that would overflow is refused, never wrapped.
#pragma once

#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <type_traits>

template <typename T>
struct GrowArray {
    int32_t count;      // elements in use
    T*      data;       // storage, null exactly when capacity is 0
    int32_t growStep;   // -1 doubles on growth; a positive value adds that many
    int32_t capacity;   // elements the storage holds
    uint8_t notOwned;   // storage belongs to somebody else: never freed here
};

// Largest element count any array may reach: the count is 32-bit signed and
// the block size must stay representable.
template <typename T>
constexpr int64_t GrowArrayMaxCount()
{
    return (uint64_t)(SIZE_MAX / sizeof(T)) < (uint64_t)INT32_MAX
               ? (int64_t)(SIZE_MAX / sizeof(T))
               : (int64_t)INT32_MAX;
}

template <typename T>
void InitGrowArray(GrowArray<T>* a)
{
    static_assert(std::is_trivially_copyable<T>::value, "elements are moved bytewise");
    a->count = 0;
    a->data = nullptr;
    a->growStep = -1;
    a->capacity = 0;
    a->notOwned = 0;
}

// Clears the array; the storage is freed unless it is not owned.
template <typename T>
void FreeGrowArray(GrowArray<T>* a)
{
    if (!a->notOwned) free(a->data);
    a->data = nullptr;
    a->count = 0;
    a->capacity = 0;
}

// Resizes the storage to exactly newCapacity elements. A capacity equal to the
// current count changes nothing and succeeds; 0 or less empties the array and
// reports false, as stored-list readers expect.
template <typename T>
bool ArraySetCapacity(GrowArray<T>* a, int32_t newCapacity, int32_t growStep)
{
    if (newCapacity == a->count) return true;
    if (newCapacity <= 0) {
        FreeGrowArray(a);
        return false;
    }
    if ((int64_t)newCapacity > GrowArrayMaxCount<T>()) return false;
    T* block = (T*)malloc((size_t)newCapacity * sizeof(T));
    if (!block) return false;
    int32_t keep = a->count < newCapacity ? a->count : newCapacity;
    if (keep > 0) memcpy((void*)block, (const void*)a->data, (size_t)keep * sizeof(T));
    if (!a->notOwned) free(a->data);
    a->data = block;
    a->notOwned = 0;
    a->count = keep;
    a->capacity = newCapacity;
    a->growStep = growStep;
    return true;
}

// Inserts n elements at index (clamped to 0..count) and returns where they now
// stand, or -1. The source may lie inside the array itself.
template <typename T>
int32_t ArrayInsertAt(GrowArray<T>* a, const T* src, int32_t index, int32_t n)
{
    if (!src || n < 1) return -1;
    if (index < 0) index = 0;
    if (index > a->count) index = a->count;

    int64_t need = (int64_t)a->count + n;
    if (need > GrowArrayMaxCount<T>()) return -1;

    // The tail move or a new block would pull the source away under us.
    T* staged = nullptr;
    const char* s = (const char*)src;
    const char* lo = (const char*)a->data;
    if (a->data && s < lo + (size_t)a->capacity * sizeof(T) && s + (size_t)n * sizeof(T) > lo) {
        staged = (T*)malloc((size_t)n * sizeof(T));
        if (!staged) return -1;
        memcpy((void*)staged, (const void*)src, (size_t)n * sizeof(T));
        src = staged;
    }

    int64_t candidate = a->capacity;
    if (candidate == 0) candidate = a->growStep >= 1 ? a->growStep : 16;
    while (candidate < need) {
        // Any step that is not a positive count doubles: 0 would never end.
        candidate = a->growStep >= 1 ? candidate + a->growStep : candidate * 2;
    }
    if (candidate > GrowArrayMaxCount<T>()) candidate = need;
    if (candidate != a->capacity && !ArraySetCapacity(a, (int32_t)candidate, a->growStep)) {
        free(staged);
        return -1;
    }

    size_t tail = (size_t)(a->count - index);
    if (tail) memmove((void*)(a->data + index + n), (const void*)(a->data + index), tail * sizeof(T));
    memcpy((void*)(a->data + index), (const void*)src, (size_t)n * sizeof(T));
    a->count += n;
    free(staged);
    return index;
}

template <typename T>
int32_t ArrayInsertAt(GrowArray<T>* a, const T* src, int32_t index)
{
    return ArrayInsertAt(a, src, index, 1);
}

template <typename T>
int32_t ArrayAppend(GrowArray<T>* a, const T* src)
{
    return ArrayInsertAt(a, src, a->count, 1);
}

// Appends n elements; returns the index of the first, or -1.
template <typename T>
int32_t ArrayAppendN(GrowArray<T>* a, const T* src, int32_t n)
{
    return ArrayInsertAt(a, src, a->count, n);
}

template <typename T>
void ArrayRemoveAt(GrowArray<T>* a, int32_t index)
{
    if (index < 0 || index >= a->count) return;
    size_t tail = (size_t)(a->count - index - 1);
    if (tail) memmove((void*)(a->data + index), (const void*)(a->data + index + 1), tail * sizeof(T));
    a->count--;
}

// Makes target a bytewise copy of source. False when the capacity change fails,
// which includes copying an empty source over a non-empty target.
template <typename T>
bool ArrayCopyFrom(const GrowArray<T>* source, GrowArray<T>* target)
{
    if (source == target) return true;
    if (!ArraySetCapacity(target, source->count, source->growStep)) return false;
    target->count = source->count;
    if (source->count > 0)
        memcpy((void*)target->data, (const void*)source->data, (size_t)source->count * sizeof(T));
    return true;
}

// Callers pass valid indices.
template <typename T>
void ArraySwapItems(GrowArray<T>* a, int32_t i, int32_t j)
{
    T* temp = (T*)malloc(sizeof(T));
    if (!temp) return;
    memcpy((void*)temp, (const void*)&a->data[i], sizeof(T));
    memmove((void*)&a->data[i], (const void*)&a->data[j], sizeof(T));
    memcpy((void*)&a->data[j], (const void*)temp, sizeof(T));
    free(temp);
}

// Frees the block a one-pointer holder keeps and clears the pointer.
inline void FreeHeldBuffer(void** holder)
{
    if (holder && *holder) {
        free(*holder);
        *holder = nullptr;
    }
}
