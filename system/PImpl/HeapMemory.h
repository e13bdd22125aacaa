#pragma once

// The heap's bank policy: the internal SRAM first, the external SRAM when it is full. Not
// synchronised; Velmora::HeapMemory runs every operation as one atomic call.

#include <cstddef>

namespace Driver
{
class SRAM;
}

namespace PImpl
{

class HeapMemory
{
public:
    static HeapMemory& GetInstance();

    // Null for 0 bytes and when neither bank can serve the request.
    void* Allocate(size_t size);
    // Null and pointers in neither bank are ignored.
    void Free(const void* pointer);
    // A new block of `size` bytes holding the old one's content (as much as fits), after which the
    // old block is freed. Null, with the old block untouched, when `size` is 0 or memory is short.
    void* ReAllocate(void* pointer, size_t size);

    HeapMemory(const HeapMemory&) = delete;
    HeapMemory& operator=(const HeapMemory&) = delete;

private:
    HeapMemory();

    Driver::SRAM* BankOf(const void* pointer) const;

    Driver::SRAM* m_banks[2];
};

} // namespace PImpl
