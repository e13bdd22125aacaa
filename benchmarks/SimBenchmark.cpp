// Prints how fast the virtual board runs firmware: simulated register accesses per second of host
// time, and how much faster than real time the board runs while the firmware spins with a 2 ms
// timer interrupt (the touch-sampling rhythm).
#include "misc.h"
#include "sim/World.h"
#include "stm32f4xx_gpio.h"
#include "stm32f4xx_rcc.h"
#include "stm32f4xx_tim.h"
#include "system_stm32f4xx.h"

#include <chrono>
#include <cstdio>

namespace
{

volatile uint32_t m_ticks = 0;

void Tim7Handler()
{
    // What a sampling interrupt typically touches: its flag, a pin, a counter.
    TIM_ClearITPendingBit(TIM7, TIM_IT_Update);
    GPIO_ToggleBits(GPIOE, GPIO_Pin_0);
    ++m_ticks;
}

void SetUp()
{
    SystemInit();
    NVIC_PriorityGroupConfig(NVIC_PriorityGroup_4);
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOE, ENABLE);
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM5 | RCC_APB1Periph_TIM7, ENABLE);
    GPIO_InitTypeDef pin;
    GPIO_StructInit(&pin);
    pin.GPIO_Pin = GPIO_Pin_0 | GPIO_Pin_1;
    pin.GPIO_Mode = GPIO_Mode_OUT;
    GPIO_Init(GPIOE, &pin);

    TIM_TimeBaseInitTypeDef base;
    TIM_TimeBaseStructInit(&base);
    TIM_TimeBaseInit(TIM5, &base);
    TIM_Cmd(TIM5, ENABLE);

    // 84 MHz / 42000 = 2 kHz counts, four counts to an update: 2 ms.
    base.TIM_Prescaler = 41999;
    base.TIM_Period = 3;
    TIM_TimeBaseInit(TIM7, &base);
    TIM_ClearITPendingBit(TIM7, TIM_IT_Update);
    TIM_ITConfig(TIM7, TIM_IT_Update, ENABLE);
    Sim::World::Get().SetHandler(TIM7_IRQn, Tim7Handler);
    NVIC_InitTypeDef channel{TIM7_IRQn, 11, 0, ENABLE};
    NVIC_Init(&channel);
    TIM_Cmd(TIM7, ENABLE);
}

template <typename Body> void Measure(const char* name, double virtualSeconds, Body body)
{
    Sim::World& world = Sim::World::Get();
    const uint64_t accesses = world.board().AccessCount();
    const Sim::Tick startVirtual = world.Now();
    const auto startHost = std::chrono::steady_clock::now();
    const Sim::Tick end = startVirtual + static_cast<Sim::Tick>(virtualSeconds * Sim::ticksPerSecond);
    while (world.Now() < end)
        body();
    const double host = std::chrono::duration<double>(std::chrono::steady_clock::now() - startHost).count();
    const double simulated = static_cast<double>(world.Now() - startVirtual) / Sim::ticksPerSecond;
    const double count = static_cast<double>(world.board().AccessCount() - accesses);
    std::printf("%-44s %8.2f s virtual in %7.3f s host: %8.1fx real time, %12.0f accesses/s\n", name, simulated,
                host, simulated / host, count / host);
}

} // namespace

int main()
{
    Sim::World::Get().board().SetStallTimeout(0);
    SetUp();
    std::printf("virtual board speed (2 ms timer interrupt running throughout)\n");
    Measure("spin on a flag with __NOP()", 20.0, [] {
        const uint32_t target = m_ticks + 1;
        while (m_ticks < target)
            __NOP();
    });
    Measure("spin polling the stopwatch counter (TIM5)", 5.0, [] {
        const uint32_t start = TIM5->CNT;
        while (TIM5->CNT - start < 84000)
        {
        }
    });
    Measure("register traffic (GPIO writes, counter reads)", 0.2, [] {
        for (int i = 0; i < 1000; ++i)
        {
            GPIOE->BSRRL = GPIO_Pin_1;
            GPIOE->BSRRH = GPIO_Pin_1;
            (void)TIM5->CNT;
        }
    });
    std::printf("timer interrupts taken: %u\n", static_cast<unsigned>(m_ticks));
    return 0;
}
