// Minimal start code for the emulated Cortex-M4 (QEMU's mps2-an386): vector table, reset,
// semihosting for output and exit, and the heap in the board's PSRAM. Only what the check needs:
// faults end the run with a failure.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <errno.h>

extern "C"
{
extern std::uint32_t __data_load[];
extern std::uint32_t __data_start[];
extern std::uint32_t __data_end[];
extern std::uint32_t __bss_start__[];
extern std::uint32_t __bss_end__[];
extern std::uint32_t __stack_top[];
extern char __heap_start[];
extern char __heap_end[];

void __libc_init_array();
int main();
void Reset_Handler();
void Fault_Handler();
}

namespace
{
// Semihosting operations and the exit reasons QEMU turns into its own exit status.
constexpr int semihostingWriteC = 0x03;
constexpr int semihostingExit = 0x18;
constexpr int exitSuccess = 0x20026;
constexpr int exitFailure = 0x20023;

int Semihost(int operation, const void* argument)
{
    register int r0 __asm__("r0") = operation;
    register const void* r1 __asm__("r1") = argument;
    __asm__ volatile("bkpt 0xAB" : "+r"(r0) : "r"(r1) : "memory");
    return r0;
}

[[noreturn]] void Stop(int status)
{
    Semihost(semihostingExit, reinterpret_cast<const void*>(status == 0 ? exitSuccess : exitFailure));
    for (;;)
    {
    }
}

char* m_heapTop = __heap_start;
}

extern "C" void Reset_Handler()
{
    // Floating point on (CP10 and CP11 full access) before any code that may use it.
    *reinterpret_cast<volatile std::uint32_t*>(0xE000ED88) |= 0xFu << 20;
    __asm__ volatile("dsb\n\tisb");

    for (std::uint32_t *from = __data_load, *to = __data_start; to < __data_end;)
    {
        *to++ = *from++;
    }
    for (std::uint32_t* p = __bss_start__; p < __bss_end__;)
    {
        *p++ = 0;
    }
    __libc_init_array();
    std::exit(main());
}

extern "C" void Fault_Handler()
{
    static const char message[] = "fault\n";
    for (const char* c = message; *c != 0; ++c)
    {
        Semihost(semihostingWriteC, c);
    }
    Stop(1);
}

// Initial stack pointer, reset, and the faults (NMI, hard, memory, bus, usage); nothing else is
// enabled.
__attribute__((section(".vectors"), used)) const void* const m_vectors[7] = {
    __stack_top,
    reinterpret_cast<const void*>(Reset_Handler),
    reinterpret_cast<const void*>(Fault_Handler),
    reinterpret_cast<const void*>(Fault_Handler),
    reinterpret_cast<const void*>(Fault_Handler),
    reinterpret_cast<const void*>(Fault_Handler),
    reinterpret_cast<const void*>(Fault_Handler)};

// The C library's system calls: standard output and error go to the host, the heap grows up
// through the PSRAM, exit ends the emulation with the program's status.
extern "C" int _write(int file, const char* data, int length)
{
    if (file != 1 && file != 2)
    {
        errno = EBADF;
        return -1;
    }
    for (int i = 0; i < length; ++i)
    {
        Semihost(semihostingWriteC, data + i);
    }
    return length;
}

extern "C" void* _sbrk(std::ptrdiff_t increment)
{
    if (increment > __heap_end - m_heapTop || increment < __heap_start - m_heapTop)
    {
        errno = ENOMEM;
        return reinterpret_cast<void*>(-1);
    }
    char* previous = m_heapTop;
    m_heapTop += increment;
    return previous;
}

extern "C" void _exit(int status)
{
    Stop(status);
}

// The firmware links with the C library's allocator wrapped onto its own heap banks, which lie in
// the board's SRAM and external SRAM; the emulated board has neither, so here the wrappers hand
// back to the C library's own allocator over the PSRAM.
extern "C"
{
void* __real__malloc_r(struct _reent* reent, std::size_t size);
void __real__free_r(struct _reent* reent, void* block);
void* __real__realloc_r(struct _reent* reent, void* block, std::size_t size);
void* __real__calloc_r(struct _reent* reent, std::size_t count, std::size_t size);

void* __wrap__malloc_r(struct _reent* reent, std::size_t size)
{
    return __real__malloc_r(reent, size);
}

void __wrap__free_r(struct _reent* reent, void* block)
{
    __real__free_r(reent, block);
}

void* __wrap__realloc_r(struct _reent* reent, void* block, std::size_t size)
{
    return __real__realloc_r(reent, block, size);
}

void* __wrap__calloc_r(struct _reent* reent, std::size_t count, std::size_t size)
{
    return __real__calloc_r(reent, count, size);
}
}
