#include "sim/Memory.h"

#include "stm32f4xx.h"

#include <pthread.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace Sim
{

namespace
{

struct Region
{
    uint32_t base;
    uint32_t size;
    bool dmaReachable;
    bool writable;
};

// A window maps 32 MB of bus addresses onto the host memory from a 16 MB-aligned host address,
// so an object that starts in the first 16 MB may extend up to 16 MB past it.
constexpr uintptr_t chunkSize = uintptr_t(16) << 20;
constexpr uint32_t windowSize = uint32_t(32) << 20;

struct Window
{
    uintptr_t hostBase;
    uint32_t busBase;
    bool dmaReachable;
};

std::vector<Region>& Regions()
{
    // The plain-memory regions of the reserved address space (sim/Host.cpp). The DMA controllers
    // reach SRAM, backup SRAM, flash and the external memories, never the core-coupled RAM.
    static std::vector<Region> regions = {
        {CCMDATARAM_BASE, 0x10000, false, true},
        {SRAM1_BASE, 0x20000, true, true},
        {BKPSRAM_BASE, 0x1000, true, true},
        {0x1FFF7000, 0x1000, true, false}, // system memory page with the OTP bytes: programmed, not written
        {FSMC_BANK1_NORSRAM1, 4096000, true, true},
    };
    return regions;
}

std::vector<Window>& Windows()
{
    static std::vector<Window> windows;
    return windows;
}

// The stack of the thread that runs the firmware stands for the core-coupled RAM, which holds
// the stack on the board and which no DMA reaches.
bool OnHostStack(uintptr_t address)
{
    static uintptr_t low = 0;
    static uintptr_t high = 0;
    if (high == 0)
    {
        pthread_attr_t attributes;
        if (pthread_getattr_np(pthread_self(), &attributes) == 0)
        {
            void* stack = nullptr;
            size_t size = 0;
            if (pthread_attr_getstack(&attributes, &stack, &size) == 0)
            {
                low = reinterpret_cast<uintptr_t>(stack);
                high = low + size;
            }
            pthread_attr_destroy(&attributes);
        }
        if (high == 0)
            high = 1;
    }
    return address >= low && address < high;
}

} // namespace

void Memory::AddRegion(uint32_t base, uint32_t size, bool dmaReachable, bool writable)
{
    Regions().push_back({base, size, dmaReachable, writable});
}

uint8_t* Memory::At(uint32_t address, uint32_t size, bool& dmaReachable)
{
    if (address >= windowsBase && address < windowsEnd)
    {
        for (const Window& window : Windows())
        {
            if (address >= window.busBase && address - window.busBase + size <= windowSize)
            {
                dmaReachable = window.dmaReachable;
                return reinterpret_cast<uint8_t*>(window.hostBase + (address - window.busBase));
            }
        }
        return nullptr;
    }
    for (const Region& region : Regions())
    {
        if (address >= region.base && address - region.base + size <= region.size)
        {
            dmaReachable = region.dmaReachable;
            return reinterpret_cast<uint8_t*>(VelmoraHost::g_addressSpaceBase + address);
        }
    }
    return nullptr;
}

bool Memory::Writable(uint32_t address)
{
    if (address >= windowsBase && address < windowsEnd)
        return true;
    for (const Region& region : Regions())
    {
        if (address >= region.base && address - region.base < region.size)
            return region.writable;
    }
    return false;
}

uint32_t Memory::BusAddressOf(const volatile void* pointer)
{
    const uintptr_t host = reinterpret_cast<uintptr_t>(pointer);
    if (host == 0)
        return 0;
    const uintptr_t base = VelmoraHost::g_addressSpaceBase;
    if (base != 0 && host >= base && host - base <= 0xFFFFFFFFu)
        return static_cast<uint32_t>(host - base);

    const uintptr_t chunk = host & ~(chunkSize - 1);
    std::vector<Window>& windows = Windows();
    for (const Window& window : windows)
    {
        if (window.hostBase == chunk)
            return window.busBase + static_cast<uint32_t>(host - chunk);
    }
    const uint64_t busBase = uint64_t(windowsBase) + uint64_t(windows.size()) * windowSize;
    if (busBase + windowSize > windowsEnd)
    {
        std::fprintf(stderr, "virtual board: no window left for host memory at %p\n", const_cast<void*>(pointer));
        std::abort();
    }
    windows.push_back({chunk, static_cast<uint32_t>(busBase), !OnHostStack(host)});
    return static_cast<uint32_t>(busBase) + static_cast<uint32_t>(host - chunk);
}

} // namespace Sim

namespace VelmoraHost
{

uint32_t BusAddressOf(const volatile void* pointer)
{
    return Sim::Memory::BusAddressOf(pointer);
}

} // namespace VelmoraHost
