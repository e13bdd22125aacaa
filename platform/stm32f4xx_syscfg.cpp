#include "stm32f4xx_syscfg.h"

#include "stm32f4xx_rcc.h"

void SYSCFG_DeInit(void)
{
    RCC_APB2PeriphResetCmd(RCC_APB2Periph_SYSCFG, ENABLE);
    RCC_APB2PeriphResetCmd(RCC_APB2Periph_SYSCFG, DISABLE);
}

void SYSCFG_EXTILineConfig(uint8_t EXTI_PortSourceGPIOx, uint8_t EXTI_PinSourcex)
{
    const uint32_t shift = ((uint32_t)EXTI_PinSourcex & 0x03) * 4;
    __IO32& exticr = SYSCFG->EXTICR[EXTI_PinSourcex >> 2];
    exticr = (exticr & ~((uint32_t)0x0F << shift)) | ((uint32_t)EXTI_PortSourceGPIOx << shift);
}
