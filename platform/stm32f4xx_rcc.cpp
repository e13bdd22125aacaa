#include "stm32f4xx_rcc.h"

namespace
{

// HPRE and PPREx codes to shift counts (a prescaler value without its top bit divides by 1).
const uint8_t m_ahbPrescalerShift[16] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 6, 7, 8, 9};
const uint8_t m_apbPrescalerShift[8] = {0, 0, 0, 0, 1, 2, 3, 4};

void SetOrClear(__IO32& reg, uint32_t mask, FunctionalState state)
{
    uint32_t value = reg;
    if (state != DISABLE)
        value |= mask;
    else
        value &= ~mask;
    reg = value;
}

} // namespace

void RCC_DeInit(void)
{
    RCC->CR = RCC->CR | RCC_CR_HSION;
    RCC->CFGR = 0;
    RCC->CR = RCC->CR & ~(RCC_CR_HSEON | RCC_CR_CSSON | RCC_CR_PLLON | RCC_CR_PLLI2SON);
    RCC->PLLCFGR = 0x24003010;
    RCC->PLLI2SCFGR = 0x20003000;
    RCC->CR = RCC->CR & ~RCC_CR_HSEBYP;
    RCC->CIR = 0;
}

void RCC_HSEConfig(uint8_t RCC_HSE)
{
    // The byte at CR + 2 holds HSEON/HSEBYP; written as part of the word here.
    uint32_t cr = RCC->CR & ~(RCC_CR_HSEON | RCC_CR_HSEBYP);
    RCC->CR = cr;
    if (RCC_HSE != RCC_HSE_OFF)
        RCC->CR = cr | ((uint32_t)RCC_HSE << 16);
}

ErrorStatus RCC_WaitForHSEStartUp(void)
{
    for (uint32_t count = 0; count < HSE_STARTUP_TIMEOUT; ++count)
    {
        if ((RCC->CR & RCC_CR_HSERDY) != 0)
            return SUCCESS;
    }
    return ERROR;
}

void RCC_HSICmd(FunctionalState NewState) { SetOrClear(RCC->CR, RCC_CR_HSION, NewState); }

void RCC_PLLConfig(uint32_t RCC_PLLSource, uint32_t PLLM, uint32_t PLLN, uint32_t PLLP, uint32_t PLLQ)
{
    RCC->PLLCFGR = PLLM | (PLLN << 6) | (((PLLP >> 1) - 1) << 16) | RCC_PLLSource | (PLLQ << 24);
}

void RCC_PLLCmd(FunctionalState NewState) { SetOrClear(RCC->CR, RCC_CR_PLLON, NewState); }

void RCC_SYSCLKConfig(uint32_t RCC_SYSCLKSource)
{
    RCC->CFGR = (RCC->CFGR & ~RCC_CFGR_SW) | RCC_SYSCLKSource;
}

uint8_t RCC_GetSYSCLKSource(void) { return (uint8_t)(RCC->CFGR & RCC_CFGR_SWS); }

void RCC_HCLKConfig(uint32_t RCC_SYSCLK) { RCC->CFGR = (RCC->CFGR & ~RCC_CFGR_HPRE) | RCC_SYSCLK; }

void RCC_PCLK1Config(uint32_t RCC_HCLK) { RCC->CFGR = (RCC->CFGR & ~RCC_CFGR_PPRE1) | RCC_HCLK; }

void RCC_PCLK2Config(uint32_t RCC_HCLK) { RCC->CFGR = (RCC->CFGR & ~RCC_CFGR_PPRE2) | (RCC_HCLK << 3); }

void RCC_GetClocksFreq(RCC_ClocksTypeDef* RCC_Clocks)
{
    const uint32_t cfgr = RCC->CFGR;
    uint32_t sysclk = HSI_VALUE;
    switch (cfgr & RCC_CFGR_SWS)
    {
    case RCC_CFGR_SWS_HSE:
        sysclk = HSE_VALUE;
        break;
    case RCC_CFGR_SWS_PLL:
    {
        // SYSCLK = (source / M x N) / P, with P = 2, 4, 6 or 8.
        const uint32_t pllcfgr = RCC->PLLCFGR;
        const uint32_t source = (pllcfgr & RCC_PLLCFGR_PLLSRC) != 0 ? HSE_VALUE : HSI_VALUE;
        const uint32_t m = pllcfgr & RCC_PLLCFGR_PLLM;
        const uint32_t n = (pllcfgr & RCC_PLLCFGR_PLLN) >> 6;
        const uint32_t p = (((pllcfgr & RCC_PLLCFGR_PLLP) >> 16) + 1) * 2;
        sysclk = m == 0 ? 0 : (uint32_t)(((uint64_t)source / m * n) / p);
        break;
    }
    default:
        break;
    }
    RCC_Clocks->SYSCLK_Frequency = sysclk;
    RCC_Clocks->HCLK_Frequency = sysclk >> m_ahbPrescalerShift[(cfgr & RCC_CFGR_HPRE) >> 4];
    RCC_Clocks->PCLK1_Frequency = RCC_Clocks->HCLK_Frequency >> m_apbPrescalerShift[(cfgr & RCC_CFGR_PPRE1) >> 10];
    RCC_Clocks->PCLK2_Frequency = RCC_Clocks->HCLK_Frequency >> m_apbPrescalerShift[(cfgr & RCC_CFGR_PPRE2) >> 13];
}

void RCC_MCO1Config(uint32_t RCC_MCO1Source, uint32_t RCC_MCO1Div)
{
    RCC->CFGR = (RCC->CFGR & ~(RCC_CFGR_MCO1 | RCC_CFGR_MCO1PRE)) | RCC_MCO1Source | RCC_MCO1Div;
}

void RCC_MCO2Config(uint32_t RCC_MCO2Source, uint32_t RCC_MCO2Div)
{
    RCC->CFGR = (RCC->CFGR & ~(RCC_CFGR_MCO2 | RCC_CFGR_MCO2PRE)) | RCC_MCO2Source | RCC_MCO2Div;
}

void RCC_AHB1PeriphClockCmd(uint32_t p, FunctionalState s) { SetOrClear(RCC->AHB1ENR, p, s); }
void RCC_AHB2PeriphClockCmd(uint32_t p, FunctionalState s) { SetOrClear(RCC->AHB2ENR, p, s); }
void RCC_AHB3PeriphClockCmd(uint32_t p, FunctionalState s) { SetOrClear(RCC->AHB3ENR, p, s); }
void RCC_APB1PeriphClockCmd(uint32_t p, FunctionalState s) { SetOrClear(RCC->APB1ENR, p, s); }
void RCC_APB2PeriphClockCmd(uint32_t p, FunctionalState s) { SetOrClear(RCC->APB2ENR, p, s); }
void RCC_AHB1PeriphResetCmd(uint32_t p, FunctionalState s) { SetOrClear(RCC->AHB1RSTR, p, s); }
void RCC_AHB2PeriphResetCmd(uint32_t p, FunctionalState s) { SetOrClear(RCC->AHB2RSTR, p, s); }
void RCC_AHB3PeriphResetCmd(uint32_t p, FunctionalState s) { SetOrClear(RCC->AHB3RSTR, p, s); }
void RCC_APB1PeriphResetCmd(uint32_t p, FunctionalState s) { SetOrClear(RCC->APB1RSTR, p, s); }
void RCC_APB2PeriphResetCmd(uint32_t p, FunctionalState s) { SetOrClear(RCC->APB2RSTR, p, s); }

FlagStatus RCC_GetFlagStatus(uint8_t RCC_FLAG)
{
    uint32_t reg;
    switch (RCC_FLAG >> 5)
    {
    case 1:
        reg = RCC->CR;
        break;
    case 2:
        reg = RCC->BDCR;
        break;
    default:
        reg = RCC->CSR;
        break;
    }
    return (reg & ((uint32_t)1 << (RCC_FLAG & 0x1F))) != 0 ? SET : RESET;
}

void RCC_ClearFlag(void) { RCC->CSR = RCC->CSR | RCC_CSR_RMVF; }
