#include "system/Driver/Clocks.h"

#include "stm32f4xx_rcc.h"

namespace Driver
{

Clocks& Clocks::GetInstance()
{
    static Clocks instance;
    return instance;
}

uint32_t Clocks::GetPeripheralBus1Frequency() const
{
    RCC_ClocksTypeDef clocks;
    RCC_GetClocksFreq(&clocks);
    return clocks.PCLK1_Frequency;
}

uint32_t Clocks::GetPeripheralBus2Frequency() const
{
    RCC_ClocksTypeDef clocks;
    RCC_GetClocksFreq(&clocks);
    return clocks.PCLK2_Frequency;
}

} // namespace Driver
