#include "stm32f4xx_tim.h"

#include "stm32f4xx_rcc.h"

namespace
{

bool IsAdvanced(TIM_TypeDef* TIMx) { return TIMx == TIM1 || TIMx == TIM8; }

bool IsBasic(TIM_TypeDef* TIMx) { return TIMx == TIM6 || TIMx == TIM7; }

// Timers whose counter can count down or centre-aligned (the general-purpose ones with four
// channels and the advanced ones).
bool HasCounterModes(TIM_TypeDef* TIMx)
{
    return TIMx == TIM1 || TIMx == TIM2 || TIMx == TIM3 || TIMx == TIM4 || TIMx == TIM5 || TIMx == TIM8;
}

void SetOrClear(__IO32& reg, uint32_t mask, FunctionalState state)
{
    uint32_t value = reg;
    if (state != DISABLE)
        value |= mask;
    else
        value &= ~mask;
    reg = value;
}

// Output compare channel n (0..3): CCMR field at 8 (n % 2) of CCMR1/CCMR2, CCER nibble at 4 n,
// CR2 idle state bits at 8 + 2 n.
void OCInit(TIM_TypeDef* TIMx, unsigned n, TIM_OCInitTypeDef* init)
{
    const uint32_t ccerShift = 4 * n;
    const uint32_t ccmrShift = 8 * (n % 2);
    __IO32& ccmr = n < 2 ? TIMx->CCMR1 : TIMx->CCMR2;

    // The channel is switched off while its mode changes.
    uint32_t ccer = TIMx->CCER & ~(TIM_CCER_CC1E << ccerShift);
    TIMx->CCER = ccer;

    uint32_t cr2 = TIMx->CR2;
    uint32_t mode = ccmr;
    mode &= ~((TIM_CCMR1_OC1M | TIM_CCMR1_CC1S) << ccmrShift);
    mode |= (uint32_t)init->TIM_OCMode << ccmrShift;

    ccer &= ~(TIM_CCER_CC1P << ccerShift);
    ccer |= ((uint32_t)init->TIM_OCPolarity | init->TIM_OutputState) << ccerShift;

    if (IsAdvanced(TIMx))
    {
        // Complementary output (channels 1..3) and idle states.
        if (n < 3)
        {
            ccer &= ~((TIM_CCER_CC1NP | TIM_CCER_CC1NE) << ccerShift);
            ccer |= ((uint32_t)init->TIM_OCNPolarity | init->TIM_OutputNState) << ccerShift;
        }
        const uint32_t idleShift = 2 * n;
        cr2 &= ~((TIM_CR2_OIS1 | TIM_CR2_OIS1N) << idleShift);
        cr2 |= ((uint32_t)init->TIM_OCIdleState | init->TIM_OCNIdleState) << idleShift;
    }

    TIMx->CR2 = cr2;
    ccmr = mode;
    switch (n)
    {
    case 0:
        TIMx->CCR1 = init->TIM_Pulse;
        break;
    case 1:
        TIMx->CCR2 = init->TIM_Pulse;
        break;
    case 2:
        TIMx->CCR3 = init->TIM_Pulse;
        break;
    default:
        TIMx->CCR4 = init->TIM_Pulse;
        break;
    }
    TIMx->CCER = ccer;
}

void OCPreload(TIM_TypeDef* TIMx, unsigned n, uint16_t preload)
{
    const uint32_t shift = 8 * (n % 2);
    __IO32& ccmr = n < 2 ? TIMx->CCMR1 : TIMx->CCMR2;
    ccmr = (ccmr & ~(TIM_CCMR1_OC1PE << shift)) | ((uint32_t)preload << shift);
}

} // namespace

void TIM_DeInit(TIM_TypeDef* TIMx)
{
    struct Entry
    {
        TIM_TypeDef* timer;
        bool apb2;
        uint32_t bit;
    };
    const Entry entries[] = {
        {TIM1, true, RCC_APB2Periph_TIM1},    {TIM8, true, RCC_APB2Periph_TIM8},
        {TIM9, true, RCC_APB2Periph_TIM9},    {TIM10, true, RCC_APB2Periph_TIM10},
        {TIM11, true, RCC_APB2Periph_TIM11},  {TIM2, false, RCC_APB1Periph_TIM2},
        {TIM3, false, RCC_APB1Periph_TIM3},   {TIM4, false, RCC_APB1Periph_TIM4},
        {TIM5, false, RCC_APB1Periph_TIM5},   {TIM6, false, RCC_APB1Periph_TIM6},
        {TIM7, false, RCC_APB1Periph_TIM7},   {TIM12, false, RCC_APB1Periph_TIM12},
        {TIM13, false, RCC_APB1Periph_TIM13}, {TIM14, false, RCC_APB1Periph_TIM14},
    };
    for (const Entry& entry : entries)
    {
        if (entry.timer != TIMx)
            continue;
        if (entry.apb2)
        {
            RCC_APB2PeriphResetCmd(entry.bit, ENABLE);
            RCC_APB2PeriphResetCmd(entry.bit, DISABLE);
        }
        else
        {
            RCC_APB1PeriphResetCmd(entry.bit, ENABLE);
            RCC_APB1PeriphResetCmd(entry.bit, DISABLE);
        }
    }
}

void TIM_TimeBaseInit(TIM_TypeDef* TIMx, TIM_TimeBaseInitTypeDef* TIM_TimeBaseInitStruct)
{
    uint32_t cr1 = TIMx->CR1;
    if (HasCounterModes(TIMx))
    {
        cr1 &= ~(TIM_CR1_DIR | TIM_CR1_CMS);
        cr1 |= TIM_TimeBaseInitStruct->TIM_CounterMode;
    }
    if (!IsBasic(TIMx))
    {
        cr1 &= ~TIM_CR1_CKD;
        cr1 |= TIM_TimeBaseInitStruct->TIM_ClockDivision;
    }
    TIMx->CR1 = cr1;
    TIMx->ARR = TIM_TimeBaseInitStruct->TIM_Period;
    TIMx->PSC = TIM_TimeBaseInitStruct->TIM_Prescaler;
    if (IsAdvanced(TIMx))
        TIMx->RCR = TIM_TimeBaseInitStruct->TIM_RepetitionCounter;
    // An update event loads the prescaler (and repetition counter) now instead of at the next
    // overflow.
    TIMx->EGR = TIM_PSCReloadMode_Immediate;
}

void TIM_TimeBaseStructInit(TIM_TimeBaseInitTypeDef* TIM_TimeBaseInitStruct)
{
    TIM_TimeBaseInitStruct->TIM_Period = 0xFFFFFFFF;
    TIM_TimeBaseInitStruct->TIM_Prescaler = 0;
    TIM_TimeBaseInitStruct->TIM_ClockDivision = TIM_CKD_DIV1;
    TIM_TimeBaseInitStruct->TIM_CounterMode = TIM_CounterMode_Up;
    TIM_TimeBaseInitStruct->TIM_RepetitionCounter = 0;
}

void TIM_PrescalerConfig(TIM_TypeDef* TIMx, uint16_t Prescaler, uint16_t TIM_PSCReloadMode)
{
    TIMx->PSC = Prescaler;
    TIMx->EGR = TIM_PSCReloadMode;
}

void TIM_CounterModeConfig(TIM_TypeDef* TIMx, uint16_t TIM_CounterMode)
{
    TIMx->CR1 = (TIMx->CR1 & ~(TIM_CR1_DIR | TIM_CR1_CMS)) | TIM_CounterMode;
}

void TIM_SetCounter(TIM_TypeDef* TIMx, uint32_t Counter) { TIMx->CNT = Counter; }

void TIM_SetAutoreload(TIM_TypeDef* TIMx, uint32_t Autoreload) { TIMx->ARR = Autoreload; }

uint32_t TIM_GetCounter(TIM_TypeDef* TIMx) { return TIMx->CNT; }

uint16_t TIM_GetPrescaler(TIM_TypeDef* TIMx) { return (uint16_t)TIMx->PSC; }

void TIM_UpdateDisableConfig(TIM_TypeDef* TIMx, FunctionalState NewState)
{
    SetOrClear(TIMx->CR1, TIM_CR1_UDIS, NewState);
}

void TIM_UpdateRequestConfig(TIM_TypeDef* TIMx, uint16_t TIM_UpdateSource)
{
    SetOrClear(TIMx->CR1, TIM_CR1_URS, TIM_UpdateSource != TIM_UpdateSource_Global ? ENABLE : DISABLE);
}

void TIM_ARRPreloadConfig(TIM_TypeDef* TIMx, FunctionalState NewState)
{
    SetOrClear(TIMx->CR1, TIM_CR1_ARPE, NewState);
}

void TIM_Cmd(TIM_TypeDef* TIMx, FunctionalState NewState) { SetOrClear(TIMx->CR1, TIM_CR1_CEN, NewState); }

void TIM_OC1Init(TIM_TypeDef* TIMx, TIM_OCInitTypeDef* init) { OCInit(TIMx, 0, init); }
void TIM_OC2Init(TIM_TypeDef* TIMx, TIM_OCInitTypeDef* init) { OCInit(TIMx, 1, init); }
void TIM_OC3Init(TIM_TypeDef* TIMx, TIM_OCInitTypeDef* init) { OCInit(TIMx, 2, init); }
void TIM_OC4Init(TIM_TypeDef* TIMx, TIM_OCInitTypeDef* init) { OCInit(TIMx, 3, init); }

void TIM_OCStructInit(TIM_OCInitTypeDef* TIM_OCInitStruct)
{
    TIM_OCInitStruct->TIM_OCMode = TIM_OCMode_Timing;
    TIM_OCInitStruct->TIM_OutputState = TIM_OutputState_Disable;
    TIM_OCInitStruct->TIM_OutputNState = TIM_OutputNState_Disable;
    TIM_OCInitStruct->TIM_Pulse = 0;
    TIM_OCInitStruct->TIM_OCPolarity = TIM_OCPolarity_High;
    TIM_OCInitStruct->TIM_OCNPolarity = TIM_OCNPolarity_High;
    TIM_OCInitStruct->TIM_OCIdleState = TIM_OCIdleState_Reset;
    TIM_OCInitStruct->TIM_OCNIdleState = TIM_OCNIdleState_Reset;
}

void TIM_SetCompare1(TIM_TypeDef* TIMx, uint32_t Compare1) { TIMx->CCR1 = Compare1; }
void TIM_SetCompare2(TIM_TypeDef* TIMx, uint32_t Compare2) { TIMx->CCR2 = Compare2; }
void TIM_SetCompare3(TIM_TypeDef* TIMx, uint32_t Compare3) { TIMx->CCR3 = Compare3; }
void TIM_SetCompare4(TIM_TypeDef* TIMx, uint32_t Compare4) { TIMx->CCR4 = Compare4; }

void TIM_OC1PreloadConfig(TIM_TypeDef* TIMx, uint16_t p) { OCPreload(TIMx, 0, p); }
void TIM_OC2PreloadConfig(TIM_TypeDef* TIMx, uint16_t p) { OCPreload(TIMx, 1, p); }
void TIM_OC3PreloadConfig(TIM_TypeDef* TIMx, uint16_t p) { OCPreload(TIMx, 2, p); }
void TIM_OC4PreloadConfig(TIM_TypeDef* TIMx, uint16_t p) { OCPreload(TIMx, 3, p); }

void TIM_CtrlPWMOutputs(TIM_TypeDef* TIMx, FunctionalState NewState)
{
    SetOrClear(TIMx->BDTR, TIM_BDTR_MOE, NewState);
}

void TIM_ITConfig(TIM_TypeDef* TIMx, uint16_t TIM_IT, FunctionalState NewState)
{
    SetOrClear(TIMx->DIER, TIM_IT, NewState);
}

void TIM_GenerateEvent(TIM_TypeDef* TIMx, uint16_t TIM_EventSource) { TIMx->EGR = TIM_EventSource; }

FlagStatus TIM_GetFlagStatus(TIM_TypeDef* TIMx, uint16_t TIM_FLAG)
{
    return (TIMx->SR & TIM_FLAG) != 0 ? SET : RESET;
}

// SR flags are cleared by writing 0; writing 1 leaves them unchanged.
void TIM_ClearFlag(TIM_TypeDef* TIMx, uint16_t TIM_FLAG) { TIMx->SR = (uint16_t)~TIM_FLAG; }

ITStatus TIM_GetITStatus(TIM_TypeDef* TIMx, uint16_t TIM_IT)
{
    const uint32_t flag = TIMx->SR & TIM_IT;
    return (flag != 0 && (TIMx->DIER & TIM_IT) != 0) ? SET : RESET;
}

void TIM_ClearITPendingBit(TIM_TypeDef* TIMx, uint16_t TIM_IT) { TIMx->SR = (uint16_t)~TIM_IT; }
