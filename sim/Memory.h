// Plain memory as the virtual board's bus masters (the DMA controller) see it: the memory regions
// of the physical address space, and windows onto host memory that the firmware hands to a bus
// master by its bus address (VELMORA_BUS_ADDRESS).
#pragma once

#include <cstdint>

namespace Sim
{

class Memory
{
public:
    // Declares plain memory at [base, base + size) of the reserved physical address space.
    // `dmaReachable`: whether the DMA controllers reach it over the bus matrix; `writable`:
    // whether a bus master may write it (flash and OTP are programmed, not written).
    static void AddRegion(uint32_t base, uint32_t size, bool dmaReachable, bool writable);

    // The host bytes behind [address, address + size), or nullptr when no memory is there.
    static uint8_t* At(uint32_t address, uint32_t size, bool& dmaReachable);
    static bool Writable(uint32_t address);

    // The bus address of host memory (see VELMORA_BUS_ADDRESS).
    static uint32_t BusAddressOf(const volatile void* pointer);

    // The first address of the windows onto host memory; nothing else of the chip lives there.
    static constexpr uint32_t windowsBase = 0xB0000000;
    static constexpr uint32_t windowsEnd = 0xE0000000;
};

} // namespace Sim
