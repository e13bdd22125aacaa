#pragma once

// DMA controller operations of the peripheral library, written from the reference manual's DMA
// chapter (streams, LISR/HISR flags, LIFCR/HIFCR write-1-to-clear, SxCR, SxFCR).

#include "bus_address.h"
#include "stm32f4xx.h"

#include <stdint.h>

typedef struct
{
    uint32_t DMA_Channel;            // request channel, CHSEL: n << 25
    uint32_t DMA_PeripheralBaseAddr; // bus address of the peripheral side
    uint32_t DMA_Memory0BaseAddr;    // bus address of the memory side
    uint32_t DMA_DIR;
    uint32_t DMA_BufferSize;         // items, 0 to 65535
    uint32_t DMA_PeripheralInc;
    uint32_t DMA_MemoryInc;
    uint32_t DMA_PeripheralDataSize;
    uint32_t DMA_MemoryDataSize;
    uint32_t DMA_Mode;
    uint32_t DMA_Priority;
    uint32_t DMA_FIFOMode;
    uint32_t DMA_FIFOThreshold;
    uint32_t DMA_MemoryBurst;
    uint32_t DMA_PeripheralBurst;
} DMA_InitTypeDef;

#define DMA_Channel_0 ((uint32_t)0x00000000)
#define DMA_Channel_1 ((uint32_t)0x02000000)
#define DMA_Channel_2 ((uint32_t)0x04000000)
#define DMA_Channel_3 ((uint32_t)0x06000000)
#define DMA_Channel_4 ((uint32_t)0x08000000)
#define DMA_Channel_5 ((uint32_t)0x0A000000)
#define DMA_Channel_6 ((uint32_t)0x0C000000)
#define DMA_Channel_7 ((uint32_t)0x0E000000)

#define DMA_DIR_PeripheralToMemory ((uint32_t)0x00000000)
#define DMA_DIR_MemoryToPeripheral ((uint32_t)0x00000040)
#define DMA_DIR_MemoryToMemory ((uint32_t)0x00000080)

#define DMA_PeripheralInc_Disable ((uint32_t)0x00000000)
#define DMA_PeripheralInc_Enable ((uint32_t)0x00000200)
#define DMA_MemoryInc_Disable ((uint32_t)0x00000000)
#define DMA_MemoryInc_Enable ((uint32_t)0x00000400)

#define DMA_PeripheralDataSize_Byte ((uint32_t)0x00000000)
#define DMA_PeripheralDataSize_HalfWord ((uint32_t)0x00000800)
#define DMA_PeripheralDataSize_Word ((uint32_t)0x00001000)
#define DMA_MemoryDataSize_Byte ((uint32_t)0x00000000)
#define DMA_MemoryDataSize_HalfWord ((uint32_t)0x00002000)
#define DMA_MemoryDataSize_Word ((uint32_t)0x00004000)

#define DMA_Mode_Normal ((uint32_t)0x00000000)
#define DMA_Mode_Circular ((uint32_t)0x00000100)

#define DMA_Priority_Low ((uint32_t)0x00000000)
#define DMA_Priority_Medium ((uint32_t)0x00010000)
#define DMA_Priority_High ((uint32_t)0x00020000)
#define DMA_Priority_VeryHigh ((uint32_t)0x00030000)

#define DMA_FIFOMode_Disable ((uint32_t)0x00000000)
#define DMA_FIFOMode_Enable ((uint32_t)0x00000004)

#define DMA_FIFOThreshold_1QuarterFull ((uint32_t)0x00000000)
#define DMA_FIFOThreshold_HalfFull ((uint32_t)0x00000001)
#define DMA_FIFOThreshold_3QuartersFull ((uint32_t)0x00000002)
#define DMA_FIFOThreshold_Full ((uint32_t)0x00000003)

#define DMA_MemoryBurst_Single ((uint32_t)0x00000000)
#define DMA_MemoryBurst_INC4 ((uint32_t)0x00800000)
#define DMA_MemoryBurst_INC8 ((uint32_t)0x01000000)
#define DMA_MemoryBurst_INC16 ((uint32_t)0x01800000)
#define DMA_PeripheralBurst_Single ((uint32_t)0x00000000)
#define DMA_PeripheralBurst_INC4 ((uint32_t)0x00200000)
#define DMA_PeripheralBurst_INC8 ((uint32_t)0x00400000)
#define DMA_PeripheralBurst_INC16 ((uint32_t)0x00600000)

#define DMA_FlowCtrl_Memory ((uint32_t)0x00000000)
#define DMA_FlowCtrl_Peripheral ((uint32_t)0x00000020)

// Interrupt sources for DMA_ITConfig: the enable bits of SxCR, and FEIE of SxFCR.
#define DMA_IT_TC ((uint32_t)0x00000010)
#define DMA_IT_HT ((uint32_t)0x00000008)
#define DMA_IT_TE ((uint32_t)0x00000004)
#define DMA_IT_DME ((uint32_t)0x00000002)
#define DMA_IT_FE ((uint32_t)0x00000080)

// Per-stream flag codes. Bits 0-27 are the flag's bits in LISR/HISR (streams 0/4 from bit 0,
// 1/5 from bit 6, 2/6 from bit 16, 3/7 from bit 22: FEIF +0, DMEIF +2, TEIF +3, HTIF +4,
// TCIF +5); bit 28 selects the low registers (streams 0-3), bit 29 the high ones (4-7). The
// interrupt codes also carry where their enable bit is: bits 12-15 are SxCR's DMEIE, TEIE, HTIE
// and TCIE shifted left by 11, bit 31 is FEIE in SxFCR.
#define DMA_FLAG_CODE_(stream, bit)                                                                        \
    ((((stream) < 4) ? 0x10000000u : 0x20000000u) |                                                        \
     ((uint32_t)(bit) << (((stream) % 4 == 0) ? 0 : ((stream) % 4 == 1) ? 6 : ((stream) % 4 == 2) ? 16 : 22)))

#define DMA_FLAG_FEIF0 DMA_FLAG_CODE_(0, 0x01)
#define DMA_FLAG_DMEIF0 DMA_FLAG_CODE_(0, 0x04)
#define DMA_FLAG_TEIF0 DMA_FLAG_CODE_(0, 0x08)
#define DMA_FLAG_HTIF0 DMA_FLAG_CODE_(0, 0x10)
#define DMA_FLAG_TCIF0 DMA_FLAG_CODE_(0, 0x20)
#define DMA_FLAG_FEIF1 DMA_FLAG_CODE_(1, 0x01)
#define DMA_FLAG_DMEIF1 DMA_FLAG_CODE_(1, 0x04)
#define DMA_FLAG_TEIF1 DMA_FLAG_CODE_(1, 0x08)
#define DMA_FLAG_HTIF1 DMA_FLAG_CODE_(1, 0x10)
#define DMA_FLAG_TCIF1 DMA_FLAG_CODE_(1, 0x20)
#define DMA_FLAG_FEIF2 DMA_FLAG_CODE_(2, 0x01)
#define DMA_FLAG_DMEIF2 DMA_FLAG_CODE_(2, 0x04)
#define DMA_FLAG_TEIF2 DMA_FLAG_CODE_(2, 0x08)
#define DMA_FLAG_HTIF2 DMA_FLAG_CODE_(2, 0x10)
#define DMA_FLAG_TCIF2 DMA_FLAG_CODE_(2, 0x20)
#define DMA_FLAG_FEIF3 DMA_FLAG_CODE_(3, 0x01)
#define DMA_FLAG_DMEIF3 DMA_FLAG_CODE_(3, 0x04)
#define DMA_FLAG_TEIF3 DMA_FLAG_CODE_(3, 0x08)
#define DMA_FLAG_HTIF3 DMA_FLAG_CODE_(3, 0x10)
#define DMA_FLAG_TCIF3 DMA_FLAG_CODE_(3, 0x20)
#define DMA_FLAG_FEIF4 DMA_FLAG_CODE_(4, 0x01)
#define DMA_FLAG_DMEIF4 DMA_FLAG_CODE_(4, 0x04)
#define DMA_FLAG_TEIF4 DMA_FLAG_CODE_(4, 0x08)
#define DMA_FLAG_HTIF4 DMA_FLAG_CODE_(4, 0x10)
#define DMA_FLAG_TCIF4 DMA_FLAG_CODE_(4, 0x20)
#define DMA_FLAG_FEIF5 DMA_FLAG_CODE_(5, 0x01)
#define DMA_FLAG_DMEIF5 DMA_FLAG_CODE_(5, 0x04)
#define DMA_FLAG_TEIF5 DMA_FLAG_CODE_(5, 0x08)
#define DMA_FLAG_HTIF5 DMA_FLAG_CODE_(5, 0x10)
#define DMA_FLAG_TCIF5 DMA_FLAG_CODE_(5, 0x20)
#define DMA_FLAG_FEIF6 DMA_FLAG_CODE_(6, 0x01)
#define DMA_FLAG_DMEIF6 DMA_FLAG_CODE_(6, 0x04)
#define DMA_FLAG_TEIF6 DMA_FLAG_CODE_(6, 0x08)
#define DMA_FLAG_HTIF6 DMA_FLAG_CODE_(6, 0x10)
#define DMA_FLAG_TCIF6 DMA_FLAG_CODE_(6, 0x20)
#define DMA_FLAG_FEIF7 DMA_FLAG_CODE_(7, 0x01)
#define DMA_FLAG_DMEIF7 DMA_FLAG_CODE_(7, 0x04)
#define DMA_FLAG_TEIF7 DMA_FLAG_CODE_(7, 0x08)
#define DMA_FLAG_HTIF7 DMA_FLAG_CODE_(7, 0x10)
#define DMA_FLAG_TCIF7 DMA_FLAG_CODE_(7, 0x20)

#define DMA_IT_CODE_FE_(stream) (0x80000000u | DMA_FLAG_CODE_(stream, 0x01))
#define DMA_IT_CODE_(stream, bit, enable) ((uint32_t)(enable) << 11 | DMA_FLAG_CODE_(stream, bit))

#define DMA_IT_FEIF0 DMA_IT_CODE_FE_(0)
#define DMA_IT_DMEIF0 DMA_IT_CODE_(0, 0x04, DMA_IT_DME)
#define DMA_IT_TEIF0 DMA_IT_CODE_(0, 0x08, DMA_IT_TE)
#define DMA_IT_HTIF0 DMA_IT_CODE_(0, 0x10, DMA_IT_HT)
#define DMA_IT_TCIF0 DMA_IT_CODE_(0, 0x20, DMA_IT_TC)
#define DMA_IT_FEIF1 DMA_IT_CODE_FE_(1)
#define DMA_IT_DMEIF1 DMA_IT_CODE_(1, 0x04, DMA_IT_DME)
#define DMA_IT_TEIF1 DMA_IT_CODE_(1, 0x08, DMA_IT_TE)
#define DMA_IT_HTIF1 DMA_IT_CODE_(1, 0x10, DMA_IT_HT)
#define DMA_IT_TCIF1 DMA_IT_CODE_(1, 0x20, DMA_IT_TC)
#define DMA_IT_FEIF2 DMA_IT_CODE_FE_(2)
#define DMA_IT_DMEIF2 DMA_IT_CODE_(2, 0x04, DMA_IT_DME)
#define DMA_IT_TEIF2 DMA_IT_CODE_(2, 0x08, DMA_IT_TE)
#define DMA_IT_HTIF2 DMA_IT_CODE_(2, 0x10, DMA_IT_HT)
#define DMA_IT_TCIF2 DMA_IT_CODE_(2, 0x20, DMA_IT_TC)
#define DMA_IT_FEIF3 DMA_IT_CODE_FE_(3)
#define DMA_IT_DMEIF3 DMA_IT_CODE_(3, 0x04, DMA_IT_DME)
#define DMA_IT_TEIF3 DMA_IT_CODE_(3, 0x08, DMA_IT_TE)
#define DMA_IT_HTIF3 DMA_IT_CODE_(3, 0x10, DMA_IT_HT)
#define DMA_IT_TCIF3 DMA_IT_CODE_(3, 0x20, DMA_IT_TC)
#define DMA_IT_FEIF4 DMA_IT_CODE_FE_(4)
#define DMA_IT_DMEIF4 DMA_IT_CODE_(4, 0x04, DMA_IT_DME)
#define DMA_IT_TEIF4 DMA_IT_CODE_(4, 0x08, DMA_IT_TE)
#define DMA_IT_HTIF4 DMA_IT_CODE_(4, 0x10, DMA_IT_HT)
#define DMA_IT_TCIF4 DMA_IT_CODE_(4, 0x20, DMA_IT_TC)
#define DMA_IT_FEIF5 DMA_IT_CODE_FE_(5)
#define DMA_IT_DMEIF5 DMA_IT_CODE_(5, 0x04, DMA_IT_DME)
#define DMA_IT_TEIF5 DMA_IT_CODE_(5, 0x08, DMA_IT_TE)
#define DMA_IT_HTIF5 DMA_IT_CODE_(5, 0x10, DMA_IT_HT)
#define DMA_IT_TCIF5 DMA_IT_CODE_(5, 0x20, DMA_IT_TC)
#define DMA_IT_FEIF6 DMA_IT_CODE_FE_(6)
#define DMA_IT_DMEIF6 DMA_IT_CODE_(6, 0x04, DMA_IT_DME)
#define DMA_IT_TEIF6 DMA_IT_CODE_(6, 0x08, DMA_IT_TE)
#define DMA_IT_HTIF6 DMA_IT_CODE_(6, 0x10, DMA_IT_HT)
#define DMA_IT_TCIF6 DMA_IT_CODE_(6, 0x20, DMA_IT_TC)
#define DMA_IT_FEIF7 DMA_IT_CODE_FE_(7)
#define DMA_IT_DMEIF7 DMA_IT_CODE_(7, 0x04, DMA_IT_DME)
#define DMA_IT_TEIF7 DMA_IT_CODE_(7, 0x08, DMA_IT_TE)
#define DMA_IT_HTIF7 DMA_IT_CODE_(7, 0x10, DMA_IT_HT)
#define DMA_IT_TCIF7 DMA_IT_CODE_(7, 0x20, DMA_IT_TC)

void DMA_DeInit(DMA_Stream_TypeDef* DMAy_Streamx);
void DMA_Init(DMA_Stream_TypeDef* DMAy_Streamx, DMA_InitTypeDef* DMA_InitStruct);
void DMA_StructInit(DMA_InitTypeDef* DMA_InitStruct);
void DMA_Cmd(DMA_Stream_TypeDef* DMAy_Streamx, FunctionalState NewState);
FunctionalState DMA_GetCmdStatus(DMA_Stream_TypeDef* DMAy_Streamx);
void DMA_FlowControllerConfig(DMA_Stream_TypeDef* DMAy_Streamx, uint32_t DMA_FlowCtrl);
void DMA_SetCurrDataCounter(DMA_Stream_TypeDef* DMAy_Streamx, uint16_t Counter);
uint16_t DMA_GetCurrDataCounter(DMA_Stream_TypeDef* DMAy_Streamx);
void DMA_ITConfig(DMA_Stream_TypeDef* DMAy_Streamx, uint32_t DMA_IT, FunctionalState NewState);
ITStatus DMA_GetITStatus(DMA_Stream_TypeDef* DMAy_Streamx, uint32_t DMA_IT);
void DMA_ClearITPendingBit(DMA_Stream_TypeDef* DMAy_Streamx, uint32_t DMA_IT);
FlagStatus DMA_GetFlagStatus(DMA_Stream_TypeDef* DMAy_Streamx, uint32_t DMA_FLAG);
void DMA_ClearFlag(DMA_Stream_TypeDef* DMAy_Streamx, uint32_t DMA_FLAG);
