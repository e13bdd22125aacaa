// Register field types and fixed-address access, shared by the board and the virtual board.
//
// Board: a register field is a volatile integer at its fixed address.
// Host: a register field is a routed object of the same size. The whole 32-bit physical address
// space is reserved once (4 GiB aligned, no access), so a register's host address is the
// reservation base plus its physical address; the physical address is simply the low 32 bits of
// the object's own address. Reads and writes of the object go to the simulator's bus, which
// hands them to the model owning that address. Address arithmetic ("GPIOA + n x 0x400", a DMA
// stream block from its number) therefore keeps working unchanged, and so does converting a
// register's address to uint32_t (DMA peripheral addresses): the truncation yields the physical
// address.
//
// Plain-memory regions (external SRAM at 0x60000000, the one-time-programmable bytes at
// 0x1FFF7800) are real host memory inside the reservation; ordinary pointers work there.
//
// One difference shows in source: on the host a discarded read such as `(void)USART1->DR;` or a
// bare `I2C1->SR2;` is not a read (a cast to void calls nothing). Where reading has an effect
// (clearing a flag), read into a variable: `const uint32_t sr2 = I2C1->SR2; (void)sr2;` works on
// both builds.
//
// Address registers (DMA memory and peripheral addresses) are written with `(uintptr_t)pointer`:
// on the board that is the 32-bit address; on the host the board also keeps the full host pointer
// (Board::HostAddress), so a transfer can reach a buffer anywhere in host memory.
//
// Fixed addresses are written with VELMORA_PHYS(type, address), which yields a `type*` on both
// builds, e.g. `const uint8_t* otp = VELMORA_PHYS(const uint8_t, 0x1FFF7800);` or
// `VELMORA_PHYS(__IO16, 0x68000000)` for a 16-bit bus register.
#pragma once

#include <stdint.h>
#ifdef __cplusplus
#include <type_traits>
#endif

#define __I volatile const
#define __O volatile
#define __IO volatile

#if defined(__arm__)

#define VELMORA_BOARD_BUILD 1

typedef volatile uint32_t __IO32;
typedef volatile uint16_t __IO16;
typedef volatile uint8_t __IO8;

#define VELMORA_PHYS(type, address) ((type*)(uintptr_t)(address))

#else // host

#define VELMORA_HOST_BUILD 1

#ifndef __cplusplus
#error "On the host the device header is C++ only (register fields are routed objects)"
#endif

namespace VelmoraHost
{

// Base of the 4 GiB reservation holding the physical address space. Zero until the virtual board
// is created (which happens before any static constructor of the firmware).
extern uintptr_t g_addressSpaceBase;

// Creates the reservation if it does not exist yet; returns its base.
uintptr_t ReserveAddressSpace();

// Simulator bus entry points (implemented by the virtual board). `size` is 1, 2 or 4 bytes.
uint32_t BusRead(uint32_t address, unsigned size);
void BusWrite(uint32_t address, uint32_t value, unsigned size);
// A 32-bit register written with a value wider than 32 bits: a host pointer stored as an address
// (DMA memory addresses). The register gets the low half; the board remembers the whole value.
void BusWriteAddress(uint32_t address, uint64_t value);

// A register field: the size of T, routed to the bus by its own address.
template <typename T> class Register
{
public:
    Register() = delete;
    Register(const Register&) = delete;

    operator T() const { return static_cast<T>(BusRead(Address(), sizeof(T))); }

    Register& operator=(T value)
    {
        BusWrite(Address(), static_cast<uint32_t>(value), sizeof(T));
        return *this;
    }
    // An address register written with `(uintptr_t)pointer`: on the host the pointer is 64 bits
    // wide; the model sees the low half as the register value and can recover the host pointer.
    template <typename U,
              typename std::enable_if<std::is_integral<U>::value && (sizeof(U) > sizeof(T)) && sizeof(T) == 4,
                                      int>::type = 0>
    Register& operator=(U value)
    {
        BusWriteAddress(Address(), static_cast<uint64_t>(value));
        return *this;
    }
    // Copying one register into another is a read followed by a write, as on the core.
    Register& operator=(const Register& other) { return *this = static_cast<T>(other); }

    Register& operator|=(T value) { return *this = static_cast<T>(static_cast<T>(*this) | value); }
    Register& operator&=(T value) { return *this = static_cast<T>(static_cast<T>(*this) & value); }
    Register& operator^=(T value) { return *this = static_cast<T>(static_cast<T>(*this) ^ value); }
    Register& operator+=(T value) { return *this = static_cast<T>(static_cast<T>(*this) + value); }
    Register& operator-=(T value) { return *this = static_cast<T>(static_cast<T>(*this) - value); }
    Register& operator<<=(unsigned n) { return *this = static_cast<T>(static_cast<T>(*this) << n); }
    Register& operator>>=(unsigned n) { return *this = static_cast<T>(static_cast<T>(*this) >> n); }

    // The physical address: the reservation is 4 GiB aligned.
    uint32_t Address() const { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this)); }

private:
    alignas(T) unsigned char m_storage[sizeof(T)];
};

} // namespace VelmoraHost

typedef VelmoraHost::Register<uint32_t> __IO32;
typedef VelmoraHost::Register<uint16_t> __IO16;
typedef VelmoraHost::Register<uint8_t> __IO8;

#define VELMORA_PHYS(type, address)                                                                    \
    (reinterpret_cast<type*>(VelmoraHost::g_addressSpaceBase + static_cast<uintptr_t>(address)))

#endif
