#include "stm32f4xx_exti.h"

void EXTI_DeInit(void)
{
    EXTI->IMR = 0;
    EXTI->EMR = 0;
    EXTI->RTSR = 0;
    EXTI->FTSR = 0;
    EXTI->PR = EXTI_LINE_MASK;
}

void EXTI_Init(EXTI_InitTypeDef* EXTI_InitStruct)
{
    const uint32_t lines = EXTI_InitStruct->EXTI_Line;
    if (EXTI_InitStruct->EXTI_LineCmd == DISABLE)
    {
        // Disabling only masks the lines; edge selection stays as it was.
        if (EXTI_InitStruct->EXTI_Mode == EXTI_Mode_Event)
            EXTI->EMR = EXTI->EMR & ~lines;
        else
            EXTI->IMR = EXTI->IMR & ~lines;
        return;
    }

    // A line is either an interrupt or an event: clear both masks, then set the chosen one.
    const uint32_t imr = EXTI->IMR & ~lines;
    const uint32_t emr = EXTI->EMR & ~lines;
    if (EXTI_InitStruct->EXTI_Mode == EXTI_Mode_Event)
    {
        EXTI->IMR = imr;
        EXTI->EMR = emr | lines;
    }
    else
    {
        EXTI->EMR = emr;
        EXTI->IMR = imr | lines;
    }

    uint32_t rtsr = EXTI->RTSR & ~lines;
    uint32_t ftsr = EXTI->FTSR & ~lines;
    switch (EXTI_InitStruct->EXTI_Trigger)
    {
    case EXTI_Trigger_Rising:
        rtsr |= lines;
        break;
    case EXTI_Trigger_Falling:
        ftsr |= lines;
        break;
    case EXTI_Trigger_Rising_Falling:
        rtsr |= lines;
        ftsr |= lines;
        break;
    }
    EXTI->RTSR = rtsr;
    EXTI->FTSR = ftsr;
}

void EXTI_StructInit(EXTI_InitTypeDef* EXTI_InitStruct)
{
    EXTI_InitStruct->EXTI_Line = 0;
    EXTI_InitStruct->EXTI_Mode = EXTI_Mode_Interrupt;
    EXTI_InitStruct->EXTI_Trigger = EXTI_Trigger_Falling;
    EXTI_InitStruct->EXTI_LineCmd = DISABLE;
}

void EXTI_GenerateSWInterrupt(uint32_t EXTI_Line) { EXTI->SWIER = EXTI->SWIER | EXTI_Line; }

FlagStatus EXTI_GetFlagStatus(uint32_t EXTI_Line) { return (EXTI->PR & EXTI_Line) != 0 ? SET : RESET; }

void EXTI_ClearFlag(uint32_t EXTI_Line) { EXTI->PR = EXTI_Line; }

ITStatus EXTI_GetITStatus(uint32_t EXTI_Line)
{
    const uint32_t pending = EXTI->PR & EXTI_Line;
    return (pending != 0 && (EXTI->IMR & EXTI_Line) != 0) ? SET : RESET;
}

void EXTI_ClearITPendingBit(uint32_t EXTI_Line) { EXTI->PR = EXTI_Line; }
