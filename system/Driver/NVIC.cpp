#include "system/Driver/NVIC.h"

#include "misc.h"

#include <stdexcept>

namespace Driver
{

namespace
{

struct PriorityEntry
{
    IRQn_Type irq;
    uint8_t priority;
};

// The order of urgency: the free-running timer first, then the serial links that lose bytes when
// late, the display's tearing signal (a late flush tears the picture), card detection, the SD
// transfers, the input pins, and last the slow periodic work (touch sampling) and USB.
constexpr PriorityEntry priorities[] = {
    {TIM2_IRQn, 1},
    {SPI1_IRQn, 2},
    {USART1_IRQn, 2},
    {USART2_IRQn, 2},
    {UART4_IRQn, 2},
    {USART6_IRQn, 2},
    {I2C1_EV_IRQn, 3},
    {I2C1_ER_IRQn, 3},
    {EXTI9_5_IRQn, 5},
    {EXTI15_10_IRQn, 6},
    {DMA2_Stream3_IRQn, 7},
    {DMA2_Stream6_IRQn, 7},
    {EXTI0_IRQn, 8},
    {EXTI1_IRQn, 8},
    {EXTI3_IRQn, 8},
    {DMA2_Stream0_IRQn, 9},
    {DMA2_Stream1_IRQn, 9},
    {DMA2_Stream2_IRQn, 9},
    {SDIO_IRQn, 10},
    {TIM7_IRQn, 11},
    {OTG_FS_IRQn, 12},
};

} // namespace

NVIC::NVIC()
{
    // All four priority bits preempt; there are no sub-priorities.
    NVIC_PriorityGroupConfig(NVIC_PriorityGroup_4);
}

NVIC& NVIC::GetInstance()
{
    static NVIC instance;
    return instance;
}

int NVIC::GetPriority(IRQ irq)
{
    for (const PriorityEntry& entry : priorities)
    {
        if (entry.irq == irq)
            return entry.priority;
    }
    return -1;
}

void NVIC::EnableIRQ(IRQ irq)
{
    const int priority = GetPriority(irq);
    if (priority < 0)
        throw std::runtime_error("IRQ not handled");

    NVIC_InitTypeDef init;
    init.NVIC_IRQChannel = static_cast<uint8_t>(irq);
    init.NVIC_IRQChannelPreemptionPriority = static_cast<uint8_t>(priority);
    init.NVIC_IRQChannelSubPriority = 0;
    init.NVIC_IRQChannelCmd = ENABLE;
    NVIC_Init(&init);
}

} // namespace Driver
