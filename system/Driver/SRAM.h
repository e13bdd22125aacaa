#pragma once

// One allocator per memory bank: a first-fit list of headed blocks carved upward from the start of
// the bank. The functions hold no lock; the heap facade calls them inside an atomic call.

#include <cstdint>

namespace Driver
{

class SRAM
{
public:
    enum class Bank : uint8_t
    {
        Internal = 0, // what the static data leaves of the 128 KB main SRAM
        External = 1, // the 4,096,000-byte SRAM on FSMC bank 1, region 1 (NE1)
    };

    // Bytes in front of every block's user area.
    static constexpr unsigned headerSize = 20;

    // Both banks come up together on the first call, internal first; each is zero-filled, the
    // external one after its FSMC region is enabled.
    static SRAM& GetInstance(Bank bank);

    // A block of at least `size` bytes aligned to 4, or null when the bank cannot serve it (also
    // for 0 and for sizes no bank could ever hold).
    void* Allocate(unsigned size);
    // Frees a live block of this bank; any other pointer (foreign, stray, already freed) is
    // ignored.
    void Free(const void* pointer);
    // The user size of a live block of this bank, else 0.
    unsigned GetAllocatedSize(const void* pointer) const;
    // Whether the pointer lies inside the bank (block or not).
    bool Contains(const void* pointer) const;

    // The bank's bus addresses: its first byte, its size and the first byte after the last block.
    uint32_t GetBase() const { return m_base; }
    uint32_t GetSize() const { return m_size; }
    uint32_t GetTop() const { return m_top; }
    bool IsExternal() const { return m_external; }

    SRAM(const SRAM&) = delete;
    SRAM& operator=(const SRAM&) = delete;

private:
    struct BlockHeader;

    SRAM(uint32_t base, uint32_t size, bool external);

    BlockHeader* Header(uint32_t address) const;
    uint32_t AddressOf(const void* pointer) const;
    BlockHeader* LiveBlock(const void* pointer) const;
    BlockHeader* Append(uint32_t size);
    void RemoveLast(BlockHeader* block);

    uint32_t m_base;
    uint32_t m_size;
    bool m_external;
    BlockHeader* m_first;
    uint32_t m_top;
};

} // namespace Driver
