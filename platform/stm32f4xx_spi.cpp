#include "stm32f4xx_spi.h"

void SPI_Cmd(SPI_TypeDef* SPIx, FunctionalState NewState)
{
    if (NewState != DISABLE)
        SPIx->CR1 |= SPI_CR1_SPE;
    else
        SPIx->CR1 &= ~SPI_CR1_SPE;
}

void SPI_I2S_SendData(SPI_TypeDef* SPIx, uint16_t Data)
{
    SPIx->DR = Data;
}

uint16_t SPI_I2S_ReceiveData(SPI_TypeDef* SPIx)
{
    return static_cast<uint16_t>(SPIx->DR);
}

void SPI_I2S_ITConfig(SPI_TypeDef* SPIx, uint8_t SPI_I2S_IT, FunctionalState NewState)
{
    const uint32_t mask = 1u << (SPI_I2S_IT >> 4);
    if (NewState != DISABLE)
        SPIx->CR2 |= mask;
    else
        SPIx->CR2 &= ~mask;
}

FlagStatus SPI_I2S_GetFlagStatus(SPI_TypeDef* SPIx, uint16_t SPI_I2S_FLAG)
{
    return (SPIx->SR & SPI_I2S_FLAG) != 0 ? SET : RESET;
}

ITStatus SPI_I2S_GetITStatus(SPI_TypeDef* SPIx, uint8_t SPI_I2S_IT)
{
    const uint32_t flag = 1u << (SPI_I2S_IT & 0x0F);
    const uint32_t enable = 1u << (SPI_I2S_IT >> 4);
    const bool enabled = (SPIx->CR2 & enable) != 0;
    return enabled && (SPIx->SR & flag) != 0 ? SET : RESET;
}

void SPI_I2S_ClearITPendingBit(SPI_TypeDef* SPIx, uint8_t SPI_I2S_IT)
{
    // Only CRCERR is cleared by writing 0; the other flags clear by their read sequences.
    const uint32_t flag = 1u << (SPI_I2S_IT & 0x0F);
    SPIx->SR = ~flag & 0x1FFu;
}
