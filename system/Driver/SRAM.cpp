#include "system/Driver/SRAM.h"

#include "system/Driver/FSMC.h"

#include "stm32f4xx.h"

#include <cstring>

#if defined(VELMORA_BOARD_BUILD)
// End of the zero-initialised data, from the board's link.
extern "C" char _ebss;
#endif

namespace Driver
{

// Links are bus addresses (0 for none) rather than pointers, so the header is 20 bytes on the
// board and on the virtual board alike.
struct SRAM::BlockHeader
{
    uint32_t size; // user bytes, a multiple of 4
    uint32_t previous;
    uint32_t next;
    bool free;
    uint32_t check; // the user area's address: tells a block from any other pointer
};

namespace
{

constexpr uint32_t internalEnd = 0x20020000; // end of the 128 KB main SRAM
constexpr uint32_t externalBase = 0x60000000;
constexpr uint32_t externalSize = 4096000;
// A block needs its header and at least 4 user bytes; splitting must leave more than that.
constexpr uint32_t minimumSplit = 24;

uint32_t InternalBase()
{
#if defined(VELMORA_BOARD_BUILD)
    return (static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&_ebss)) + 3u) & ~3u;
#else
    // The virtual board keeps the firmware's static data in host memory, so the whole main SRAM
    // is left for the heap.
    return SRAM1_BASE;
#endif
}

} // namespace

SRAM& SRAM::GetInstance(Bank bank)
{
    static SRAM banks[2] = {SRAM(InternalBase(), internalEnd - InternalBase(), false),
                            SRAM(externalBase, externalSize, true)};
    return banks[bank == Bank::External ? 1 : 0];
}

SRAM::SRAM(uint32_t base, uint32_t size, bool external)
    : m_base(base), m_size(size), m_external(external), m_first(nullptr), m_top(base)
{
    static_assert(sizeof(BlockHeader) == headerSize, "the block header is 20 bytes");
    if (external)
        FSMC::GetInstance().EnableBank(FSMC::SRAMBank::Region0, 1, 0, 2, 0);
    std::memset(VELMORA_PHYS(uint8_t, base), 0, size);
}

SRAM::BlockHeader* SRAM::Header(uint32_t address) const
{
    return address == 0 ? nullptr : VELMORA_PHYS(BlockHeader, address);
}

uint32_t SRAM::AddressOf(const void* pointer) const
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer) -
                                 reinterpret_cast<uintptr_t>(VELMORA_PHYS(uint8_t, 0)));
}

bool SRAM::Contains(const void* pointer) const
{
    const uintptr_t at = reinterpret_cast<uintptr_t>(pointer);
    const uintptr_t base = reinterpret_cast<uintptr_t>(VELMORA_PHYS(uint8_t, m_base));
    return at >= base && at - base < m_size;
}

// The header of the live block whose user area starts at `pointer`, or null.
SRAM::BlockHeader* SRAM::LiveBlock(const void* pointer) const
{
    if (m_first == nullptr || !Contains(pointer))
        return nullptr;
    const uint32_t address = AddressOf(pointer);
    const uint32_t first = AddressOf(m_first);
    if (address <= first || address >= m_top || address - m_base < headerSize || (address & 3u) != 0)
        return nullptr;
    uint32_t check;
    std::memcpy(&check, VELMORA_PHYS(uint8_t, address - 4), sizeof check);
    if (check != address)
        return nullptr;
    BlockHeader* block = Header(address - headerSize);
    // A freed block keeps its check word until it is merged away; freeing it again, or asking
    // its size, must not treat it as live.
    return block->free ? nullptr : block;
}

SRAM::BlockHeader* SRAM::Append(uint32_t size)
{
    if (static_cast<uint64_t>(m_top) + size + headerSize > static_cast<uint64_t>(m_base) + m_size)
        return nullptr;
    BlockHeader* block = Header(m_top);
    block->size = size;
    block->next = 0;
    block->free = false;
    block->check = m_top + headerSize;
    if (m_first == nullptr)
    {
        block->previous = 0;
        m_first = block;
    }
    else
    {
        BlockHeader* last = m_first;
        while (last->next != 0)
            last = Header(last->next);
        block->previous = AddressOf(last);
        last->next = m_top;
    }
    m_top += headerSize + size;
    return block;
}

void* SRAM::Allocate(unsigned size)
{
    // Sizes past what any bank holds are refused before rounding, which would wrap them to 0.
    if (size == 0 || size > m_size)
        return nullptr;
    const uint32_t rounded = ((size - 1) & ~3u) + 4;

    for (BlockHeader* block = m_first; block != nullptr; block = Header(block->next))
    {
        if (!block->free || block->size < rounded)
            continue;
        if (block->size - rounded >= minimumSplit)
        {
            const uint32_t address = AddressOf(block);
            const uint32_t restAddress = address + headerSize + rounded;
            BlockHeader* rest = Header(restAddress);
            rest->size = block->size - rounded - headerSize;
            rest->previous = address;
            rest->next = block->next;
            rest->free = true;
            rest->check = restAddress + headerSize;
            if (block->next != 0)
                Header(block->next)->previous = restAddress;
            block->next = restAddress;
            block->size = rounded;
        }
        block->free = false;
        return reinterpret_cast<uint8_t*>(block) + headerSize;
    }

    BlockHeader* block = Append(rounded);
    return block == nullptr ? nullptr : reinterpret_cast<uint8_t*>(block) + headerSize;
}

// Takes the last block off the list and gives its space back to top.
void SRAM::RemoveLast(BlockHeader* block)
{
    if (block->previous == 0)
        m_first = nullptr;
    else
        Header(block->previous)->next = 0;
    block->check = 0;
    m_top = AddressOf(block);
}

void SRAM::Free(const void* pointer)
{
    BlockHeader* block = LiveBlock(pointer);
    if (block == nullptr)
        return;
    block->free = true;

    BlockHeader* previous = Header(block->previous);
    if (previous != nullptr && previous->free)
    {
        previous->size += headerSize + block->size;
        previous->next = block->next;
        // The merged header is now inside a free area: a stale pointer to it must not pass.
        block->check = 0;
        block = previous;
    }
    if (block->next == 0)
    {
        RemoveLast(block);
        return;
    }
    BlockHeader* next = Header(block->next);
    next->previous = AddressOf(block);
    if (next->free)
    {
        // Kept as a free block even when it is the last one; top only falls when a block that
        // is freed is the last.
        block->size += headerSize + next->size;
        block->next = next->next;
        if (next->next != 0)
            Header(next->next)->previous = AddressOf(block);
        next->check = 0;
    }
}

unsigned SRAM::GetAllocatedSize(const void* pointer) const
{
    const BlockHeader* block = LiveBlock(pointer);
    return block == nullptr ? 0 : block->size;
}

} // namespace Driver
