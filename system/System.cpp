#include "system/System.h"

#include "system/Stopwatch.h"

#include "graphics/LCD.h"

#include "exception_entry.h"
#include "stm32f4xx.h"

#include <cstdio>
#include <stdexcept>

namespace
{

// Supervisor-call state. Only the supervisor-call handler writes it, and nothing preempts that
// handler, so it needs no further protection.
bool m_inServiceCall = false;
bool m_serviceCallError = false;
std::exception_ptr m_systemCallException;

// The one-time-programmable area and its lock bytes. A version is recorded by programming the
// current byte to 0 and the next one to the new version, so the first non-zero byte counts.
constexpr uint32_t versionAreaStart = 0x1FFF7800;
constexpr uint32_t versionAreaEnd = 0x1FFF7A10;

uint8_t ReadHardwareVersionByte()
{
    const volatile uint8_t* bytes = VELMORA_PHYS(const volatile uint8_t, versionAreaStart);
    for (uint32_t offset = 0; offset < versionAreaEnd - versionAreaStart; ++offset)
    {
        const uint8_t value = bytes[offset];
        if (value != 0)
            return value;
    }
    return 0xFF; // every byte programmed to 0: report the highest version, 7.31
}

void PrintUnhandledException(const std::exception& exception)
{
    std::printf("Unhandled Exception: %s\r\n", exception.what());
}

} // namespace

// The continuation of SVC_Handler. The entry only locates the caller's exception frame (main or
// process stack, from bit 2 of the exception-return value) and branches here; returning from this
// function returns from the exception. The frame holds r0 = the System object, r1 = the function
// object, r2 = its argument and r3 = where the caller wants an exception delivered.
extern "C" void DoSystemCall(VelmoraExceptionFrame* frame)
{
    m_serviceCallError = false;
    m_inServiceCall = true;
    try
    {
        auto* function = reinterpret_cast<Velmora::System::AtomicFunction*>(frame->r1);
        void* argument = reinterpret_cast<void*>(frame->r2);
        if (!*function)
            throw std::bad_function_call();
        (*function)(argument);
    }
    catch (...)
    {
        m_systemCallException = std::current_exception();
        m_serviceCallError = true;
        // An interrupt may run its own atomic call between the end of this handler and the
        // caller's check, and would overwrite the variables above; the caller's own slot keeps
        // this call's outcome.
        if (auto* slot = reinterpret_cast<std::exception_ptr*>(frame->r3))
        {
            *slot = m_systemCallException;
            m_systemCallException = nullptr;
        }
    }
    m_inServiceCall = false;
}

VELMORA_EXCEPTION_ENTRY(SVC_Handler, DoSystemCall)

namespace Velmora
{

System::System() : m_onUnhandledException(PrintUnhandledException)
{
}

System& System::GetInstance()
{
    static System instance;
    return instance;
}

uint8_t System::GetLibraryMajorVersion() const
{
    return 1;
}

uint8_t System::GetLibraryMinorVersion() const
{
    return 3;
}

uint8_t System::GetHardwareMajorVersion() const
{
    return static_cast<uint8_t>(ReadHardwareVersionByte() >> 5);
}

uint8_t System::GetHardwareMinorVersion() const
{
    return static_cast<uint8_t>(ReadHardwareVersionByte() & 0x1F);
}

System::UnhandledExceptionHandler System::GetOnUnhandledException() const
{
    return m_onUnhandledException;
}

void System::AtomicCall(AtomicFunction function, void* argument)
{
    if (m_inServiceCall)
    {
        function(argument);
        return;
    }

    std::exception_ptr error;
    __SVC0(reinterpret_cast<uintptr_t>(this), reinterpret_cast<uintptr_t>(&function),
           reinterpret_cast<uintptr_t>(argument), reinterpret_cast<uintptr_t>(&error));
    if (error)
        std::rethrow_exception(error);
}

void System::Reset()
{
    // Dark first, so the panel does not show what is left in the controller while the firmware
    // starts again; the wait lets the last PWM period end.
    LCD::GetInstance().SetBacklightBrightness(0);
    Stopwatch::DelayMilliseconds(10.0f);
    __DSB();
    // The key and the system-reset request; the priority grouping is kept.
    SCB->AIRCR = (0x05FAu << SCB_AIRCR_VECTKEY_Pos) | SCB_AIRCR_SYSRESETREQ | (SCB->AIRCR & SCB_AIRCR_PRIGROUP);
    __DSB();
    for (;;)
        __NOP();
}

} // namespace Velmora
