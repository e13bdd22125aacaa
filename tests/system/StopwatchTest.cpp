#include "system/Driver/Clocks.h"
#include "system/PImpl/Stopwatch.h"
#include "system/Stopwatch.h"

#include "sim/Board.h"

#include "stm32f4xx.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

namespace
{

using Sim::ticksPerMicrosecond;

class StopwatchTest : public ::testing::Test
{
protected:
    void SetUp() override { SystemInit(); }

    static Sim::Tick Now() { return Sim::Board::Instance().clock().Now(); }
};

TEST(StopwatchTicks, CountsAcrossTheCounterWrapOneShortAsTheFirmwareDoes)
{
    EXPECT_EQ(0u, PImpl::Stopwatch::TickCount(1234, 1234));
    EXPECT_EQ(100u, PImpl::Stopwatch::TickCount(100, 200));
    EXPECT_EQ(0xFFFFFFFFu, PImpl::Stopwatch::TickCount(0, 0xFFFFFFFF));
    // Wrapped: (0xFFFFFFFF - start) + now.
    EXPECT_EQ(31u, PImpl::Stopwatch::TickCount(0xFFFFFFF0, 0x10));
    EXPECT_EQ(0u, PImpl::Stopwatch::TickCount(0xFFFFFFFF, 0));
    EXPECT_EQ(0xFFFFFFFEu, PImpl::Stopwatch::TickCount(1, 0));
}

TEST(StopwatchTicks, ConvertsAt84MHz)
{
    const uint32_t timerClock = 84000000;
    EXPECT_FLOAT_EQ(1.0f, PImpl::Stopwatch::ToSeconds(84, timerClock) * 1000000.0f);
    EXPECT_FLOAT_EQ(1.0f, PImpl::Stopwatch::ToSeconds(84000, timerClock) * 1000.0f);
    EXPECT_FLOAT_EQ(1.0f, PImpl::Stopwatch::ToSeconds(84000000, timerClock));
    // The longest measurable span, about 51.13 s.
    EXPECT_NEAR(51.13f, PImpl::Stopwatch::ToSeconds(0xFFFFFFFF, timerClock), 0.01f);
}

TEST_F(StopwatchTest, BusFrequenciesComeFromTheClockTree)
{
    EXPECT_EQ(42000000u, Driver::Clocks::GetInstance().GetPeripheralBus1Frequency());
    EXPECT_EQ(84000000u, Driver::Clocks::GetInstance().GetPeripheralBus2Frequency());
}

TEST_F(StopwatchTest, FirstStopwatchStartsTim5FreeRunningAtTheTimerClock)
{
    EXPECT_EQ(0u, TIM5->CR1 & TIM_CR1_CEN);
    Velmora::Stopwatch stopwatch;
    EXPECT_NE(0u, TIM5->CR1 & TIM_CR1_CEN);
    EXPECT_NE(0u, RCC->APB1ENR & RCC_APB1ENR_TIM5EN);
    EXPECT_EQ(0u, TIM5->PSC);
    EXPECT_EQ(0xFFFFFFFFu, TIM5->ARR);

    // A later stopwatch leaves the running counter alone.
    TIM5->CNT = 0x12345678;
    Velmora::Stopwatch second;
    EXPECT_GE(TIM5->CNT, 0x12345678u);
    EXPECT_LT(TIM5->CNT, 0x12345678u + 8400u);
}

TEST_F(StopwatchTest, NeverStartedReadsZeroHoweverLongItWaits)
{
    Velmora::Stopwatch stopwatch;
    Velmora::Stopwatch::DelayMilliseconds(25.0f);
    EXPECT_EQ(0.0f, stopwatch.GetElapsedSeconds());
    EXPECT_EQ(0.0f, stopwatch.GetElapsedMilliseconds());
    EXPECT_EQ(0.0f, stopwatch.GetElapsedMicroseconds());
}

TEST_F(StopwatchTest, StartCountsFromConstructionRestartFromNow)
{
    Velmora::Stopwatch stopwatch;
    Velmora::Stopwatch::DelayMilliseconds(3.0f);
    stopwatch.Start();
    EXPECT_GE(stopwatch.GetElapsedMilliseconds(), 3.0f);
    EXPECT_LT(stopwatch.GetElapsedMilliseconds(), 3.1f);

    stopwatch.Restart();
    Velmora::Stopwatch::DelayMilliseconds(2.0f);
    EXPECT_GE(stopwatch.GetElapsedMilliseconds(), 2.0f);
    EXPECT_LT(stopwatch.GetElapsedMilliseconds(), 2.1f);
    EXPECT_NEAR(stopwatch.GetElapsedMicroseconds(), stopwatch.GetElapsedMilliseconds() * 1000.0f, 20.0f);
}

TEST_F(StopwatchTest, MeasuresAcrossTheCounterWrap)
{
    Velmora::Stopwatch stopwatch;
    TIM5->CNT = 0xFFFFFFFF - 84000; // 1 ms before the wrap
    stopwatch.Restart();
    Velmora::Stopwatch::DelayMilliseconds(3.0f);
    EXPECT_LT(TIM5->CNT, 0x10000000u) << "the counter wrapped";
    EXPECT_GE(stopwatch.GetElapsedMilliseconds(), 3.0f);
    EXPECT_LT(stopwatch.GetElapsedMilliseconds(), 3.1f);
}

TEST_F(StopwatchTest, DelaysLastWhatWasAskedInVirtualTime)
{
    Velmora::Stopwatch warmUp; // the counter set-up is not part of the delays below

    Sim::Tick start = Now();
    StopwatchDelayMicroS(10);
    EXPECT_GE(Now() - start, 10 * ticksPerMicrosecond);
    EXPECT_LT(Now() - start, 20 * ticksPerMicrosecond);

    const uint32_t before = TIM5->CNT;
    StopwatchDelayMicroS(10);
    EXPECT_GE(TIM5->CNT - before, 840u);

    start = Now();
    StopwatchDelayMilliS(5);
    EXPECT_GE(Now() - start, 5 * Sim::ticksPerMillisecond);
    EXPECT_LT(Now() - start, 5 * Sim::ticksPerMillisecond + 20 * ticksPerMicrosecond);

    start = Now();
    Velmora::Stopwatch::DelaySeconds(0.25f);
    EXPECT_GE(Now() - start, Sim::ticksPerSecond / 4);
    EXPECT_LT(Now() - start, Sim::ticksPerSecond / 4 + Sim::ticksPerMillisecond);
}

TEST_F(StopwatchTest, ZeroOrNegativeDelayReturnsAfterOnePass)
{
    Velmora::Stopwatch warmUp;
    const Sim::Tick start = Now();
    Velmora::Stopwatch::DelayMilliseconds(0.0f);
    Velmora::Stopwatch::DelaySeconds(-1.0f);
    StopwatchDelayMicroS(0);
    EXPECT_LT(Now() - start, 5 * ticksPerMicrosecond);
}

TEST_F(StopwatchTest, FirstDelayStartsTheCounterToo)
{
    StopwatchDelayMilliS(1);
    EXPECT_NE(0u, TIM5->CR1 & TIM_CR1_CEN);
}

} // namespace
