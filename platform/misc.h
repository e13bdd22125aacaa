// NVIC priority grouping and interrupt set-up, vector table location, SysTick clock source.
#pragma once

#include "stm32f4xx.h"

typedef struct
{
    uint8_t NVIC_IRQChannel;                   /* IRQn_Type value */
    uint8_t NVIC_IRQChannelPreemptionPriority; /* range depends on the priority group */
    uint8_t NVIC_IRQChannelSubPriority;        /* range depends on the priority group */
    FunctionalState NVIC_IRQChannelCmd;
} NVIC_InitTypeDef;

/* AIRCR PRIGROUP values: group n gives n bits of preemption priority, 4 - n of sub-priority. */
#define NVIC_PriorityGroup_0 ((uint32_t)0x700)
#define NVIC_PriorityGroup_1 ((uint32_t)0x600)
#define NVIC_PriorityGroup_2 ((uint32_t)0x500)
#define NVIC_PriorityGroup_3 ((uint32_t)0x400)
#define NVIC_PriorityGroup_4 ((uint32_t)0x300)

#define NVIC_VectTab_RAM ((uint32_t)0x20000000)
#define NVIC_VectTab_FLASH ((uint32_t)0x08000000)

#define NVIC_LP_SEVONPEND ((uint8_t)0x10)
#define NVIC_LP_SLEEPDEEP ((uint8_t)0x04)
#define NVIC_LP_SLEEPONEXIT ((uint8_t)0x02)

#define SysTick_CLKSource_HCLK_Div8 ((uint32_t)0xFFFFFFFB)
#define SysTick_CLKSource_HCLK ((uint32_t)0x00000004)

#ifdef __cplusplus
extern "C" {
#endif

void NVIC_PriorityGroupConfig(uint32_t NVIC_PriorityGroup);
void NVIC_Init(NVIC_InitTypeDef* NVIC_InitStruct);
void NVIC_SetVectorTable(uint32_t NVIC_VectTab, uint32_t Offset);
void NVIC_SystemLPConfig(uint8_t LowPowerMode, FunctionalState NewState);
void SysTick_CLKSourceConfig(uint32_t SysTick_CLKSource);

#ifdef __cplusplus
}
#endif
