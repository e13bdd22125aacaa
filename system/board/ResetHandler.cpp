// The board's reset path and vector table. The link places the table at the start of flash
// (section .isr_vector) and provides the section symbols below; the C library's start code
// `_start` then sets up the stack, runs hardware_init_hook, software_init_hook and the static
// constructors, and calls main.

#include "irq_handlers.h"
#include "stm32f4xx.h"
#include "stm32f4xx_rcc.h"

#include <cstdint>

extern "C"
{
// From the link: the initial values of the initialised data in flash, where they go in SRAM, and
// the zero-initialised data after them.
extern uint32_t _sidata;
extern uint32_t _sdata;
extern uint32_t _edata;
extern uint32_t _sbss;
extern uint32_t _ebss;

void _start();

void Reset_Handler();
void HardFault_Handler();
void MemManage_Handler();
void BusFault_Handler();
void UsageFault_Handler();
void SVC_Handler();
// The firmware has no handler for these today; weak, so that one it adds goes into the table.
void PendSV_Handler() __attribute__((weak));
void SysTick_Handler() __attribute__((weak));
}

using Vector = void (*)();

namespace
{

constexpr uintptr_t initialStackPointer = 0x10010000; // top of the 64 KB core-coupled RAM

} // namespace

// 98 words: the initial stack pointer, 15 system exception vectors and 82 interrupt vectors.
extern "C" __attribute__((section(".isr_vector"), used)) const Vector g_vectorTable[98] = {
    reinterpret_cast<Vector>(initialStackPointer),
    Reset_Handler,
    nullptr, // NMI
    HardFault_Handler,
    MemManage_Handler,
    BusFault_Handler,
    UsageFault_Handler,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    SVC_Handler,
    nullptr, // debug monitor
    nullptr,
    PendSV_Handler,
    SysTick_Handler,
    // Interrupts from IRQ 0.
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, // 0 WWDG .. 5 RCC
    EXTI0_IRQHandler,                                      // 6
    EXTI1_IRQHandler,                                      // 7
    nullptr,                                               // 8 EXTI2
    EXTI3_IRQHandler,                                      // 9
    nullptr,                                               // 10 EXTI4
    DMA1_Stream0_IRQHandler, DMA1_Stream1_IRQHandler, DMA1_Stream2_IRQHandler, DMA1_Stream3_IRQHandler,
    DMA1_Stream4_IRQHandler, DMA1_Stream5_IRQHandler, DMA1_Stream6_IRQHandler, // 11 .. 17
    nullptr, nullptr, nullptr, nullptr, nullptr,            // 18 ADC .. 22 CAN1 SCE
    EXTI9_5_IRQHandler,                                    // 23
    nullptr, nullptr, nullptr, nullptr,                    // 24 .. 27 TIM1, TIM9..11
    TIM2_IRQHandler,                                       // 28
    nullptr, nullptr,                                      // 29 TIM3, 30 TIM4
    nullptr, nullptr, nullptr, nullptr,                    // 31 .. 34 I2C1, I2C2
    SPI1_IRQHandler,                                       // 35
    nullptr,                                               // 36 SPI2
    USART1_IRQHandler,                                     // 37
    USART2_IRQHandler,                                     // 38
    nullptr,                                               // 39 USART3
    EXTI15_10_IRQHandler,                                  // 40
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,  // 41 RTC alarm .. 46 TIM8 CC
    DMA1_Stream7_IRQHandler,                               // 47
    nullptr,                                               // 48 FSMC
    SDIO_IRQHandler,                                       // 49
    nullptr, nullptr,                                      // 50 TIM5, 51 SPI3
    UART4_IRQHandler,                                      // 52
    nullptr, nullptr,                                      // 53 UART5, 54 TIM6/DAC
    TIM7_IRQHandler,                                       // 55
    DMA2_Stream0_IRQHandler, DMA2_Stream1_IRQHandler, DMA2_Stream2_IRQHandler, DMA2_Stream3_IRQHandler,
    DMA2_Stream4_IRQHandler,                               // 56 .. 60
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,  // 61 ETH .. 66 CAN2 SCE
    OTG_FS_IRQHandler,                                     // 67
    DMA2_Stream5_IRQHandler, DMA2_Stream6_IRQHandler, DMA2_Stream7_IRQHandler, // 68 .. 70
    USART6_IRQHandler,                                     // 71
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,  // 72 I2C3 .. 77 OTG HS
    nullptr, nullptr, nullptr, nullptr,                    // 78 DCMI .. 81 FPU
};

// Copies the initial values of the initialised data to SRAM and clears the data after them.
extern "C" void ProgramInit()
{
    const uint32_t* source = &_sidata;
    for (uint32_t* word = &_sdata; word < &_edata; ++word)
        *word = *source++;
    for (uint32_t* word = &_sbss; word < &_ebss; ++word)
        *word = 0;
}

// The core-coupled RAM holds the stack: its clock stays on whatever ran before a reset.
extern "C" __attribute__((noreturn)) void Reset_Handler()
{
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_CCMDATARAMEN, ENABLE);
    ProgramInit();
    _start();
    for (;;)
        __NOP();
}
