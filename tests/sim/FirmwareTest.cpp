// Restarting the firmware after a reset request: the chip starts over, the board does not.
#include "sim/Firmware.h"
#include "sim/World.h"

#include "misc.h"
#include "stm32f4xx.h"
#include "stm32f4xx_rcc.h"
#include "stm32f4xx_tim.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

namespace
{

int m_runs = 0;
Sim::Tick m_resetTime = 0;

volatile uint32_t& ExternalSram()
{
    return *VELMORA_PHYS(volatile uint32_t, 0x60000000);
}

void StartChip()
{
    SystemInit();
    NVIC_PriorityGroupConfig(NVIC_PriorityGroup_4);
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM5, ENABLE);
    TIM_Cmd(TIM5, ENABLE);
}

int ResetOnceFromMain()
{
    if (++m_runs == 1)
    {
        StartChip();
        ExternalSram() = 0x12345678;
        m_resetTime = Sim::World::Get().Now();
        NVIC_SystemReset();
    }
    return 7;
}

int ResetOnceFromAnInterrupt()
{
    if (++m_runs == 1)
    {
        StartChip();
        Sim::World::Get().SetHandler(TIM7_IRQn, [] { NVIC_SystemReset(); });
        NVIC_InitTypeDef irq{TIM7_IRQn, 11, 0, ENABLE};
        NVIC_Init(&irq);
        NVIC_SetPendingIRQ(TIM7_IRQn);
        for (;;)
            __NOP();
    }
    return Sim::World::Get().board().core().Depth();
}

TEST(FirmwareTest, ResetRequestRestartsTheChipAndKeepsTheBoard)
{
    EXPECT_EQ(7, Sim::RunFirmware(ResetOnceFromMain));
    EXPECT_EQ(2, m_runs);
    EXPECT_EQ(1u, Sim::FirmwareRestarts());

    // The chip is back at its reset state: HSI clock, timers stopped, grouping 0.
    RCC_ClocksTypeDef clocks;
    RCC_GetClocksFreq(&clocks);
    EXPECT_EQ(16000000u, clocks.SYSCLK_Frequency);
    EXPECT_EQ(0u, TIM5->CR1 & TIM_CR1_CEN);
    EXPECT_EQ(0u, RCC->APB1ENR & RCC_APB1ENR_TIM5EN);
    EXPECT_EQ(0u, Sim::World::Get().board().core().PriorityGrouping());

    // The board is not: the external SRAM keeps its content and time runs on.
    EXPECT_EQ(0x12345678u, ExternalSram());
    EXPECT_GE(Sim::World::Get().Now(), m_resetTime);
    EXPECT_GT(m_resetTime, 0u);
}

TEST(FirmwareTest, ResetRequestedInAnInterruptUnwindsTheHandler)
{
    EXPECT_EQ(0, Sim::RunFirmware(ResetOnceFromAnInterrupt));
    EXPECT_EQ(2, m_runs);
    EXPECT_FALSE(Sim::World::Get().board().core().IsActive(Sim::excFirstIrq + TIM7_IRQn));
    EXPECT_FALSE(Sim::World::Get().board().core().IsEnabled(TIM7_IRQn));
}

} // namespace
