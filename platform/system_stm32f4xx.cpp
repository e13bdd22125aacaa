#include "system_stm32f4xx.h"

#include "stm32f4xx.h"

// PLL: VCO = 25 MHz / M x N = 336 MHz; SYSCLK = VCO / P = 168 MHz; USB = VCO / Q = 48 MHz.
#define PLL_M 25
#define PLL_N 336
#define PLL_P 2
#define PLL_Q 7

uint32_t SystemCoreClock = 168000000;

namespace
{

const uint8_t m_ahbPrescalerShift[16] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 6, 7, 8, 9};

void SetSysClock()
{
    RCC->CR = RCC->CR | RCC_CR_HSEON;
    uint32_t count = 0;
    uint32_t ready = 0;
    do
    {
        ready = RCC->CR & RCC_CR_HSERDY;
        ++count;
    } while (ready == 0 && count != HSE_STARTUP_TIMEOUT);
    if (ready == 0)
        return; // The crystal did not start: stay on the 16 MHz internal oscillator.

    // Regulator scale 1 is needed for 168 MHz.
    RCC->APB1ENR = RCC->APB1ENR | RCC_APB1ENR_PWREN;
    PWR->CR = PWR->CR | PWR_CR_VOS;

    // HCLK = SYSCLK, PCLK2 = HCLK / 2, PCLK1 = HCLK / 4.
    RCC->CFGR = (RCC->CFGR & ~(RCC_CFGR_HPRE | RCC_CFGR_PPRE1 | RCC_CFGR_PPRE2)) | RCC_CFGR_HPRE_DIV1 |
                RCC_CFGR_PPRE2_DIV2 | RCC_CFGR_PPRE1_DIV4;

    RCC->PLLCFGR = PLL_M | (PLL_N << 6) | (((PLL_P >> 1) - 1) << 16) | RCC_PLLCFGR_PLLSRC_HSE | (PLL_Q << 24);
    RCC->CR = RCC->CR | RCC_CR_PLLON;
    while ((RCC->CR & RCC_CR_PLLRDY) == 0)
    {
    }

    // 5 wait states for 168 MHz at 2.7-3.6 V, with instruction and data caches.
    FLASH->ACR = FLASH_ACR_ICEN | FLASH_ACR_DCEN | FLASH_ACR_LATENCY_5WS;

    RCC->CFGR = (RCC->CFGR & ~RCC_CFGR_SW) | RCC_CFGR_SW_PLL;
    while ((RCC->CFGR & RCC_CFGR_SWS) != RCC_CFGR_SWS_PLL)
    {
    }
}

} // namespace

void SystemInit(void)
{
    // Full access to the FPU (coprocessors 10 and 11).
    SCB->CPACR = SCB->CPACR | ((uint32_t)3 << 20) | ((uint32_t)3 << 22);

    // Back to the reset clock configuration: HSI on, everything else off.
    RCC->CR = RCC->CR | RCC_CR_HSION;
    RCC->CFGR = 0;
    RCC->CR = RCC->CR & ~(RCC_CR_HSEON | RCC_CR_CSSON | RCC_CR_PLLON);
    RCC->PLLCFGR = 0x24003010;
    RCC->CR = RCC->CR & ~RCC_CR_HSEBYP;
    RCC->CIR = 0;

    SetSysClock();

    SCB->VTOR = FLASH_BASE;
    SystemCoreClockUpdate();
}

void SystemCoreClockUpdate(void)
{
    const uint32_t cfgr = RCC->CFGR;
    uint32_t sysclk = HSI_VALUE;
    if ((cfgr & RCC_CFGR_SWS) == RCC_CFGR_SWS_HSE)
        sysclk = HSE_VALUE;
    else if ((cfgr & RCC_CFGR_SWS) == RCC_CFGR_SWS_PLL)
    {
        const uint32_t pllcfgr = RCC->PLLCFGR;
        const uint32_t source = (pllcfgr & RCC_PLLCFGR_PLLSRC) != 0 ? HSE_VALUE : HSI_VALUE;
        const uint32_t m = pllcfgr & RCC_PLLCFGR_PLLM;
        const uint32_t n = (pllcfgr & RCC_PLLCFGR_PLLN) >> 6;
        const uint32_t p = (((pllcfgr & RCC_PLLCFGR_PLLP) >> 16) + 1) * 2;
        sysclk = m == 0 ? 0 : (uint32_t)(((uint64_t)source / m * n) / p);
    }
    SystemCoreClock = sysclk >> m_ahbPrescalerShift[(cfgr & RCC_CFGR_HPRE) >> 4];
}
