#pragma once

#include <cstddef>

namespace Velmora
{

// The firmware's heap: every malloc, free, realloc, calloc, new and delete ends here. Each
// operation is one atomic call, so the heap may be used from interrupt handlers too. Memory comes
// from the internal SRAM first and from the external SRAM once that is full.
class HeapMemory
{
public:
    static HeapMemory& GetInstance();

    // Null for 0 bytes and when memory is exhausted.
    void* Allocate(size_t size);
    // Null, foreign pointers and blocks already freed are ignored.
    void Deallocate(const void* pointer);
    // Moves the block to a new one of `size` bytes; null (the old block still valid) for 0 bytes
    // or when memory is exhausted. A null pointer allocates.
    void* ReAllocate(void* pointer, size_t size);

    HeapMemory(const HeapMemory&) = delete;
    HeapMemory& operator=(const HeapMemory&) = delete;

private:
    HeapMemory() = default;
};

extern HeapMemory& heapMemory;

} // namespace Velmora
