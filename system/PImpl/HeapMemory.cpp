#include "system/PImpl/HeapMemory.h"

#include "system/Driver/SRAM.h"

#include <cstring>
#include <limits>

namespace PImpl
{

HeapMemory::HeapMemory()
    : m_banks{&Driver::SRAM::GetInstance(Driver::SRAM::Bank::Internal),
              &Driver::SRAM::GetInstance(Driver::SRAM::Bank::External)}
{
}

HeapMemory& HeapMemory::GetInstance()
{
    static HeapMemory instance;
    return instance;
}

void* HeapMemory::Allocate(size_t size)
{
    // The banks count in 32 bits; a larger request must fail, not be served short.
    if (size == 0 || size > std::numeric_limits<unsigned>::max())
        return nullptr;
    for (Driver::SRAM* bank : m_banks)
        if (void* block = bank->Allocate(static_cast<unsigned>(size)))
            return block;
    return nullptr;
}

Driver::SRAM* HeapMemory::BankOf(const void* pointer) const
{
    for (Driver::SRAM* bank : m_banks)
        if (bank->Contains(pointer))
            return bank;
    return nullptr;
}

void HeapMemory::Free(const void* pointer)
{
    if (pointer == nullptr)
        return;
    if (Driver::SRAM* bank = BankOf(pointer))
        bank->Free(pointer);
}

void* HeapMemory::ReAllocate(void* pointer, size_t size)
{
    void* block = size == 0 ? nullptr : Allocate(size);
    Driver::SRAM* bank = BankOf(pointer);
    const size_t oldSize = bank == nullptr ? 0 : bank->GetAllocatedSize(pointer);
    if (block == nullptr)
        return nullptr;
    if (oldSize != 0)
        std::memcpy(block, pointer, oldSize < size ? oldSize : size);
    if (bank != nullptr)
        bank->Free(pointer);
    return block;
}

} // namespace PImpl
