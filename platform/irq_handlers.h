// The interrupt handlers that the firmware's vector table holds, by their vendor names. Each is a
// weak reference: a program that does not link one (a unit left out of a build, a unit test) gets
// 0 in its entry, as the table holds 0 for interrupts nobody handles. Include it only where a
// vector table is built: a unit that defines a handler must not see these declarations, which
// would make its definition weak.
#pragma once

#ifdef __cplusplus
extern "C"
{
#endif

void EXTI0_IRQHandler(void) __attribute__((weak));
void EXTI1_IRQHandler(void) __attribute__((weak));
void EXTI3_IRQHandler(void) __attribute__((weak));
void DMA1_Stream0_IRQHandler(void) __attribute__((weak));
void DMA1_Stream1_IRQHandler(void) __attribute__((weak));
void DMA1_Stream2_IRQHandler(void) __attribute__((weak));
void DMA1_Stream3_IRQHandler(void) __attribute__((weak));
void DMA1_Stream4_IRQHandler(void) __attribute__((weak));
void DMA1_Stream5_IRQHandler(void) __attribute__((weak));
void DMA1_Stream6_IRQHandler(void) __attribute__((weak));
void EXTI9_5_IRQHandler(void) __attribute__((weak));
void TIM2_IRQHandler(void) __attribute__((weak));
void SPI1_IRQHandler(void) __attribute__((weak));
void USART1_IRQHandler(void) __attribute__((weak));
void USART2_IRQHandler(void) __attribute__((weak));
void EXTI15_10_IRQHandler(void) __attribute__((weak));
void DMA1_Stream7_IRQHandler(void) __attribute__((weak));
void SDIO_IRQHandler(void) __attribute__((weak));
void UART4_IRQHandler(void) __attribute__((weak));
void TIM7_IRQHandler(void) __attribute__((weak));
void DMA2_Stream0_IRQHandler(void) __attribute__((weak));
void DMA2_Stream1_IRQHandler(void) __attribute__((weak));
void DMA2_Stream2_IRQHandler(void) __attribute__((weak));
void DMA2_Stream3_IRQHandler(void) __attribute__((weak));
void DMA2_Stream4_IRQHandler(void) __attribute__((weak));
void OTG_FS_IRQHandler(void) __attribute__((weak));
void DMA2_Stream5_IRQHandler(void) __attribute__((weak));
void DMA2_Stream6_IRQHandler(void) __attribute__((weak));
void DMA2_Stream7_IRQHandler(void) __attribute__((weak));
void USART6_IRQHandler(void) __attribute__((weak));

#ifdef __cplusplus
}
#endif
