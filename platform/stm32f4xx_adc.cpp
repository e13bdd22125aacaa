#include "stm32f4xx_adc.h"

#include "stm32f4xx_rcc.h"

namespace
{
// CR1 and CR2 fields that ADC_Init owns.
const uint32_t cr1InitBits = ADC_CR1_RES | ADC_CR1_SCAN;
const uint32_t cr2InitBits = ADC_CR2_CONT | ADC_CR2_ALIGN | ADC_CR2_EXTEN | ADC_CR2_EXTSEL;
const uint32_t ccrInitBits = ADC_CCR_MULTI | ADC_CCR_DELAY | ADC_CCR_DMA | ADC_CCR_ADCPRE;
} // namespace

void ADC_DeInit(void)
{
    // One reset bit serves all three converters and the common registers.
    RCC_APB2PeriphResetCmd(RCC_APB2ENR_ADC1EN, ENABLE);
    RCC_APB2PeriphResetCmd(RCC_APB2ENR_ADC1EN, DISABLE);
}

void ADC_Init(ADC_TypeDef* ADCx, ADC_InitTypeDef* ADC_InitStruct)
{
    uint32_t cr1 = ADCx->CR1;
    cr1 = (cr1 & ~cr1InitBits) | ADC_InitStruct->ADC_Resolution |
          (ADC_InitStruct->ADC_ScanConvMode != DISABLE ? ADC_CR1_SCAN : 0);
    ADCx->CR1 = cr1;

    uint32_t cr2 = ADCx->CR2;
    cr2 = (cr2 & ~cr2InitBits) | ADC_InitStruct->ADC_DataAlign | ADC_InitStruct->ADC_ExternalTrigConv |
          ADC_InitStruct->ADC_ExternalTrigConvEdge |
          (ADC_InitStruct->ADC_ContinuousConvMode != DISABLE ? ADC_CR2_CONT : 0);
    ADCx->CR2 = cr2;

    // Sequence length L is stored as the number of conversions minus one.
    const uint32_t length = ADC_InitStruct->ADC_NbrOfConversion == 0 ? 0 : ADC_InitStruct->ADC_NbrOfConversion - 1u;
    uint32_t sqr1 = ADCx->SQR1;
    sqr1 = (sqr1 & ~ADC_SQR1_L) | ((length << 20) & ADC_SQR1_L);
    ADCx->SQR1 = sqr1;
}

void ADC_StructInit(ADC_InitTypeDef* ADC_InitStruct)
{
    ADC_InitStruct->ADC_Resolution = ADC_Resolution_12b;
    ADC_InitStruct->ADC_ScanConvMode = DISABLE;
    ADC_InitStruct->ADC_ContinuousConvMode = DISABLE;
    ADC_InitStruct->ADC_ExternalTrigConvEdge = ADC_ExternalTrigConvEdge_None;
    ADC_InitStruct->ADC_ExternalTrigConv = ADC_ExternalTrigConv_T1_CC1;
    ADC_InitStruct->ADC_DataAlign = ADC_DataAlign_Right;
    ADC_InitStruct->ADC_NbrOfConversion = 1;
}

void ADC_CommonInit(ADC_CommonInitTypeDef* ADC_CommonInitStruct)
{
    uint32_t ccr = ADC->CCR;
    ccr = (ccr & ~ccrInitBits) | ADC_CommonInitStruct->ADC_Mode | ADC_CommonInitStruct->ADC_Prescaler |
          ADC_CommonInitStruct->ADC_DMAAccessMode | ADC_CommonInitStruct->ADC_TwoSamplingDelay;
    ADC->CCR = ccr;
}

void ADC_CommonStructInit(ADC_CommonInitTypeDef* ADC_CommonInitStruct)
{
    ADC_CommonInitStruct->ADC_Mode = ADC_Mode_Independent;
    ADC_CommonInitStruct->ADC_Prescaler = ADC_Prescaler_Div2;
    ADC_CommonInitStruct->ADC_DMAAccessMode = ADC_DMAAccessMode_Disabled;
    ADC_CommonInitStruct->ADC_TwoSamplingDelay = ADC_TwoSamplingDelay_5Cycles;
}

void ADC_Cmd(ADC_TypeDef* ADCx, FunctionalState NewState)
{
    if (NewState != DISABLE)
        ADCx->CR2 |= ADC_CR2_ADON;
    else
        ADCx->CR2 &= ~ADC_CR2_ADON;
}

void ADC_RegularChannelConfig(ADC_TypeDef* ADCx, uint8_t ADC_Channel, uint8_t Rank, uint8_t ADC_SampleTime)
{
    // Sample time: three bits per channel, channels 10 to 18 in SMPR1, 0 to 9 in SMPR2.
    if (ADC_Channel > 9)
    {
        const uint32_t shift = 3u * (ADC_Channel - 10u);
        uint32_t smpr1 = ADCx->SMPR1;
        smpr1 = (smpr1 & ~(7u << shift)) | (static_cast<uint32_t>(ADC_SampleTime) << shift);
        ADCx->SMPR1 = smpr1;
    }
    else
    {
        const uint32_t shift = 3u * ADC_Channel;
        uint32_t smpr2 = ADCx->SMPR2;
        smpr2 = (smpr2 & ~(7u << shift)) | (static_cast<uint32_t>(ADC_SampleTime) << shift);
        ADCx->SMPR2 = smpr2;
    }
    // Rank: five bits per position, ranks 1 to 6 in SQR3, 7 to 12 in SQR2, 13 to 16 in SQR1.
    if (Rank < 7)
    {
        const uint32_t shift = 5u * (Rank - 1u);
        uint32_t sqr3 = ADCx->SQR3;
        sqr3 = (sqr3 & ~(0x1Fu << shift)) | (static_cast<uint32_t>(ADC_Channel) << shift);
        ADCx->SQR3 = sqr3;
    }
    else if (Rank < 13)
    {
        const uint32_t shift = 5u * (Rank - 7u);
        uint32_t sqr2 = ADCx->SQR2;
        sqr2 = (sqr2 & ~(0x1Fu << shift)) | (static_cast<uint32_t>(ADC_Channel) << shift);
        ADCx->SQR2 = sqr2;
    }
    else
    {
        const uint32_t shift = 5u * (Rank - 13u);
        uint32_t sqr1 = ADCx->SQR1;
        sqr1 = (sqr1 & ~(0x1Fu << shift)) | (static_cast<uint32_t>(ADC_Channel) << shift);
        ADCx->SQR1 = sqr1;
    }
}

void ADC_SoftwareStartConv(ADC_TypeDef* ADCx)
{
    ADCx->CR2 |= ADC_CR2_SWSTART;
}

void ADC_EOCOnEachRegularChannelCmd(ADC_TypeDef* ADCx, FunctionalState NewState)
{
    if (NewState != DISABLE)
        ADCx->CR2 |= ADC_CR2_EOCS;
    else
        ADCx->CR2 &= ~ADC_CR2_EOCS;
}

uint16_t ADC_GetConversionValue(ADC_TypeDef* ADCx)
{
    return static_cast<uint16_t>(ADCx->DR);
}

FlagStatus ADC_GetFlagStatus(ADC_TypeDef* ADCx, uint8_t ADC_FLAG)
{
    return (ADCx->SR & ADC_FLAG) != 0 ? SET : RESET;
}

void ADC_ClearFlag(ADC_TypeDef* ADCx, uint8_t ADC_FLAG)
{
    // Status flags are cleared by writing 0; 1s leave the others alone (the upper bits are reserved).
    ADCx->SR = ~static_cast<uint32_t>(ADC_FLAG) & 0x3Fu;
}
