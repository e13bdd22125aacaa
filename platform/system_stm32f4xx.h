// Clock system set-up run at start-up: 25 MHz crystal, PLL to 168 MHz, APB1 42 MHz, APB2 84 MHz,
// 48 MHz for USB, flash wait states and caches, FPU access, vector table in flash.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

extern uint32_t SystemCoreClock; /* HCLK in Hz */

void SystemInit(void);
void SystemCoreClockUpdate(void);

#ifdef __cplusplus
}
#endif
