#include "drivers/Driver/Buzzer.h"

#include "drivers/Driver/GPIO.h"
#include "system/Driver/Clocks.h"

#include "stm32f4xx.h"
#include "stm32f4xx_rcc.h"
#include "stm32f4xx_tim.h"

#include <cmath>

namespace Driver
{

Buzzer::Buzzer()
{
    GPIO::GetInstance().AlternateFunction(GPIO::Port::A, 10, 1, GPIO::OutputType::PushPull, GPIO::Pull::Up, true,
                                          GPIO::Speed::High);
    RCC_APB2PeriphClockCmd(RCC_APB2Periph_TIM1, ENABLE);

    TIM_TimeBaseInitTypeDef timeBase;
    TIM_TimeBaseStructInit(&timeBase);
    timeBase.TIM_CounterMode = TIM_CounterMode_Up;
    timeBase.TIM_ClockDivision = TIM_CKD_DIV1;
    timeBase.TIM_RepetitionCounter = 0;
    TIM_TimeBaseInit(TIM1, &timeBase);
    TIM_UpdateDisableConfig(TIM1, DISABLE);
    TIM_GenerateEvent(TIM1, TIM_EventSource_Update);

    TIM_OCInitTypeDef channel;
    TIM_OCStructInit(&channel);
    channel.TIM_OCMode = TIM_OCMode_PWM1;
    channel.TIM_OutputState = TIM_OutputState_Enable;
    channel.TIM_OCPolarity = TIM_OCPolarity_High;
    // The complementary output stays off and the idle states at their reset values.
    channel.TIM_OutputNState = TIM_OutputNState_Disable;
    channel.TIM_OCNPolarity = TIM_OCNPolarity_High;
    channel.TIM_OCIdleState = TIM_OCIdleState_Reset;
    channel.TIM_OCNIdleState = TIM_OCNIdleState_Reset;
    channel.TIM_Pulse = 0;
    TIM_OC3Init(TIM1, &channel);
    TIM_OC3PreloadConfig(TIM1, TIM_OCPreload_Enable);
    TIM_ARRPreloadConfig(TIM1, ENABLE);
    TIM_Cmd(TIM1, ENABLE);

    // Count at 1 MHz of PCLK2 (2 MHz of the doubled timer clock): prescaler 83 at 84 MHz.
    const uint32_t pclk2 = Clocks::GetInstance().GetPeripheralBus2Frequency();
    TIM_PrescalerConfig(TIM1, static_cast<uint16_t>(pclk2 / 1000000u - 1u), TIM_PSCReloadMode_Update);
    // Period for 1 kHz at the doubled timer clock: 2000 counts, half of them high.
    const float frequency = static_cast<float>(pclk2) / static_cast<float>(TIM_GetPrescaler(TIM1) + 1u);
    const uint32_t period = static_cast<uint32_t>(std::lround((2.0f * frequency) / 1000.0f));
    TIM_SetAutoreload(TIM1, period);
    TIM_SetCompare3(TIM1, period / 2);
}

Buzzer& Buzzer::GetInstance()
{
    static Buzzer instance;
    return instance;
}

void Buzzer::On(bool on)
{
    TIM_CtrlPWMOutputs(TIM1, on ? ENABLE : DISABLE);
}

} // namespace Driver
