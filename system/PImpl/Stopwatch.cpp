#include "system/PImpl/Stopwatch.h"

#include "system/Driver/Clocks.h"

#include "stm32f4xx.h"
#include "stm32f4xx_rcc.h"
#include "stm32f4xx_tim.h"

namespace PImpl
{

namespace
{

// The timers on APB1 run at twice PCLK1 whenever the APB1 prescaler is not 1, as it is in this
// clock tree. Read anew on every use, never cached, so a changed tree is followed.
uint32_t TimerClock()
{
    return 2u * Driver::Clocks::GetInstance().GetPeripheralBus1Frequency();
}

uint32_t CurrentCount()
{
    return TIM_GetCounter(TIM5);
}

float SecondsSince(uint32_t start, uint32_t now)
{
    return Stopwatch::ToSeconds(Stopwatch::TickCount(start, now), TimerClock());
}

// One delay loop for every unit: scale turns seconds into the unit of the request.
void Delay(float amount, float scale)
{
    Stopwatch::EnsureCounterRuns();
    const uint32_t start = CurrentCount();
    for (;;)
    {
        const float elapsed = SecondsSince(start, CurrentCount()) * scale;
        if (!(amount > elapsed))
            return;
    }
}

} // namespace

void Stopwatch::EnsureCounterRuns()
{
    if ((TIM5->CR1 & TIM_CR1_CEN) != 0)
        return;

    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM5, ENABLE);

    // Prescaler 0 and the full 32-bit period: one tick per timer clock, wrapping at 2^32.
    TIM_TimeBaseInitTypeDef timeBase;
    TIM_TimeBaseStructInit(&timeBase);
    timeBase.TIM_Prescaler = 0;
    timeBase.TIM_CounterMode = TIM_CounterMode_Up;
    timeBase.TIM_Period = 0xFFFFFFFF;
    timeBase.TIM_ClockDivision = TIM_CKD_DIV1;
    TIM_TimeBaseInit(TIM5, &timeBase);
    TIM_Cmd(TIM5, ENABLE);
}

uint32_t Stopwatch::TickCount(uint32_t start, uint32_t now)
{
    if (now >= start)
        return now - start;
    return (0xFFFFFFFFu - start) + now;
}

float Stopwatch::ToSeconds(uint32_t ticks, uint32_t timerClock)
{
    return static_cast<float>(ticks) / static_cast<float>(timerClock);
}

Stopwatch::Stopwatch() : m_running(false), m_startCount(0), m_heldCount(0)
{
    EnsureCounterRuns();
    m_startCount = CurrentCount();
    m_heldCount = m_startCount;
}

void Stopwatch::Start()
{
    m_running = true;
}

void Stopwatch::Restart()
{
    m_running = true;
    m_startCount = CurrentCount();
    m_heldCount = m_startCount;
}

float Stopwatch::ElapsedSeconds() const
{
    const uint32_t now = m_running ? CurrentCount() : m_heldCount;
    return SecondsSince(m_startCount, now);
}

float Stopwatch::GetElapsedSeconds() const
{
    return ElapsedSeconds();
}

float Stopwatch::GetElapsedMilliseconds() const
{
    return ElapsedSeconds() * 1000.0f;
}

float Stopwatch::GetElapsedMicroseconds() const
{
    return ElapsedSeconds() * 1000000.0f;
}

void Stopwatch::DelaySeconds(float seconds)
{
    Delay(seconds, 1.0f);
}

void Stopwatch::DelayMilliseconds(float milliseconds)
{
    Delay(milliseconds, 1000.0f);
}

void Stopwatch::DelayMicroseconds(float microseconds)
{
    Delay(microseconds, 1000000.0f);
}

} // namespace PImpl
