#pragma once

#include "stm32f4xx.h"

#include <cstdint>

// The core's register block macro would take this class's name. Firmware code reaches the NVIC
// through the peripheral library (NVIC_Init, NVIC_SetPriority, ...); where the registers
// themselves are needed, VELMORA_PHYS(NVIC_Type, NVIC_BASE) names them.
#undef NVIC

namespace Driver
{

// The single place where interrupt priorities are decided. A driver asks for its interrupt by
// number and gets the priority of one fixed table; every priority is a preemption priority
// (4 bits of group priority, no sub-priority) and lower numbers preempt higher ones. The
// supervisor call keeps priority 0, above every interrupt, which is what makes
// Velmora::System::AtomicCall exclusive.
class NVIC
{
public:
    using IRQ = IRQn_Type;

    // The first call sets the priority grouping.
    static NVIC& GetInstance();

    // Enables the interrupt at its table priority with sub-priority 0. Throws
    // std::runtime_error "IRQ not handled" for an interrupt that is not in the table.
    void EnableIRQ(IRQ irq);

    // The table's preemption priority of irq, or -1 if irq is not in the table.
    static int GetPriority(IRQ irq);

    NVIC(const NVIC&) = delete;
    NVIC& operator=(const NVIC&) = delete;

private:
    NVIC();
};

} // namespace Driver
