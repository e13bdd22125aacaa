#include "stm32f4xx_usart.h"

#include "stm32f4xx_rcc.h"

namespace
{
const uint32_t cr1InitBits = USART_CR1_M | USART_CR1_PCE | USART_CR1_PS | USART_CR1_TE | USART_CR1_RE;
const uint32_t cr3InitBits = USART_CR3_RTSE | USART_CR3_CTSE;
// Flags that software may clear by writing 0 (the others clear by their read sequences); the
// upper bits of SR are reserved.
const uint32_t clearableFlags = USART_SR_RXNE | USART_SR_TC | USART_SR_LBD | USART_SR_CTS;

bool OnApb2(USART_TypeDef* USARTx) { return USARTx == USART1 || USARTx == USART6; }

__IO32& EnableRegister(USART_TypeDef* USARTx, uint16_t code)
{
    switch ((code >> 5) & 7)
    {
    case 1:
        return USARTx->CR1;
    case 2:
        return USARTx->CR2;
    default:
        return USARTx->CR3;
    }
}
} // namespace

void USART_DeInit(USART_TypeDef* USARTx)
{
    uint32_t bit = 0;
    if (USARTx == USART1)
        bit = RCC_APB2Periph_USART1;
    else if (USARTx == USART6)
        bit = RCC_APB2Periph_USART6;
    else if (USARTx == USART2)
        bit = RCC_APB1Periph_USART2;
    else if (USARTx == USART3)
        bit = RCC_APB1Periph_USART3;
    else if (USARTx == UART4)
        bit = RCC_APB1Periph_UART4;
    else
        bit = RCC_APB1Periph_UART5;
    if (OnApb2(USARTx))
    {
        RCC_APB2PeriphResetCmd(bit, ENABLE);
        RCC_APB2PeriphResetCmd(bit, DISABLE);
    }
    else
    {
        RCC_APB1PeriphResetCmd(bit, ENABLE);
        RCC_APB1PeriphResetCmd(bit, DISABLE);
    }
}

void USART_Init(USART_TypeDef* USARTx, USART_InitTypeDef* USART_InitStruct)
{
    uint32_t cr2 = USARTx->CR2;
    cr2 = (cr2 & ~USART_CR2_STOP) | USART_InitStruct->USART_StopBits;
    USARTx->CR2 = cr2;

    uint32_t cr1 = USARTx->CR1;
    cr1 = (cr1 & ~cr1InitBits) | USART_InitStruct->USART_WordLength | USART_InitStruct->USART_Parity |
          USART_InitStruct->USART_Mode;
    USARTx->CR1 = cr1;

    uint32_t cr3 = USARTx->CR3;
    cr3 = (cr3 & ~cr3InitBits) | USART_InitStruct->USART_HardwareFlowControl;
    USARTx->CR3 = cr3;

    // The baud rate divides the bus clock by 16 (or 8 with OVER8) x USARTDIV; BRR holds USARTDIV
    // as a mantissa and a fraction of 4 bits (3 with OVER8), rounded to the nearest step.
    RCC_ClocksTypeDef clocks;
    RCC_GetClocksFreq(&clocks);
    const uint32_t clock = OnApb2(USARTx) ? clocks.PCLK2_Frequency : clocks.PCLK1_Frequency;
    const uint32_t baud = USART_InitStruct->USART_BaudRate == 0 ? 1 : USART_InitStruct->USART_BaudRate;
    uint32_t brr;
    if (cr1 & USART_CR1_OVER8)
    {
        const uint32_t eighths = (clock + baud / 2) / baud; // 8 x USARTDIV, USARTDIV = clock / (8 x baud)
        brr = ((eighths >> 3) << 4) | (eighths & 7);
    }
    else
        brr = (clock + baud / 2) / baud; // 16 x USARTDIV
    USARTx->BRR = brr & 0xFFFF;
}

void USART_StructInit(USART_InitTypeDef* USART_InitStruct)
{
    USART_InitStruct->USART_BaudRate = 9600;
    USART_InitStruct->USART_WordLength = USART_WordLength_8b;
    USART_InitStruct->USART_StopBits = USART_StopBits_1;
    USART_InitStruct->USART_Parity = USART_Parity_No;
    USART_InitStruct->USART_Mode = USART_Mode_Rx | USART_Mode_Tx;
    USART_InitStruct->USART_HardwareFlowControl = USART_HardwareFlowControl_None;
}

void USART_Cmd(USART_TypeDef* USARTx, FunctionalState NewState)
{
    if (NewState != DISABLE)
        USARTx->CR1 |= USART_CR1_UE;
    else
        USARTx->CR1 &= ~USART_CR1_UE;
}

void USART_SendData(USART_TypeDef* USARTx, uint16_t Data)
{
    USARTx->DR = Data & 0x1FFu;
}

uint16_t USART_ReceiveData(USART_TypeDef* USARTx)
{
    return static_cast<uint16_t>(USARTx->DR & 0x1FFu);
}

void USART_ITConfig(USART_TypeDef* USARTx, uint16_t USART_IT, FunctionalState NewState)
{
    const uint32_t mask = 1u << (USART_IT & 0x1F);
    __IO32& reg = EnableRegister(USARTx, USART_IT);
    if (NewState != DISABLE)
        reg |= mask;
    else
        reg &= ~mask;
}

FlagStatus USART_GetFlagStatus(USART_TypeDef* USARTx, uint16_t USART_FLAG)
{
    return (USARTx->SR & USART_FLAG) != 0 ? SET : RESET;
}

void USART_ClearFlag(USART_TypeDef* USARTx, uint16_t USART_FLAG)
{
    USARTx->SR = ~static_cast<uint32_t>(USART_FLAG) & 0x3FFu;
}

ITStatus USART_GetITStatus(USART_TypeDef* USARTx, uint16_t USART_IT)
{
    const uint32_t enable = 1u << (USART_IT & 0x1F);
    const uint32_t flag = 1u << (USART_IT >> 8);
    const bool enabled = (EnableRegister(USARTx, USART_IT) & enable) != 0;
    return enabled && (USARTx->SR & flag) != 0 ? SET : RESET;
}

void USART_ClearITPendingBit(USART_TypeDef* USARTx, uint16_t USART_IT)
{
    const uint32_t flag = 1u << (USART_IT >> 8);
    USARTx->SR = ~(flag & clearableFlags) & 0x3FFu;
}
