// The start code of a firmware image on the virtual board: what the board's start code and link
// do for the firmware, done for a shared object that Sim::FirmwareImage loads.
//
// - Before any static constructor of the image: the image's handlers go into the board's vector
//   table, the run-time's terminate handler becomes the firmware's, and the hardware hook runs.
// - The heap: malloc, free, realloc, calloc, new and delete of the image reach the firmware's heap
//   on the simulated SRAM through the wrapped entry points, as the board's link routes them (the
//   image is linked -Bsymbolic, so only the image's own calls land here; the simulator keeps the
//   host's heap). Blocks the host's C++ library allocated for the image (out-of-line string code)
//   go back to the host.
// - Static destructors are never registered: the firmware never exits, and an earlier copy of the
//   image must not touch the heap or the board of a later one when the process ends.

#include "system/Driver/SRAM.h"

#include "sim/Board.h"
#include "sim/Console.h"
#include "sim/Vectors.h"

#include <dlfcn.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <new>

struct _reent;

extern "C"
{
void hardware_init_hook();
void software_init_hook();
void* __wrap__malloc_r(struct _reent*, size_t size);
void __wrap__free_r(struct _reent*, void* pointer);
int _write(int fd, const char* buffer, int count);
}

namespace __gnu_cxx
{
void __verbose_terminate_handler();
}

namespace
{

__attribute__((constructor(101))) void StartImage()
{
    Sim::Core& core = Sim::Board::Instance().core();
    for (int exception = 1; exception < Sim::exceptionCount; ++exception)
        core.SetHandler(exception, Sim::HostVector(exception));
    std::set_terminate(__gnu_cxx::__verbose_terminate_handler);
    // What this copy prints leaves through its own system call (the USB console).
    Sim::Console::SetSystemCall(_write);
    hardware_init_hook();
    software_init_hook();
}

bool OnTheHeap(const void* pointer)
{
    return Driver::SRAM::GetInstance(Driver::SRAM::Bank::Internal).Contains(pointer) ||
           Driver::SRAM::GetInstance(Driver::SRAM::Bank::External).Contains(pointer);
}

// The heap's blocks are aligned to 4 bytes, which is all the board's core needs; the host's ABI
// wants 16 for anything malloc or new hands out. Each block is therefore taken 16 bytes larger
// and the pointer moved up to the next 16-byte boundary; the byte before it says by how much.
constexpr size_t hostAlignment = 16;

void* Align(void* block)
{
    if (block == nullptr)
        return nullptr;
    const uintptr_t raw = reinterpret_cast<uintptr_t>(block);
    const uintptr_t aligned = (raw + hostAlignment) & ~static_cast<uintptr_t>(hostAlignment - 1);
    reinterpret_cast<uint8_t*>(aligned)[-1] = static_cast<uint8_t>(aligned - raw);
    return reinterpret_cast<void*>(aligned);
}

void* BlockOf(void* pointer)
{
    return static_cast<uint8_t*>(pointer) - static_cast<uint8_t*>(pointer)[-1];
}

void* Allocate(size_t size)
{
    if (size > static_cast<size_t>(-1) - hostAlignment)
        return nullptr;
    return Align(__wrap__malloc_r(nullptr, size + hostAlignment));
}

void* AllocateOrThrow(size_t size)
{
    void* pointer = Allocate(size == 0 ? 1 : size);
    if (pointer == nullptr)
        throw std::bad_alloc();
    return pointer;
}

// The host's own function of that name, looked up in the program's scope. The default scope
// will not do: the image is linked -Bsymbolic, and the loader searches a symbolic object's own
// definitions first, so `free` would find this image's `free` and call itself until the stack
// runs out.
template <class Function>
Function Host(const char* name)
{
    static void* const program = dlopen(nullptr, RTLD_LAZY);
    return reinterpret_cast<Function>(dlsym(program, name));
}

// Gives a block back to whichever heap it came from; `hostRelease` names the host's matching
// release (free or operator delete, which a checking host allocator tells apart).
void Release(void* pointer, const char* hostRelease)
{
    if (pointer == nullptr)
        return;
    if (OnTheHeap(pointer))
        __wrap__free_r(nullptr, BlockOf(pointer));
    else
        Host<void (*)(void*)>(hostRelease)(pointer);
}

} // namespace

extern "C"
{

void* malloc(size_t size)
{
    return Allocate(size);
}

void free(void* pointer)
{
    Release(pointer, "free");
}

void* realloc(void* pointer, size_t size)
{
    if (pointer == nullptr)
        return Allocate(size);
    if (!OnTheHeap(pointer))
        return Host<void* (*)(void*, size_t)>("realloc")(pointer, size);
    // As the heap's own realloc: a new block first, the old one kept when that fails or size is 0.
    if (size == 0)
        return nullptr;
    void* moved = Allocate(size);
    if (moved == nullptr)
        return nullptr;
    const Driver::SRAM& bank = Driver::SRAM::GetInstance(
        Driver::SRAM::GetInstance(Driver::SRAM::Bank::Internal).Contains(pointer) ? Driver::SRAM::Bank::Internal
                                                                                   : Driver::SRAM::Bank::External);
    void* block = BlockOf(pointer);
    const size_t offset = static_cast<size_t>(static_cast<uint8_t*>(pointer) - static_cast<uint8_t*>(block));
    const size_t allocated = bank.GetAllocatedSize(block);
    const size_t old = allocated > offset ? allocated - offset : 0;
    if (old != 0)
        std::memcpy(moved, pointer, old < size ? old : size);
    __wrap__free_r(nullptr, block);
    return moved;
}

void* calloc(size_t count, size_t size)
{
    if (size != 0 && count > static_cast<size_t>(-1) / size)
        return nullptr;
    void* pointer = Allocate(count * size);
    if (pointer != nullptr)
        std::memset(pointer, 0, count * size);
    return pointer;
}

int __cxa_atexit(void (*)(void*), void*, void*)
{
    return 0;
}

} // extern "C"

void* operator new(size_t size)
{
    return AllocateOrThrow(size);
}

void* operator new[](size_t size)
{
    return AllocateOrThrow(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size == 0 ? 1 : size);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size == 0 ? 1 : size);
}

void operator delete(void* pointer) noexcept
{
    Release(pointer, "_ZdlPv");
}

void operator delete[](void* pointer) noexcept
{
    Release(pointer, "_ZdaPv");
}

void operator delete(void* pointer, size_t) noexcept
{
    Release(pointer, "_ZdlPv");
}

void operator delete[](void* pointer, size_t) noexcept
{
    Release(pointer, "_ZdaPv");
}

void operator delete(void* pointer, const std::nothrow_t&) noexcept
{
    Release(pointer, "_ZdlPv");
}

void operator delete[](void* pointer, const std::nothrow_t&) noexcept
{
    Release(pointer, "_ZdaPv");
}
