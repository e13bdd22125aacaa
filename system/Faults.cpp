// The fault handlers and the register dump printed on a hard fault.

#include "usb/Console.h"

#include "exception_entry.h"
#include "stm32f4xx.h"

#include <stdexcept>

namespace
{

// Set once the dump has been printed. The faulting instruction faults again after every return,
// so without it the dump would repeat for as long as the board is left in the fault.
bool m_hardFault = false;

unsigned Word(uintptr_t value)
{
    return static_cast<unsigned>(value);
}

} // namespace

// The stacked registers of the code that faulted and the fault status registers.
extern "C" void PrintSystemState(const VelmoraExceptionFrame* frame)
{
    Velmora::Console& console = Velmora::Console::GetInstance();
    console.PrintLine("Hard Fault");
    console.PrintLine("R0        = 0x%08X", Word(frame->r0));
    console.PrintLine("R1        = 0x%08X", Word(frame->r1));
    console.PrintLine("R2        = 0x%08X", Word(frame->r2));
    console.PrintLine("R3        = 0x%08X", Word(frame->r3));
    console.PrintLine("R12       = 0x%08X", Word(frame->r12));
    console.PrintLine("LR [R14]  = 0x%08X  subroutine call return address", Word(frame->lr));
    console.PrintLine("PC [R15]  = 0x%08X  program counter", Word(frame->pc));
    console.PrintLine("PSR       = 0x%08X", Word(frame->xpsr));
    console.PrintLine("BFAR      = 0x%08X", static_cast<unsigned>(SCB->BFAR));
    console.PrintLine("CFSR      = 0x%08X", static_cast<unsigned>(SCB->CFSR));
    console.PrintLine("HFSR      = 0x%08X", static_cast<unsigned>(SCB->HFSR));
    console.PrintLine("DFSR      = 0x%08X", static_cast<unsigned>(SCB->DFSR));
    console.PrintLine("AFSR      = 0x%08X", static_cast<unsigned>(SCB->AFSR));
    console.PrintLine("SCB_SHCSR = 0x%08X", static_cast<unsigned>(SCB->SHCSR));
}

extern "C" void HardFaultContinuation(VelmoraExceptionFrame* frame)
{
    if (m_hardFault)
        return;
    m_hardFault = true;
    PrintSystemState(frame);
}

VELMORA_EXCEPTION_ENTRY(HardFault_Handler, HardFaultContinuation)

// The firmware never enables these fault classes, so their faults arrive as hard faults; should
// one be enabled, its handler says which fault it was.
extern "C" void MemManage_Handler()
{
    throw std::runtime_error("MemManage Fault");
}

extern "C" void BusFault_Handler()
{
    throw std::runtime_error("Bus Fault");
}

extern "C" void UsageFault_Handler()
{
    throw std::runtime_error("Usage Fault");
}
