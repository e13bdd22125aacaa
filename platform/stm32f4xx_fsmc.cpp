// NOR/SRAM region configuration of the FSMC, written from the reference manual's register map
// (BCRx, BTRx at 0xA0000000 + 8 x region, BWTRx at 0xA0000104 + 8 x region).
#include "stm32f4xx_fsmc.h"

namespace
{

// Reset values: region 1 comes out of reset enabled as a NOR flash so that the chip can boot
// from it; the other regions are disabled.
constexpr uint32_t bcr1Reset = 0x000030DB;
constexpr uint32_t bcrReset = 0x000030D2;
constexpr uint32_t timingReset = 0x0FFFFFFF;

// Each value is cut to its field so that an out-of-range argument cannot spill into the next
// field (an address hold of 24 would otherwise lengthen the data phase).
uint32_t Timing(const FSMC_NORSRAMTimingInitTypeDef* timing, bool withLatency)
{
    uint32_t value = (timing->FSMC_AddressSetupTime & 0xFu) | ((timing->FSMC_AddressHoldTime & 0xFu) << 4) |
                     ((timing->FSMC_DataSetupTime & 0xFFu) << 8) | ((timing->FSMC_BusTurnAroundDuration & 0xFu) << 16) |
                     (timing->FSMC_AccessMode & 0x30000000u);
    if (withLatency)
        value |= ((timing->FSMC_CLKDivision & 0xFu) << 20) | ((timing->FSMC_DataLatency & 0xFu) << 24);
    return value;
}

} // namespace

extern "C" void FSMC_NORSRAMDeInit(uint32_t FSMC_Bank)
{
    FSMC_Bank1->BTCR[FSMC_Bank] = FSMC_Bank == FSMC_Bank1_NORSRAM1 ? bcr1Reset : bcrReset;
    FSMC_Bank1->BTCR[FSMC_Bank + 1] = timingReset;
    FSMC_Bank1E->BWTR[FSMC_Bank] = timingReset;
}

extern "C" void FSMC_NORSRAMInit(FSMC_NORSRAMInitTypeDef* init)
{
    uint32_t bcr = init->FSMC_DataAddressMux | init->FSMC_MemoryType | init->FSMC_MemoryDataWidth |
                   init->FSMC_BurstAccessMode | init->FSMC_AsynchronousWait | init->FSMC_WaitSignalPolarity |
                   init->FSMC_WrapMode | init->FSMC_WaitSignalActive | init->FSMC_WriteOperation |
                   init->FSMC_WaitSignal | init->FSMC_ExtendedMode | init->FSMC_WriteBurst;
    // NOR flash needs flash access enabled.
    if (init->FSMC_MemoryType == FSMC_MemoryType_NOR)
        bcr |= FSMC_BCR1_FACCEN;
    FSMC_Bank1->BTCR[init->FSMC_Bank] = bcr;
    FSMC_Bank1->BTCR[init->FSMC_Bank + 1] = Timing(init->FSMC_ReadWriteTimingStruct, true);

    // The write timing register only counts in extended mode; otherwise it keeps its reset value.
    if (init->FSMC_ExtendedMode == FSMC_ExtendedMode_Enable)
        FSMC_Bank1E->BWTR[init->FSMC_Bank] = Timing(init->FSMC_WriteTimingStruct, false);
    else
        FSMC_Bank1E->BWTR[init->FSMC_Bank] = timingReset;
}

extern "C" void FSMC_NORSRAMStructInit(FSMC_NORSRAMInitTypeDef* init)
{
    init->FSMC_Bank = FSMC_Bank1_NORSRAM1;
    init->FSMC_DataAddressMux = FSMC_DataAddressMux_Enable;
    init->FSMC_MemoryType = FSMC_MemoryType_SRAM;
    init->FSMC_MemoryDataWidth = FSMC_MemoryDataWidth_8b;
    init->FSMC_BurstAccessMode = FSMC_BurstAccessMode_Disable;
    init->FSMC_AsynchronousWait = FSMC_AsynchronousWait_Disable;
    init->FSMC_WaitSignalPolarity = FSMC_WaitSignalPolarity_Low;
    init->FSMC_WrapMode = FSMC_WrapMode_Disable;
    init->FSMC_WaitSignalActive = FSMC_WaitSignalActive_BeforeWaitState;
    init->FSMC_WriteOperation = FSMC_WriteOperation_Enable;
    init->FSMC_WaitSignal = FSMC_WaitSignal_Enable;
    init->FSMC_ExtendedMode = FSMC_ExtendedMode_Disable;
    init->FSMC_WriteBurst = FSMC_WriteBurst_Disable;
    // The timing structures belong to the caller; they are filled only when present.
    FSMC_NORSRAMTimingInitTypeDef* timings[] = {init->FSMC_ReadWriteTimingStruct, init->FSMC_WriteTimingStruct};
    for (FSMC_NORSRAMTimingInitTypeDef* timing : timings)
    {
        if (timing == 0)
            continue;
        timing->FSMC_AddressSetupTime = 0xF;
        timing->FSMC_AddressHoldTime = 0xF;
        timing->FSMC_DataSetupTime = 0xFF;
        timing->FSMC_BusTurnAroundDuration = 0xF;
        timing->FSMC_CLKDivision = 0xF;
        timing->FSMC_DataLatency = 0xF;
        timing->FSMC_AccessMode = FSMC_AccessMode_A;
    }
}

extern "C" void FSMC_NORSRAMCmd(uint32_t FSMC_Bank, FunctionalState NewState)
{
    const uint32_t bcr = FSMC_Bank1->BTCR[FSMC_Bank];
    FSMC_Bank1->BTCR[FSMC_Bank] = NewState != DISABLE ? (bcr | FSMC_BCR1_MBKEN) : (bcr & ~FSMC_BCR1_MBKEN);
}
