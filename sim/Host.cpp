// The host side of the platform layer: the reserved physical address space, the bus and core
// entry points that register fields and core instructions call, and the start-up of the virtual
// board before any static constructor of the firmware.
#include "sim/Board.h"
#include "sim/Console.h"
#include "stm32f4xx.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" void hardware_init_hook() __attribute__((weak));

namespace VelmoraHost
{

uintptr_t g_addressSpaceBase = 0;

namespace
{

const uint64_t addressSpaceSize = 1ULL << 32;

// Regions that are plain memory on the chip: reads and writes there are ordinary loads and stores.
struct MemoryRegion
{
    uint32_t base;
    uint32_t size;
    uint8_t fill;
};
const MemoryRegion m_memoryRegions[] = {
    {CCMDATARAM_BASE, 0x10000, 0x00},  // core-coupled RAM, 64 KiB
    {SRAM1_BASE, 0x20000, 0x00},       // internal SRAM, 128 KiB
    {BKPSRAM_BASE, 0x1000, 0x00},      // backup SRAM, 4 KiB
    {0x1FFF7000, 0x1000, 0xFF},        // system memory page with the OTP area, unique ID, flash size
    {FSMC_BANK1_NORSRAM1, 4096000, 0}, // external SRAM on FSMC bank 1, NE1
};

void Fail(const char* what)
{
    std::perror(what);
    std::abort();
}

} // namespace

uintptr_t ReserveAddressSpace()
{
    if (g_addressSpaceBase != 0)
        return g_addressSpaceBase;
    // Reserve twice the size and keep the 4 GiB aligned half, so that the low 32 bits of a host
    // address inside it are the physical address.
    void* raw = mmap(nullptr, 2 * addressSpaceSize, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (raw == MAP_FAILED)
        Fail("virtual board: reserving the address space");
    const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t base = (start + addressSpaceSize - 1) & ~(addressSpaceSize - 1);
    if (base > start)
        munmap(raw, base - start);
    const uintptr_t end = start + 2 * addressSpaceSize;
    if (end > base + addressSpaceSize)
        munmap(reinterpret_cast<void*>(base + addressSpaceSize), end - (base + addressSpaceSize));

    for (const MemoryRegion& region : m_memoryRegions)
    {
        const uintptr_t page = 4096;
        const uintptr_t first = (base + region.base) & ~(page - 1);
        const uintptr_t last = (base + region.base + region.size + page - 1) & ~(page - 1);
        if (mprotect(reinterpret_cast<void*>(first), last - first, PROT_READ | PROT_WRITE) != 0)
            Fail("virtual board: mapping a memory region");
        std::memset(reinterpret_cast<void*>(base + region.base), region.fill, region.size);
    }
    g_addressSpaceBase = base;

    // Device identity: a unique ID and the flash size in KiB (1024 for the STM32F407VG).
    uint8_t* uid = reinterpret_cast<uint8_t*>(base + UID_BASE);
    const uint8_t id[12] = {0x31, 0x00, 0x2A, 0x00, 0x0D, 0x47, 0x31, 0x30, 0x33, 0x34, 0x37, 0x33};
    std::memcpy(uid, id, sizeof id);
    const uint16_t flashKiB = 1024;
    std::memcpy(reinterpret_cast<void*>(base + FLASHSIZE_BASE), &flashKiB, sizeof flashKiB);
    return base;
}

uint32_t BusRead(uint32_t address, unsigned size)
{
    return Sim::Board::Instance().Read(address, size, __builtin_return_address(0));
}

void BusWrite(uint32_t address, uint32_t value, unsigned size)
{
    Sim::Board::Instance().Write(address, value, size, __builtin_return_address(0));
}

void BusWriteAddress(uint32_t address, uint64_t value) { Sim::Board::Instance().WriteAddress(address, value); }

void CoreNop() { Sim::Board::Instance().Nop(); }

void CoreSetPrimask(uint32_t value) { Sim::Board::Instance().core().SetPrimask((value & 1) != 0); }

uint32_t CoreGetPrimask() { return Sim::Board::Instance().core().Primask() ? 1 : 0; }

uintptr_t CoreGetMsp() { return Sim::Board::Instance().core().MainStackPointer(); }

uintptr_t CoreGetPsp() { return Sim::Board::Instance().core().ProcessStackPointer(); }

void CoreSetPsp(uintptr_t value) { Sim::Board::Instance().core().SetProcessStackPointer(value); }

uint32_t CoreGetControl() { return 0; } // privileged thread mode on the main stack, FPU context off

uint32_t CoreGetExcReturn() { return Sim::Board::Instance().core().ExcReturn(); }

void CoreSupervisorCall(uintptr_t r0, uintptr_t r1, uintptr_t r2, uintptr_t r3)
{
    Sim::Board::Instance().core().SupervisorCall(r0, r1, r2, r3);
}

} // namespace VelmoraHost

namespace
{

// Runs before every static constructor of default priority: the board exists (as it does at
// power-on) and the firmware's hardware hook has run by the time the library binds its globals.
__attribute__((constructor(101))) void StartVirtualBoard()
{
    VelmoraHost::ReserveAddressSpace();
    Sim::Board::Instance();
    // The console carries what the firmware prints, from its very first line.
    Sim::Console::Install();
    if (hardware_init_hook != nullptr)
        hardware_init_hook();
}

} // namespace
