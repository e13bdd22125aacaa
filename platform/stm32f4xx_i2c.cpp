#include "stm32f4xx_i2c.h"

#include "stm32f4xx_rcc.h"

namespace
{
// CR1 bits that I2C_Init sets from the init structure.
const uint32_t cr1ModeBits = I2C_CR1_SMBUS | I2C_CR1_SMBTYPE | I2C_CR1_ACK;
// SR1 flags that software clears by writing 0; writing 1 elsewhere keeps the others.
const uint32_t sr1ClearableFlags = I2C_SR1_BERR | I2C_SR1_ARLO | I2C_SR1_AF | I2C_SR1_OVR | I2C_SR1_PECERR |
                                   I2C_SR1_TIMEOUT | I2C_SR1_SMBALERT;

void SetCr1Bit(I2C_TypeDef* I2Cx, uint32_t bit, FunctionalState state)
{
    if (state != DISABLE)
        I2Cx->CR1 |= bit;
    else
        I2Cx->CR1 &= ~bit;
}
} // namespace

void I2C_DeInit(I2C_TypeDef* I2Cx)
{
    uint32_t bit = RCC_APB1Periph_I2C1;
    if (I2Cx == I2C2)
        bit = RCC_APB1Periph_I2C2;
    else if (I2Cx == I2C3)
        bit = RCC_APB1Periph_I2C3;
    RCC_APB1PeriphResetCmd(bit, ENABLE);
    RCC_APB1PeriphResetCmd(bit, DISABLE);
}

void I2C_Init(I2C_TypeDef* I2Cx, I2C_InitTypeDef* I2C_InitStruct)
{
    RCC_ClocksTypeDef clocks;
    RCC_GetClocksFreq(&clocks);
    const uint32_t pclk1 = clocks.PCLK1_Frequency;
    // FREQ is the APB clock in MHz; the peripheral derives its timings from it.
    const uint32_t frequencyMHz = pclk1 / 1000000;
    I2Cx->CR2 = (I2Cx->CR2 & ~I2C_CR2_FREQ) | (frequencyMHz & I2C_CR2_FREQ);

    // The clock control and rise time registers may only be written while the peripheral is off.
    I2Cx->CR1 &= ~I2C_CR1_PE;
    const uint32_t speed = I2C_InitStruct->I2C_ClockSpeed;
    uint32_t ccr = 0;
    uint32_t trise = 0;
    if (speed <= 100000)
    {
        // Standard mode: SCL high and low each last CCR periods of PCLK1; at least 4.
        ccr = pclk1 / (speed << 1);
        if (ccr < 4)
            ccr = 4;
        // Maximum rise time 1000 ns, in PCLK1 periods, plus one.
        trise = frequencyMHz + 1;
    }
    else
    {
        // Fast mode: Thigh = CCR and Tlow = 2 CCR periods (duty 2), or 9 and 16 CCR (duty 16/9).
        if (I2C_InitStruct->I2C_DutyCycle == I2C_DutyCycle_2)
            ccr = pclk1 / (speed * 3);
        else
            ccr = (pclk1 / (speed * 25)) | I2C_CCR_DUTY;
        if ((ccr & I2C_CCR_CCR) == 0)
            ccr |= 1;
        ccr |= I2C_CCR_FS;
        // Maximum rise time 300 ns.
        trise = frequencyMHz * 300 / 1000 + 1;
    }
    I2Cx->TRISE = trise;
    I2Cx->CCR = ccr;
    I2Cx->CR1 |= I2C_CR1_PE;

    I2Cx->CR1 = (I2Cx->CR1 & ~cr1ModeBits) | I2C_InitStruct->I2C_Mode | I2C_InitStruct->I2C_Ack;
    I2Cx->OAR1 = (uint32_t)I2C_InitStruct->I2C_AcknowledgedAddress | I2C_InitStruct->I2C_OwnAddress1;
}

void I2C_StructInit(I2C_InitTypeDef* I2C_InitStruct)
{
    I2C_InitStruct->I2C_ClockSpeed = 5000;
    I2C_InitStruct->I2C_Mode = I2C_Mode_I2C;
    I2C_InitStruct->I2C_DutyCycle = I2C_DutyCycle_2;
    I2C_InitStruct->I2C_OwnAddress1 = 0;
    I2C_InitStruct->I2C_Ack = I2C_Ack_Disable;
    I2C_InitStruct->I2C_AcknowledgedAddress = I2C_AcknowledgedAddress_7bit;
}

void I2C_Cmd(I2C_TypeDef* I2Cx, FunctionalState NewState) { SetCr1Bit(I2Cx, I2C_CR1_PE, NewState); }

void I2C_SoftwareResetCmd(I2C_TypeDef* I2Cx, FunctionalState NewState) { SetCr1Bit(I2Cx, I2C_CR1_SWRST, NewState); }

void I2C_GenerateSTART(I2C_TypeDef* I2Cx, FunctionalState NewState) { SetCr1Bit(I2Cx, I2C_CR1_START, NewState); }

void I2C_GenerateSTOP(I2C_TypeDef* I2Cx, FunctionalState NewState) { SetCr1Bit(I2Cx, I2C_CR1_STOP, NewState); }

void I2C_Send7bitAddress(I2C_TypeDef* I2Cx, uint8_t Address, uint8_t I2C_Direction)
{
    // The address comes in its 8-bit form; bit 0 carries the direction.
    const uint8_t byte = I2C_Direction != I2C_Direction_Transmitter ? (uint8_t)(Address | 1) : (uint8_t)(Address & 0xFE);
    I2Cx->DR = byte;
}

void I2C_SendData(I2C_TypeDef* I2Cx, uint8_t Data) { I2Cx->DR = Data; }

uint8_t I2C_ReceiveData(I2C_TypeDef* I2Cx) { return (uint8_t)I2Cx->DR; }

void I2C_AcknowledgeConfig(I2C_TypeDef* I2Cx, FunctionalState NewState) { SetCr1Bit(I2Cx, I2C_CR1_ACK, NewState); }

void I2C_NACKPositionConfig(I2C_TypeDef* I2Cx, uint16_t I2C_NACKPosition)
{
    SetCr1Bit(I2Cx, I2C_CR1_POS, I2C_NACKPosition == I2C_NACKPosition_Next ? ENABLE : DISABLE);
}

void I2C_ITConfig(I2C_TypeDef* I2Cx, uint16_t I2C_IT, FunctionalState NewState)
{
    if (NewState != DISABLE)
        I2Cx->CR2 |= I2C_IT;
    else
        I2Cx->CR2 &= ~(uint32_t)I2C_IT;
}

uint32_t I2C_GetLastEvent(I2C_TypeDef* I2Cx)
{
    // SR1 first, then SR2: that order is what clears ADDR.
    const uint32_t sr1 = I2Cx->SR1;
    const uint32_t sr2 = I2Cx->SR2;
    return (sr1 | (sr2 << 16)) & 0x00FFFFFF;
}

ErrorStatus I2C_CheckEvent(I2C_TypeDef* I2Cx, uint32_t I2C_EVENT)
{
    return (I2C_GetLastEvent(I2Cx) & I2C_EVENT) == I2C_EVENT ? SUCCESS : ERROR;
}

FlagStatus I2C_GetFlagStatus(I2C_TypeDef* I2Cx, uint32_t I2C_FLAG)
{
    // Bit 28 tells an SR1 flag from an SR2 flag (which sits in the upper half).
    const uint32_t value = (I2C_FLAG & 0x10000000) != 0 ? (uint32_t)I2Cx->SR1 : ((uint32_t)I2Cx->SR2 << 16);
    return (value & I2C_FLAG & 0x00FFFFFF) != 0 ? SET : RESET;
}

void I2C_ClearFlag(I2C_TypeDef* I2Cx, uint32_t I2C_FLAG)
{
    // Only the error flags are cleared by writing 0; the status bits are read-only and the
    // reserved bits stay 0.
    I2Cx->SR1 = ~I2C_FLAG & sr1ClearableFlags;
}
