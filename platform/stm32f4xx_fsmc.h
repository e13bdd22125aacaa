// Flexible static memory controller: the NOR/SRAM bank 1 operations (regions NE1..NE4).
#pragma once

#include "stm32f4xx.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct
{
    uint32_t FSMC_AddressSetupTime;      /* ADDSET, 0..15 HCLK cycles */
    uint32_t FSMC_AddressHoldTime;       /* ADDHLD, 1..15 HCLK cycles */
    uint32_t FSMC_DataSetupTime;         /* DATAST, 1..255 HCLK cycles */
    uint32_t FSMC_BusTurnAroundDuration; /* BUSTURN, 0..15 HCLK cycles */
    uint32_t FSMC_CLKDivision;           /* CLKDIV, synchronous memories only */
    uint32_t FSMC_DataLatency;           /* DATLAT, synchronous memories only */
    uint32_t FSMC_AccessMode;            /* ACCMOD, FSMC_AccessMode_x */
} FSMC_NORSRAMTimingInitTypeDef;

typedef struct
{
    uint32_t FSMC_Bank; /* FSMC_Bank1_NORSRAMx: the index of the region's BCR in BTCR */
    uint32_t FSMC_DataAddressMux;
    uint32_t FSMC_MemoryType;
    uint32_t FSMC_MemoryDataWidth;
    uint32_t FSMC_BurstAccessMode;
    uint32_t FSMC_AsynchronousWait;
    uint32_t FSMC_WaitSignalPolarity;
    uint32_t FSMC_WrapMode;
    uint32_t FSMC_WaitSignalActive;
    uint32_t FSMC_WriteOperation;
    uint32_t FSMC_WaitSignal;
    uint32_t FSMC_ExtendedMode;
    uint32_t FSMC_WriteBurst;
    FSMC_NORSRAMTimingInitTypeDef* FSMC_ReadWriteTimingStruct;
    FSMC_NORSRAMTimingInitTypeDef* FSMC_WriteTimingStruct; /* used when FSMC_ExtendedMode is enabled */
} FSMC_NORSRAMInitTypeDef;

#define FSMC_Bank1_NORSRAM1 ((uint32_t)0x00000000)
#define FSMC_Bank1_NORSRAM2 ((uint32_t)0x00000002)
#define FSMC_Bank1_NORSRAM3 ((uint32_t)0x00000004)
#define FSMC_Bank1_NORSRAM4 ((uint32_t)0x00000006)

#define FSMC_DataAddressMux_Disable ((uint32_t)0x00000000)
#define FSMC_DataAddressMux_Enable ((uint32_t)0x00000002)

#define FSMC_MemoryType_SRAM ((uint32_t)0x00000000)
#define FSMC_MemoryType_PSRAM ((uint32_t)0x00000004)
#define FSMC_MemoryType_NOR ((uint32_t)0x00000008)

#define FSMC_MemoryDataWidth_8b ((uint32_t)0x00000000)
#define FSMC_MemoryDataWidth_16b ((uint32_t)0x00000010)

#define FSMC_BurstAccessMode_Disable ((uint32_t)0x00000000)
#define FSMC_BurstAccessMode_Enable ((uint32_t)0x00000100)

#define FSMC_AsynchronousWait_Disable ((uint32_t)0x00000000)
#define FSMC_AsynchronousWait_Enable ((uint32_t)0x00008000)

#define FSMC_WaitSignalPolarity_Low ((uint32_t)0x00000000)
#define FSMC_WaitSignalPolarity_High ((uint32_t)0x00000200)

#define FSMC_WrapMode_Disable ((uint32_t)0x00000000)
#define FSMC_WrapMode_Enable ((uint32_t)0x00000400)

#define FSMC_WaitSignalActive_BeforeWaitState ((uint32_t)0x00000000)
#define FSMC_WaitSignalActive_DuringWaitState ((uint32_t)0x00000800)

#define FSMC_WriteOperation_Disable ((uint32_t)0x00000000)
#define FSMC_WriteOperation_Enable ((uint32_t)0x00001000)

#define FSMC_WaitSignal_Disable ((uint32_t)0x00000000)
#define FSMC_WaitSignal_Enable ((uint32_t)0x00002000)

#define FSMC_ExtendedMode_Disable ((uint32_t)0x00000000)
#define FSMC_ExtendedMode_Enable ((uint32_t)0x00004000)

#define FSMC_WriteBurst_Disable ((uint32_t)0x00000000)
#define FSMC_WriteBurst_Enable ((uint32_t)0x00080000)

#define FSMC_AccessMode_A ((uint32_t)0x00000000)
#define FSMC_AccessMode_B ((uint32_t)0x10000000)
#define FSMC_AccessMode_C ((uint32_t)0x20000000)
#define FSMC_AccessMode_D ((uint32_t)0x30000000)

/* Restores the region's BCR, BTR and BWTR to their reset values. */
void FSMC_NORSRAMDeInit(uint32_t FSMC_Bank);
/* Writes the region's BCR, BTR and BWTR from the structure; the region stays disabled. */
void FSMC_NORSRAMInit(FSMC_NORSRAMInitTypeDef* FSMC_NORSRAMInitStruct);
/* The reset configuration: NORSRAM1, NOR, 16 bits, slowest timings, write enabled. */
void FSMC_NORSRAMStructInit(FSMC_NORSRAMInitTypeDef* FSMC_NORSRAMInitStruct);
/* Sets or clears MBKEN of the region. */
void FSMC_NORSRAMCmd(uint32_t FSMC_Bank, FunctionalState NewState);

#ifdef __cplusplus
}
#endif
