#include "misc.h"
#include "sim/World.h"
#include "sim/models/Timer.h"
#include "stm32f4xx_gpio.h"
#include "stm32f4xx_rcc.h"
#include "stm32f4xx_tim.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{

class TimerTest : public ::testing::Test
{
protected:
    void SetUp() override { SystemInit(); }

    void TimeBase(TIM_TypeDef* timer, uint16_t prescaler, uint32_t period)
    {
        TIM_TimeBaseInitTypeDef base;
        TIM_TimeBaseStructInit(&base);
        base.TIM_Prescaler = prescaler;
        base.TIM_Period = period;
        TIM_TimeBaseInit(timer, &base);
    }

    Sim::World& world = Sim::World::Get();
};

} // namespace

TEST_F(TimerTest, CounterRunsAtTheTimerClockOverThePrescaler)
{
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM5, ENABLE);
    TimeBase(TIM5, 0, 0xFFFFFFFF);
    TIM_Cmd(TIM5, ENABLE);
    const uint32_t start = TIM_GetCounter(TIM5);
    world.RunFor(Sim::World::Milliseconds(10));
    // 84 MHz: 840000 counts in 10 ms, plus the cost of the accesses around.
    const uint32_t counted = TIM_GetCounter(TIM5) - start;
    EXPECT_GE(counted, 840000u);
    EXPECT_LE(counted, 840000u + 20);
}

TEST_F(TimerTest, ThirtyTwoBitAndSixteenBitCountersWrapAtTheirWidth)
{
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM2 | RCC_APB1Periph_TIM3, ENABLE);
    TIM_SetAutoreload(TIM2, 0xFFFFFFFF);
    TIM_SetCounter(TIM2, 0xFFFFFFF0);
    TIM_SetCounter(TIM3, 0xFFF0);
    TIM_Cmd(TIM2, ENABLE);
    TIM_Cmd(TIM3, ENABLE);
    world.RunFor(Sim::World::Microseconds(1)); // 84 counts
    EXPECT_LT(TIM_GetCounter(TIM2), 0x100u);
    EXPECT_LT(TIM_GetCounter(TIM3), 0x100u);
    EXPECT_EQ(TIM_GetFlagStatus(TIM2, TIM_FLAG_Update), SET);
    TIM3->CNT = 0x12345; // the upper half does not exist
    EXPECT_EQ(TIM3->CNT & 0xFFFF0000u, 0u);
}

TEST_F(TimerTest, UpdateFlagIsSetAtEachOverflowAndClearedByWritingZero)
{
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM7, ENABLE);
    TimeBase(TIM7, 8399, 9); // 10 kHz counts, update every 1 ms
    TIM_ClearFlag(TIM7, TIM_FLAG_Update); // the time-base set-up's update event set it
    TIM_Cmd(TIM7, ENABLE);
    world.RunFor(Sim::World::Microseconds(990));
    EXPECT_EQ(TIM_GetFlagStatus(TIM7, TIM_FLAG_Update), RESET);
    world.RunFor(Sim::World::Microseconds(20));
    EXPECT_EQ(TIM_GetFlagStatus(TIM7, TIM_FLAG_Update), SET);
    TIM7->SR = 0xFFFF; // writing 1 leaves the flag
    EXPECT_EQ(TIM_GetFlagStatus(TIM7, TIM_FLAG_Update), SET);
    TIM_ClearFlag(TIM7, TIM_FLAG_Update);
    EXPECT_EQ(TIM_GetFlagStatus(TIM7, TIM_FLAG_Update), RESET);
}

TEST_F(TimerTest, TimeBaseInitLeavesTheUpdateFlagSet)
{
    // The update event that loads the prescaler also sets UIF, as on the silicon; enabling the
    // interrupt without clearing it first fires at once.
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM7, ENABLE);
    TimeBase(TIM7, 8399, 9);
    EXPECT_EQ(TIM_GetFlagStatus(TIM7, TIM_FLAG_Update), SET);
    EXPECT_EQ(TIM_GetITStatus(TIM7, TIM_IT_Update), RESET);
    TIM_ITConfig(TIM7, TIM_IT_Update, ENABLE);
    EXPECT_EQ(TIM_GetITStatus(TIM7, TIM_IT_Update), SET);
}

TEST_F(TimerTest, PrescalerIsTakenAtTheNextUpdate)
{
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM4, ENABLE);
    TimeBase(TIM4, 83, 999); // 1 MHz, update every 1 ms
    TIM_Cmd(TIM4, ENABLE);
    TIM_PrescalerConfig(TIM4, 8399, TIM_PSCReloadMode_Update);
    const uint32_t before = TIM_GetCounter(TIM4);
    world.RunFor(Sim::World::Microseconds(100));
    EXPECT_NEAR(static_cast<double>(TIM_GetCounter(TIM4) - before), 100.0, 2.0); // still 1 MHz
    TIM_ClearFlag(TIM4, TIM_FLAG_Update);
    while (TIM_GetFlagStatus(TIM4, TIM_FLAG_Update) == RESET)
    {
    }
    const uint32_t after = TIM_GetCounter(TIM4);
    world.RunFor(Sim::World::Microseconds(1000));
    EXPECT_NEAR(static_cast<double>(TIM_GetCounter(TIM4) - after), 10.0, 1.0); // now 10 kHz
}

TEST_F(TimerTest, StoppedTimerHoldsItsCount)
{
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM5, ENABLE);
    TIM_Cmd(TIM5, ENABLE);
    world.RunFor(Sim::World::Microseconds(5));
    TIM_Cmd(TIM5, DISABLE);
    const uint32_t held = TIM_GetCounter(TIM5);
    world.RunFor(Sim::World::Microseconds(5));
    EXPECT_EQ(TIM_GetCounter(TIM5), held);
    // Switching the clock off stops it too.
    TIM_Cmd(TIM5, ENABLE);
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM5, DISABLE);
    world.RunFor(Sim::World::Microseconds(5));
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM5, ENABLE);
    EXPECT_LT(TIM_GetCounter(TIM5) - held, 30u);
}

TEST_F(TimerTest, DelayLoopOnTheCounterEndsCloseToItsTarget)
{
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM5, ENABLE);
    TIM_Cmd(TIM5, ENABLE);
    for (uint32_t us : {10u, 1000u, 10000u})
    {
        const Sim::Tick started = world.Now();
        const uint32_t start = TIM5->CNT;
        while (TIM5->CNT - start < us * 84)
        {
        }
        const double elapsed = static_cast<double>(world.Now() - started) / Sim::ticksPerMicrosecond;
        EXPECT_GE(elapsed, us);
        EXPECT_LE(elapsed, us * 1.15 + 1);
    }
}

TEST_F(TimerTest, BuzzerPwmIsGatedByTheMainOutputEnable)
{
    // The buzzer's set-up: PA10 alternate function TIM1 channel 3, 2 MHz counts, period 2000.
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOA, ENABLE);
    GPIO_InitTypeDef pin;
    GPIO_StructInit(&pin);
    pin.GPIO_Pin = GPIO_Pin_10;
    pin.GPIO_Mode = GPIO_Mode_AF;
    pin.GPIO_PuPd = GPIO_PuPd_UP;
    pin.GPIO_Speed = GPIO_Speed_100MHz;
    GPIO_Init(GPIOA, &pin);
    GPIO_PinAFConfig(GPIOA, GPIO_PinSource10, GPIO_AF_TIM1);
    RCC_APB2PeriphClockCmd(RCC_APB2Periph_TIM1, ENABLE);

    TIM_TimeBaseInitTypeDef base;
    TIM_TimeBaseStructInit(&base);
    TIM_TimeBaseInit(TIM1, &base);
    TIM_UpdateDisableConfig(TIM1, DISABLE);
    TIM_GenerateEvent(TIM1, TIM_EventSource_Update);
    TIM_OCInitTypeDef oc;
    TIM_OCStructInit(&oc);
    oc.TIM_OCMode = TIM_OCMode_PWM1;
    oc.TIM_OutputState = TIM_OutputState_Enable;
    TIM_OC3Init(TIM1, &oc);
    TIM_OC3PreloadConfig(TIM1, TIM_OCPreload_Enable);
    TIM_ARRPreloadConfig(TIM1, ENABLE);
    TIM_Cmd(TIM1, ENABLE);
    TIM_PrescalerConfig(TIM1, 83, TIM_PSCReloadMode_Update);
    TIM_SetAutoreload(TIM1, 2000);
    TIM_SetCompare3(TIM1, 1000);
    world.RunFor(Sim::World::Milliseconds(1)); // the preloads take effect at the next update

    Sim::Timer& timer = *world.board().timer(1);
    EXPECT_FALSE(timer.ChannelOutput(3).enabled);
    EXPECT_TRUE(world.PinLevel(0, 10)); // output off: the pull-up holds the pin
    TIM_CtrlPWMOutputs(TIM1, ENABLE);
    const Sim::Timer::Output on = timer.ChannelOutput(3);
    EXPECT_TRUE(on.enabled);
    EXPECT_TRUE(on.pwm);
    EXPECT_NEAR(on.frequencyHz, 2000000.0 / 2001, 0.01);
    EXPECT_NEAR(on.duty, 1000.0 / 2001, 1e-9);
    TIM_CtrlPWMOutputs(TIM1, DISABLE);
    EXPECT_FALSE(timer.ChannelOutput(3).enabled);
}

TEST_F(TimerTest, UpdateInterruptRepeatsAtThePeriod)
{
    static std::vector<Sim::Tick> entries;
    entries.clear();
    NVIC_PriorityGroupConfig(NVIC_PriorityGroup_4);
    world.SetHandler(TIM7_IRQn, [] {
        entries.push_back(Sim::World::Get().Now());
        TIM_ClearITPendingBit(TIM7, TIM_IT_Update);
    });
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM7, ENABLE);
    TimeBase(TIM7, 41999, 3); // 2 kHz counts, four counts: 2 ms
    TIM_ClearITPendingBit(TIM7, TIM_IT_Update);
    TIM_ITConfig(TIM7, TIM_IT_Update, ENABLE);
    NVIC_InitTypeDef channel{TIM7_IRQn, 11, 0, ENABLE};
    NVIC_Init(&channel);
    TIM_Cmd(TIM7, ENABLE);
    world.RunFor(Sim::World::Milliseconds(9));
    ASSERT_EQ(entries.size(), 4u);
    for (size_t i = 1; i < entries.size(); ++i)
        EXPECT_EQ(entries[i] - entries[i - 1], 2 * Sim::ticksPerMillisecond);
}

TEST_F(TimerTest, PrescalerWrittenWhileTheUpdateFlagIsSetIsStillTakenAtTheNextUpdate)
{
    // The update flag stays set (nobody clears it) and no interrupt waits: the new prescaler must
    // still be loaded at the next overflow.
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM3, ENABLE);
    TimeBase(TIM3, 83, 999); // 1 MHz, update every 1 ms; leaves UIF set
    TIM_Cmd(TIM3, ENABLE);
    ASSERT_EQ(TIM_GetFlagStatus(TIM3, TIM_FLAG_Update), SET);
    TIM3->PSC = 8399; // 10 kHz from the next update on
    world.RunFor(Sim::World::Microseconds(1500));
    const uint32_t after = TIM_GetCounter(TIM3);
    world.RunFor(Sim::World::Microseconds(1000));
    EXPECT_NEAR(static_cast<double>(TIM_GetCounter(TIM3) - after), 10.0, 1.0);
}

TEST_F(TimerTest, CompareMatchSetsItsFlagAndRaisesTheInterrupt)
{
    static int entries = 0;
    static Sim::Tick matchedAt = 0;
    world.SetHandler(TIM4_IRQn, [] {
        if (TIM_GetITStatus(TIM4, TIM_IT_CC2) == SET)
        {
            TIM_ClearITPendingBit(TIM4, TIM_IT_CC2);
            matchedAt = Sim::World::Get().Now();
            ++entries;
        }
    });
    NVIC_PriorityGroupConfig(NVIC_PriorityGroup_4);
    NVIC_InitTypeDef channel{TIM4_IRQn, 3, 0, ENABLE};
    NVIC_Init(&channel);
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM4, ENABLE);
    TimeBase(TIM4, 83, 999); // 1 MHz, 1 ms period
    TIM_OCInitTypeDef output;
    TIM_OCStructInit(&output); // frozen (timing) mode: flags only
    output.TIM_Pulse = 250;
    TIM_OC2Init(TIM4, &output);
    TIM_ClearFlag(TIM4, TIM_FLAG_CC2 | TIM_FLAG_CC1 | TIM_FLAG_Update);
    TIM_Cmd(TIM4, ENABLE);
    const Sim::Tick start = world.Now();
    world.RunFor(Sim::World::Microseconds(200));
    EXPECT_EQ(TIM_GetFlagStatus(TIM4, TIM_FLAG_CC2), RESET);
    world.RunFor(Sim::World::Microseconds(100));
    EXPECT_EQ(TIM_GetFlagStatus(TIM4, TIM_FLAG_CC2), SET) << "no interrupt enabled yet: the flag alone";
    EXPECT_EQ(entries, 0);

    TIM_ClearFlag(TIM4, TIM_FLAG_CC2);
    TIM_ITConfig(TIM4, TIM_IT_CC2, ENABLE);
    world.RunFor(Sim::World::Microseconds(2000));
    EXPECT_EQ(entries, 2); // at 1.25 ms and 2.25 ms
    EXPECT_NEAR(static_cast<double>(matchedAt - start) / Sim::ticksPerMicrosecond, 2250.0, 2.0);
}

TEST_F(TimerTest, TimerHeldInResetByItsRccBitIgnoresWrites)
{
    world.CaptureDiagnostics();
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM3, ENABLE);
    RCC_APB1PeriphResetCmd(RCC_APB1Periph_TIM3, ENABLE);
    TIM3->ARR = 1234;
    TIM3->CR1 = TIM_CR1_CEN;
    EXPECT_EQ(TIM3->ARR, 0xFFFFu);
    EXPECT_EQ(TIM3->CR1, 0u);
    RCC_APB1PeriphResetCmd(RCC_APB1Periph_TIM3, DISABLE);
    TIM3->ARR = 1234;
    EXPECT_EQ(TIM3->ARR, 1234u);
    const std::vector<std::string> diagnostics = world.TakeDiagnostics();
    ASSERT_EQ(diagnostics.size(), 1u);
    EXPECT_NE(diagnostics[0].find("TIM3: write to ARR (offset 0x02C) while its RCC reset bit holds it in reset"),
              std::string::npos)
        << diagnostics[0];
}

TEST_F(TimerTest, SetUpsTheModelCannotFollowAreReported)
{
    world.CaptureDiagnostics();
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM3, ENABLE);
    RCC_APB2PeriphClockCmd(RCC_APB2Periph_TIM1, ENABLE);
    struct Case
    {
        const char* what;
        std::function<void()> write;
        const char* expected;
    };
    const Case cases[] = {
        {"slave mode", [] { TIM3->SMCR = 4; }, "slave mode"},
        {"external clock", [] { TIM3->SMCR = TIM_SMCR_ECE; }, "external clock"},
        {"input capture", [] { TIM3->CCMR1 = 1; }, "input capture"},
        {"toggle", [] { TIM3->CCMR2 = 3u << 12; }, "toggle"},
        {"update DMA", [] { TIM3->DIER = TIM_DIER_UDE; }, "DMA"},
        {"compare DMA", [] { TIM3->DIER = TIM_DIER_CC1DE; }, "DMA"},
        {"repetition counter", [] { TIM1->RCR = 3; }, "repetition counter"},
    };
    for (const Case& c : cases)
    {
        c.write();
        const std::vector<std::string> diagnostics = world.TakeDiagnostics();
        ASSERT_GE(diagnostics.size(), 1u) << c.what;
        EXPECT_NE(diagnostics[0].find(c.expected), std::string::npos) << diagnostics[0];
        RCC_APB1PeriphResetCmd(RCC_APB1Periph_TIM3, ENABLE);
        RCC_APB1PeriphResetCmd(RCC_APB1Periph_TIM3, DISABLE);
        TIM1->RCR = 0;
        world.TakeDiagnostics();
    }
    // What the firmware uses passes quietly: PWM, forced levels, update and compare interrupts.
    TIM3->CCMR1 = (6u << 4) | (5u << 12);
    TIM3->CCMR2 = (7u << 4) | (4u << 12);
    TIM3->DIER = TIM_DIER_UIE | TIM_DIER_CC1IE;
    EXPECT_TRUE(world.TakeDiagnostics().empty());
}
