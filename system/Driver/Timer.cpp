#include "system/Driver/Timer.h"

#include "system/Driver/Clocks.h"
#include "system/Driver/NVIC.h"
#include "system/System.h"

#include "stm32f4xx.h"
#include "stm32f4xx_rcc.h"
#include "stm32f4xx_tim.h"

#include <exception>

namespace Driver
{

Timer::Timer()
{
    m_onElapsed = nullptr;

    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM2, ENABLE);

    // 1 MHz from the APB1 timer clock (2 x PCLK1 = 84 MHz: prescaler 83), full 32-bit period.
    TIM_TimeBaseInitTypeDef timeBase;
    TIM_TimeBaseStructInit(&timeBase);
    timeBase.TIM_Prescaler = (2u * Clocks::GetInstance().GetPeripheralBus1Frequency()) / 1000000u - 1u;
    timeBase.TIM_CounterMode = TIM_CounterMode_Up;
    timeBase.TIM_Period = 0xFFFFFFFF;
    timeBase.TIM_ClockDivision = TIM_CKD_DIV1;
    TIM_TimeBaseInit(TIM2, &timeBase);
    TIM_Cmd(TIM2, ENABLE);

    NVIC::GetInstance().EnableIRQ(TIM2_IRQn);
}

Timer::~Timer() = default;

Timer& Timer::GetInstance()
{
    static Timer instance;
    return instance;
}

void Timer::SetOnElapsed(std::function<void()> callback)
{
    // A std::function is not replaced in one store: the update interrupt stays off until the new
    // callback is fully in place and the old one released.
    const bool wasEnabled = (TIM2->DIER & TIM_DIER_UIE) != 0;
    TIM_ITConfig(TIM2, TIM_IT_Update, DISABLE);

    const bool enable = static_cast<bool>(callback);
    m_onElapsed = std::move(callback);

    if (enable)
    {
        // Loading the prescaler generated an update event at set-up; without this the new
        // callback would run at once for a wrap that never happened. A wrap that came while the
        // old callback was being replaced stays pending and reaches the new one.
        if (!wasEnabled)
            TIM_ClearITPendingBit(TIM2, TIM_IT_Update);
        TIM_ITConfig(TIM2, TIM_IT_Update, ENABLE);
    }
}

void Timer::ProcessInterrupt()
{
    if (m_onElapsed)
        m_onElapsed();
}

} // namespace Driver

extern "C" void TIM2_IRQHandler(void)
{
    if (TIM_GetITStatus(TIM2, TIM_IT_Update) == RESET)
        return;
    TIM_ClearITPendingBit(TIM2, TIM_IT_Update);

    try
    {
        Driver::Timer::GetInstance().ProcessInterrupt();
    }
    catch (const std::exception& exception)
    {
        Velmora::System::GetInstance().GetOnUnhandledException()(exception);
    }
}
