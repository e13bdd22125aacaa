#include "stm32f4xx_gpio.h"

#include "stm32f4xx_rcc.h"

void GPIO_DeInit(GPIO_TypeDef* GPIOx)
{
    // Ports are 0x400 apart from GPIOA, in the same order as their reset bits.
    const uint32_t port = (uint32_t)(((uintptr_t)GPIOx - (uintptr_t)GPIOA) / 0x400);
    if (port > 8)
        return;
    RCC_AHB1PeriphResetCmd((uint32_t)1 << port, ENABLE);
    RCC_AHB1PeriphResetCmd((uint32_t)1 << port, DISABLE);
}

void GPIO_Init(GPIO_TypeDef* GPIOx, GPIO_InitTypeDef* GPIO_InitStruct)
{
    // Build the masks of every selected pin first so that each register is written once.
    uint32_t fieldMask2 = 0; // two-bit fields of the selected pins
    uint32_t mode = 0;
    uint32_t speed = 0;
    uint32_t pull = 0;
    for (uint32_t pin = 0; pin < 16; ++pin)
    {
        if ((GPIO_InitStruct->GPIO_Pin & ((uint32_t)1 << pin)) == 0)
            continue;
        fieldMask2 |= (uint32_t)3 << (pin * 2);
        mode |= (uint32_t)GPIO_InitStruct->GPIO_Mode << (pin * 2);
        speed |= (uint32_t)GPIO_InitStruct->GPIO_Speed << (pin * 2);
        pull |= (uint32_t)GPIO_InitStruct->GPIO_PuPd << (pin * 2);
    }
    const uint32_t pins = GPIO_InitStruct->GPIO_Pin & 0xFFFF;
    if (pins == 0)
        return;

    GPIOx->MODER = (GPIOx->MODER & ~fieldMask2) | mode;
    if (GPIO_InitStruct->GPIO_Mode == GPIO_Mode_OUT || GPIO_InitStruct->GPIO_Mode == GPIO_Mode_AF)
    {
        GPIOx->OSPEEDR = (GPIOx->OSPEEDR & ~fieldMask2) | speed;
        const uint32_t type = GPIO_InitStruct->GPIO_OType == GPIO_OType_OD ? pins : 0;
        GPIOx->OTYPER = (GPIOx->OTYPER & ~pins) | type;
    }
    GPIOx->PUPDR = (GPIOx->PUPDR & ~fieldMask2) | pull;
}

void GPIO_StructInit(GPIO_InitTypeDef* GPIO_InitStruct)
{
    GPIO_InitStruct->GPIO_Pin = GPIO_Pin_All;
    GPIO_InitStruct->GPIO_Mode = GPIO_Mode_IN;
    GPIO_InitStruct->GPIO_Speed = GPIO_Speed_2MHz;
    GPIO_InitStruct->GPIO_OType = GPIO_OType_PP;
    GPIO_InitStruct->GPIO_PuPd = GPIO_PuPd_NOPULL;
}

void GPIO_PinLockConfig(GPIO_TypeDef* GPIOx, uint16_t GPIO_Pin)
{
    // Lock key sequence: write LCKK=1 with the pins, LCKK=0, LCKK=1, then read twice; the second
    // read returns LCKK=1 once the lock is active.
    const uint32_t keyed = GPIO_LCKR_LCKK | GPIO_Pin;
    GPIOx->LCKR = keyed;
    GPIOx->LCKR = GPIO_Pin;
    GPIOx->LCKR = keyed;
    uint32_t check = GPIOx->LCKR;
    check = GPIOx->LCKR;
    (void)check;
}

void GPIO_PinAFConfig(GPIO_TypeDef* GPIOx, uint16_t GPIO_PinSource, uint8_t GPIO_AF)
{
    const uint32_t shift = ((uint32_t)GPIO_PinSource & 0x07) * 4;
    __IO32& afr = GPIOx->AFR[GPIO_PinSource >> 3];
    afr = (afr & ~((uint32_t)0xF << shift)) | ((uint32_t)GPIO_AF << shift);
}

uint8_t GPIO_ReadInputDataBit(GPIO_TypeDef* GPIOx, uint16_t GPIO_Pin)
{
    return (GPIOx->IDR & GPIO_Pin) != 0 ? (uint8_t)Bit_SET : (uint8_t)Bit_RESET;
}

uint16_t GPIO_ReadInputData(GPIO_TypeDef* GPIOx) { return (uint16_t)GPIOx->IDR; }

uint8_t GPIO_ReadOutputDataBit(GPIO_TypeDef* GPIOx, uint16_t GPIO_Pin)
{
    return (GPIOx->ODR & GPIO_Pin) != 0 ? (uint8_t)Bit_SET : (uint8_t)Bit_RESET;
}

uint16_t GPIO_ReadOutputData(GPIO_TypeDef* GPIOx) { return (uint16_t)GPIOx->ODR; }

void GPIO_SetBits(GPIO_TypeDef* GPIOx, uint16_t GPIO_Pin) { GPIOx->BSRRL = GPIO_Pin; }

void GPIO_ResetBits(GPIO_TypeDef* GPIOx, uint16_t GPIO_Pin) { GPIOx->BSRRH = GPIO_Pin; }

void GPIO_WriteBit(GPIO_TypeDef* GPIOx, uint16_t GPIO_Pin, BitAction BitVal)
{
    if (BitVal != Bit_RESET)
        GPIOx->BSRRL = GPIO_Pin;
    else
        GPIOx->BSRRH = GPIO_Pin;
}

void GPIO_Write(GPIO_TypeDef* GPIOx, uint16_t PortVal) { GPIOx->ODR = PortVal; }

void GPIO_ToggleBits(GPIO_TypeDef* GPIOx, uint16_t GPIO_Pin) { GPIOx->ODR = GPIOx->ODR ^ GPIO_Pin; }
