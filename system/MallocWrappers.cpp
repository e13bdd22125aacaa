// The C library's allocator entry points, replaced at link time (--wrap) so that malloc, free,
// realloc, calloc, new and delete all reach the firmware's heap. The re-entrancy record is not
// needed: the heap serialises itself.

#include "system/HeapMemory.h"

#include <cstddef>
#include <cstring>

struct _reent;

extern "C"
{

void* __wrap__malloc_r(struct _reent*, size_t size)
{
    return Velmora::HeapMemory::GetInstance().Allocate(size);
}

void __wrap__free_r(struct _reent*, void* pointer)
{
    Velmora::HeapMemory::GetInstance().Deallocate(pointer);
}

void* __wrap__realloc_r(struct _reent*, void* pointer, size_t size)
{
    return Velmora::HeapMemory::GetInstance().ReAllocate(pointer, size);
}

void* __wrap__calloc_r(struct _reent*, size_t count, size_t size)
{
    // A product that does not fit would allocate a short block that the caller then overruns.
    if (size != 0 && count > static_cast<size_t>(-1) / size)
        return nullptr;
    const size_t total = count * size;
    void* block = Velmora::HeapMemory::GetInstance().Allocate(total);
    if (block != nullptr)
        std::memset(block, 0, total);
    return block;
}

} // extern "C"
