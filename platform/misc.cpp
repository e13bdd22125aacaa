#include "misc.h"

namespace
{
const uint32_t m_aircrKey = (uint32_t)0x05FA0000;
}

void NVIC_PriorityGroupConfig(uint32_t NVIC_PriorityGroup) { SCB->AIRCR = m_aircrKey | NVIC_PriorityGroup; }

void NVIC_Init(NVIC_InitTypeDef* NVIC_InitStruct)
{
    const uint32_t channel = NVIC_InitStruct->NVIC_IRQChannel;
    const uint32_t bit = (uint32_t)1 << (channel & 0x1F);
    if (NVIC_InitStruct->NVIC_IRQChannelCmd == DISABLE)
    {
        NVIC->ICER[channel >> 5] = bit;
        return;
    }

    // Split the 4 implemented priority bits between preemption and sub-priority as AIRCR's group
    // says; the implemented bits are the top nibble of the priority byte.
    // PRIGROUP values 0..3 all leave every implemented bit to preemption.
    uint32_t preemptionBits = (0x700 - (SCB->AIRCR & (uint32_t)0x700)) >> 8;
    if (preemptionBits > 4)
        preemptionBits = 4;
    const uint32_t subPriorityBits = 4 - preemptionBits;
    uint32_t priority = (uint32_t)NVIC_InitStruct->NVIC_IRQChannelPreemptionPriority << subPriorityBits;
    priority |= (uint32_t)NVIC_InitStruct->NVIC_IRQChannelSubPriority & ((uint32_t)0x0F >> preemptionBits);
    NVIC->IP[channel] = (uint8_t)(priority << 4);
    NVIC->ISER[channel >> 5] = bit;
}

void NVIC_SetVectorTable(uint32_t NVIC_VectTab, uint32_t Offset)
{
    SCB->VTOR = NVIC_VectTab | (Offset & (uint32_t)0x1FFFFF80);
}

void NVIC_SystemLPConfig(uint8_t LowPowerMode, FunctionalState NewState)
{
    if (NewState != DISABLE)
        SCB->SCR = SCB->SCR | LowPowerMode;
    else
        SCB->SCR = SCB->SCR & ~(uint32_t)LowPowerMode;
}

void SysTick_CLKSourceConfig(uint32_t SysTick_CLKSource)
{
    if (SysTick_CLKSource == SysTick_CLKSource_HCLK)
        SysTick->CTRL = SysTick->CTRL | SysTick_CLKSource_HCLK;
    else
        SysTick->CTRL = SysTick->CTRL & SysTick_CLKSource_HCLK_Div8;
}
