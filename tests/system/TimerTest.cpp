#include "system/Driver/Timer.h"
#include "system/Stopwatch.h"
#include "system/Timer.h"

#include "sim/Console.h"
#include "sim/World.h"

#include "stm32f4xx.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace
{

class TimerTest : public ::testing::Test
{
protected:
    void SetUp() override { SystemInit(); }

    static Sim::World& World() { return Sim::World::Get(); }
};

TEST_F(TimerTest, CountsMicrosecondsFromAPrescalerOf83)
{
    Velmora::Timer::GetInstance();
    EXPECT_EQ(83u, TIM2->PSC);
    EXPECT_EQ(0xFFFFFFFFu, TIM2->ARR);
    EXPECT_NE(0u, TIM2->CR1 & TIM_CR1_CEN);

    const uint32_t before = TIM2->CNT;
    Velmora::Stopwatch::DelayMilliseconds(2.0f);
    const uint32_t counted = TIM2->CNT - before;
    EXPECT_GE(counted, 2000u);
    EXPECT_LE(counted, 2010u);
}

TEST_F(TimerTest, InterruptEnabledAtPriorityOneButNoUpdateInterruptWithoutCallback)
{
    Driver::Timer::GetInstance();
    EXPECT_TRUE(World().board().core().IsEnabled(TIM2_IRQn));
    EXPECT_EQ(1u, NVIC_GetPriority(TIM2_IRQn));
    EXPECT_EQ(0u, TIM2->DIER & TIM_DIER_UIE);
}

TEST_F(TimerTest, CallbackRunsAtTheWrapAndNotForTheSetUpUpdate)
{
    static int calls = 0;
    Velmora::Timer::GetInstance().SetOnElapsed([] { ++calls; });
    EXPECT_NE(0u, TIM2->DIER & TIM_DIER_UIE);
    World().RunFor(Sim::World::Milliseconds(1));
    EXPECT_EQ(0, calls) << "the update event of the prescaler load is not a wrap";

    TIM2->CNT = 0xFFFFFFFF - 100; // 100 us before the wrap
    EXPECT_TRUE(World().RunUntil([] { return calls > 0; }, Sim::World::Milliseconds(1)));
    EXPECT_EQ(1, calls);
    World().RunFor(Sim::World::Milliseconds(1));
    EXPECT_EQ(1, calls);
}

TEST_F(TimerTest, ClearingTheCallbackDisablesTheUpdateInterrupt)
{
    static int calls = 0;
    Driver::Timer& timer = Driver::Timer::GetInstance();
    timer.SetOnElapsed([] { ++calls; });
    timer.SetOnElapsed(nullptr);
    EXPECT_EQ(0u, TIM2->DIER & TIM_DIER_UIE);
    TIM2->CNT = 0xFFFFFFFF - 10;
    World().RunFor(Sim::World::Milliseconds(1));
    EXPECT_EQ(0, calls);
}

TEST_F(TimerTest, ReplacingACallbackKeepsTheUpdateInterruptOffWhileTheOldOneIsReleased)
{
    // The old callback's captures are torn down inside the assignment: an update interrupt then
    // would call a half-replaced function.
    struct Witness
    {
        bool* updateEnabled;
        ~Witness() { *updateEnabled = (TIM2->DIER & TIM_DIER_UIE) != 0; }
    };
    static bool updateEnabledAtRelease = true;
    Driver::Timer& timer = Driver::Timer::GetInstance();
    auto witness = std::make_shared<Witness>(Witness{&updateEnabledAtRelease});
    timer.SetOnElapsed([witness] {});
    witness.reset();
    static int calls = 0;
    timer.SetOnElapsed([] { ++calls; });
    EXPECT_FALSE(updateEnabledAtRelease);
    EXPECT_NE(0u, TIM2->DIER & TIM_DIER_UIE);

    // The replacement is armed and runs at the next wrap.
    TIM2->CNT = 0xFFFFFFFF - 10;
    EXPECT_TRUE(World().RunUntil([] { return calls > 0; }, Sim::World::Milliseconds(1)));
}

TEST_F(TimerTest, ExceptionOfTheCallbackGoesToTheUnhandledExceptionHandler)
{
    static int calls = 0;
    Velmora::Timer::GetInstance().SetOnElapsed([] {
        ++calls;
        throw std::runtime_error("callback failed");
    });
    Sim::Console::Clear();
    TIM2->CNT = 0xFFFFFFFF - 10;
    EXPECT_TRUE(World().RunUntil([] { return calls > 0; }, Sim::World::Milliseconds(1)));
    EXPECT_NE(std::string::npos, Sim::Console::Text().find("Unhandled Exception: callback failed\r\n"));

    // The handler returned normally and cleared its flag: the next wrap is reported again.
    TIM2->CNT = 0xFFFFFFFF - 10;
    EXPECT_TRUE(World().RunUntil([] { return calls > 1; }, Sim::World::Milliseconds(1)));
}

} // namespace
