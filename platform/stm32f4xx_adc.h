// ADC: converter set-up, regular channel sequence, software start, status flags and the regular
// data register (single conversions, polled).
#pragma once

#include "stm32f4xx.h"

typedef struct
{
    uint32_t ADC_Resolution;             /* ADC_Resolution_12b .. ADC_Resolution_6b */
    FunctionalState ADC_ScanConvMode;    /* convert the whole regular sequence */
    FunctionalState ADC_ContinuousConvMode;
    uint32_t ADC_ExternalTrigConvEdge;   /* ADC_ExternalTrigConvEdge_None: software start only */
    uint32_t ADC_ExternalTrigConv;       /* trigger source (EXTSEL) */
    uint32_t ADC_DataAlign;              /* ADC_DataAlign_Right or _Left */
    uint8_t ADC_NbrOfConversion;         /* regular sequence length, 1 to 16 */
} ADC_InitTypeDef;

typedef struct
{
    uint32_t ADC_Mode;             /* independent, dual or triple (MULTI) */
    uint32_t ADC_Prescaler;        /* ADC clock = PCLK2 / 2, 4, 6 or 8 */
    uint32_t ADC_DMAAccessMode;
    uint32_t ADC_TwoSamplingDelay;
} ADC_CommonInitTypeDef;

#define ADC_Resolution_12b ((uint32_t)0x00000000)
#define ADC_Resolution_10b ((uint32_t)0x01000000)
#define ADC_Resolution_8b ((uint32_t)0x02000000)
#define ADC_Resolution_6b ((uint32_t)0x03000000)

#define ADC_ExternalTrigConvEdge_None ((uint32_t)0x00000000)
#define ADC_ExternalTrigConvEdge_Rising ((uint32_t)0x10000000)
#define ADC_ExternalTrigConvEdge_Falling ((uint32_t)0x20000000)
#define ADC_ExternalTrigConvEdge_RisingFalling ((uint32_t)0x30000000)
#define ADC_ExternalTrigConv_T1_CC1 ((uint32_t)0x00000000)

#define ADC_DataAlign_Right ((uint32_t)0x00000000)
#define ADC_DataAlign_Left ((uint32_t)0x00000800)

#define ADC_Mode_Independent ((uint32_t)0x00000000)
#define ADC_Prescaler_Div2 ((uint32_t)0x00000000)
#define ADC_Prescaler_Div4 ((uint32_t)0x00010000)
#define ADC_Prescaler_Div6 ((uint32_t)0x00020000)
#define ADC_Prescaler_Div8 ((uint32_t)0x00030000)
#define ADC_DMAAccessMode_Disabled ((uint32_t)0x00000000)
#define ADC_TwoSamplingDelay_5Cycles ((uint32_t)0x00000000)

#define ADC_Channel_0 ((uint8_t)0x00)
#define ADC_Channel_4 ((uint8_t)0x04)
#define ADC_Channel_5 ((uint8_t)0x05)
#define ADC_Channel_12 ((uint8_t)0x0C)
#define ADC_Channel_13 ((uint8_t)0x0D)
#define ADC_Channel_14 ((uint8_t)0x0E)
#define ADC_Channel_15 ((uint8_t)0x0F)
#define ADC_Channel_18 ((uint8_t)0x12)

#define ADC_SampleTime_3Cycles ((uint8_t)0x00)
#define ADC_SampleTime_15Cycles ((uint8_t)0x01)
#define ADC_SampleTime_28Cycles ((uint8_t)0x02)
#define ADC_SampleTime_56Cycles ((uint8_t)0x03)
#define ADC_SampleTime_84Cycles ((uint8_t)0x04)
#define ADC_SampleTime_112Cycles ((uint8_t)0x05)
#define ADC_SampleTime_144Cycles ((uint8_t)0x06)
#define ADC_SampleTime_480Cycles ((uint8_t)0x07)

#define ADC_FLAG_AWD ((uint8_t)0x01)
#define ADC_FLAG_EOC ((uint8_t)0x02)
#define ADC_FLAG_JEOC ((uint8_t)0x04)
#define ADC_FLAG_JSTRT ((uint8_t)0x08)
#define ADC_FLAG_STRT ((uint8_t)0x10)
#define ADC_FLAG_OVR ((uint8_t)0x20)

void ADC_DeInit(void);
void ADC_Init(ADC_TypeDef* ADCx, ADC_InitTypeDef* ADC_InitStruct);
void ADC_StructInit(ADC_InitTypeDef* ADC_InitStruct);
void ADC_CommonInit(ADC_CommonInitTypeDef* ADC_CommonInitStruct);
void ADC_CommonStructInit(ADC_CommonInitTypeDef* ADC_CommonInitStruct);
void ADC_Cmd(ADC_TypeDef* ADCx, FunctionalState NewState);
void ADC_RegularChannelConfig(ADC_TypeDef* ADCx, uint8_t ADC_Channel, uint8_t Rank, uint8_t ADC_SampleTime);
void ADC_SoftwareStartConv(ADC_TypeDef* ADCx);
void ADC_EOCOnEachRegularChannelCmd(ADC_TypeDef* ADCx, FunctionalState NewState);
uint16_t ADC_GetConversionValue(ADC_TypeDef* ADCx);
FlagStatus ADC_GetFlagStatus(ADC_TypeDef* ADCx, uint8_t ADC_FLAG);
void ADC_ClearFlag(ADC_TypeDef* ADCx, uint8_t ADC_FLAG);
