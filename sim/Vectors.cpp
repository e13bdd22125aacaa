// The host vector table. It holds exactly the handlers that the firmware's vector table on the
// board holds; every other entry is 0 there and null here. Each handler is a weak reference, so a
// program that does not link a handler (a unit test) gets null instead of a link error.
#include "sim/Vectors.h"

#include "irq_handlers.h"

extern "C"
{
    void HardFault_Handler() __attribute__((weak));
    void MemManage_Handler() __attribute__((weak));
    void BusFault_Handler() __attribute__((weak));
    void UsageFault_Handler() __attribute__((weak));
    void SVC_Handler() __attribute__((weak));
    void PendSV_Handler() __attribute__((weak));
    void SysTick_Handler() __attribute__((weak));
}

namespace Sim
{

namespace
{

const char* const m_names[] = {
    "reserved",
    "Reset_Handler",
    "NMI_Handler",
    "HardFault_Handler",
    "MemManage_Handler",
    "BusFault_Handler",
    "UsageFault_Handler",
    "reserved",
    "reserved",
    "reserved",
    "reserved",
    "SVC_Handler",
    "DebugMon_Handler",
    "reserved",
    "PendSV_Handler",
    "SysTick_Handler",
    "WWDG_IRQHandler",
    "PVD_IRQHandler",
    "TAMP_STAMP_IRQHandler",
    "RTC_WKUP_IRQHandler",
    "FLASH_IRQHandler",
    "RCC_IRQHandler",
    "EXTI0_IRQHandler",
    "EXTI1_IRQHandler",
    "EXTI2_IRQHandler",
    "EXTI3_IRQHandler",
    "EXTI4_IRQHandler",
    "DMA1_Stream0_IRQHandler",
    "DMA1_Stream1_IRQHandler",
    "DMA1_Stream2_IRQHandler",
    "DMA1_Stream3_IRQHandler",
    "DMA1_Stream4_IRQHandler",
    "DMA1_Stream5_IRQHandler",
    "DMA1_Stream6_IRQHandler",
    "ADC_IRQHandler",
    "CAN1_TX_IRQHandler",
    "CAN1_RX0_IRQHandler",
    "CAN1_RX1_IRQHandler",
    "CAN1_SCE_IRQHandler",
    "EXTI9_5_IRQHandler",
    "TIM1_BRK_TIM9_IRQHandler",
    "TIM1_UP_TIM10_IRQHandler",
    "TIM1_TRG_COM_TIM11_IRQHandler",
    "TIM1_CC_IRQHandler",
    "TIM2_IRQHandler",
    "TIM3_IRQHandler",
    "TIM4_IRQHandler",
    "I2C1_EV_IRQHandler",
    "I2C1_ER_IRQHandler",
    "I2C2_EV_IRQHandler",
    "I2C2_ER_IRQHandler",
    "SPI1_IRQHandler",
    "SPI2_IRQHandler",
    "USART1_IRQHandler",
    "USART2_IRQHandler",
    "USART3_IRQHandler",
    "EXTI15_10_IRQHandler",
    "RTC_Alarm_IRQHandler",
    "OTG_FS_WKUP_IRQHandler",
    "TIM8_BRK_TIM12_IRQHandler",
    "TIM8_UP_TIM13_IRQHandler",
    "TIM8_TRG_COM_TIM14_IRQHandler",
    "TIM8_CC_IRQHandler",
    "DMA1_Stream7_IRQHandler",
    "FSMC_IRQHandler",
    "SDIO_IRQHandler",
    "TIM5_IRQHandler",
    "SPI3_IRQHandler",
    "UART4_IRQHandler",
    "UART5_IRQHandler",
    "TIM6_DAC_IRQHandler",
    "TIM7_IRQHandler",
    "DMA2_Stream0_IRQHandler",
    "DMA2_Stream1_IRQHandler",
    "DMA2_Stream2_IRQHandler",
    "DMA2_Stream3_IRQHandler",
    "DMA2_Stream4_IRQHandler",
    "ETH_IRQHandler",
    "ETH_WKUP_IRQHandler",
    "CAN2_TX_IRQHandler",
    "CAN2_RX0_IRQHandler",
    "CAN2_RX1_IRQHandler",
    "CAN2_SCE_IRQHandler",
    "OTG_FS_IRQHandler",
    "DMA2_Stream5_IRQHandler",
    "DMA2_Stream6_IRQHandler",
    "DMA2_Stream7_IRQHandler",
    "USART6_IRQHandler",
    "I2C3_EV_IRQHandler",
    "I2C3_ER_IRQHandler",
    "OTG_HS_EP1_OUT_IRQHandler",
    "OTG_HS_EP1_IN_IRQHandler",
    "OTG_HS_WKUP_IRQHandler",
    "OTG_HS_IRQHandler",
    "DCMI_IRQHandler",
    "CRYP_IRQHandler",
    "HASH_RNG_IRQHandler",
    "FPU_IRQHandler",
};

} // namespace

Handler HostVector(int exception)
{
    switch (exception)
    {
    case 3:
        return HardFault_Handler;
    case 4:
        return MemManage_Handler;
    case 5:
        return BusFault_Handler;
    case 6:
        return UsageFault_Handler;
    case 11:
        return SVC_Handler;
    case 14:
        return PendSV_Handler;
    case 15:
        return SysTick_Handler;
    case 22:
        return EXTI0_IRQHandler;
    case 23:
        return EXTI1_IRQHandler;
    case 25:
        return EXTI3_IRQHandler;
    case 27:
        return DMA1_Stream0_IRQHandler;
    case 28:
        return DMA1_Stream1_IRQHandler;
    case 29:
        return DMA1_Stream2_IRQHandler;
    case 30:
        return DMA1_Stream3_IRQHandler;
    case 31:
        return DMA1_Stream4_IRQHandler;
    case 32:
        return DMA1_Stream5_IRQHandler;
    case 33:
        return DMA1_Stream6_IRQHandler;
    case 39:
        return EXTI9_5_IRQHandler;
    case 44:
        return TIM2_IRQHandler;
    case 51:
        return SPI1_IRQHandler;
    case 53:
        return USART1_IRQHandler;
    case 54:
        return USART2_IRQHandler;
    case 56:
        return EXTI15_10_IRQHandler;
    case 63:
        return DMA1_Stream7_IRQHandler;
    case 65:
        return SDIO_IRQHandler;
    case 68:
        return UART4_IRQHandler;
    case 71:
        return TIM7_IRQHandler;
    case 72:
        return DMA2_Stream0_IRQHandler;
    case 73:
        return DMA2_Stream1_IRQHandler;
    case 74:
        return DMA2_Stream2_IRQHandler;
    case 75:
        return DMA2_Stream3_IRQHandler;
    case 76:
        return DMA2_Stream4_IRQHandler;
    case 83:
        return OTG_FS_IRQHandler;
    case 84:
        return DMA2_Stream5_IRQHandler;
    case 85:
        return DMA2_Stream6_IRQHandler;
    case 86:
        return DMA2_Stream7_IRQHandler;
    case 87:
        return USART6_IRQHandler;
    default:
        return nullptr;
    }
}

const char* HostVectorName(int exception)
{
    if (exception <= 0 || exception >= static_cast<int>(sizeof m_names / sizeof m_names[0]))
        return "exception";
    return m_names[exception];
}

} // namespace Sim
