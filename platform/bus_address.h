// The bus address of a memory object, as a bus master such as the DMA controller sees it.
//
// Board: the pointer's value. Host: pointers into the reserved physical address space (external
// SRAM, OTP, registers) give their physical address; any other host memory (statics, host heap,
// stack) is given an address in a window the virtual board maps onto it, so a DMA stream can reach
// it. Buffers on the stack map to memory the DMA cannot reach, as the core-coupled RAM that holds
// the stack on the board.
#pragma once

#include <stdint.h>

#if defined(__arm__)

#define VELMORA_BUS_ADDRESS(pointer) ((uint32_t)(uintptr_t)(pointer))

#else

namespace VelmoraHost
{
uint32_t BusAddressOf(const volatile void* pointer);
}

#define VELMORA_BUS_ADDRESS(pointer) (VelmoraHost::BusAddressOf(pointer))

#endif
