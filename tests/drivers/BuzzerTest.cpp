#include "drivers/Buzzer.h"
#include "drivers/Ethernet.h"

#include "sim/World.h"

#include "stm32f4xx.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

namespace
{

using Sim::World;

class BuzzerTest : public ::testing::Test
{
protected:
    void SetUp() override { SystemInit(); }
    static World& TheWorld() { return World::Get(); }
};

} // namespace

TEST_F(BuzzerTest, FirstUseSetsAOneKilohertzToneUpAndStaysSilent)
{
    Velmora::Buzzer::GetInstance().Off(true);
    EXPECT_EQ(TIM1->PSC, 83u);
    EXPECT_EQ(TIM1->ARR, 2000u);
    EXPECT_EQ(TIM1->CCR3, 1000u);
    TheWorld().RunFor(TheWorld().Milliseconds(5));
    EXPECT_FALSE(TheWorld().BuzzerSounding());
    EXPECT_TRUE(TheWorld().BuzzerIntervals().empty());
}

TEST_F(BuzzerTest, OnAndOffTakeTheirArgumentAsWhetherToAct)
{
    Velmora::Buzzer& buzzer = Velmora::Buzzer::GetInstance();
    buzzer.Off(true);
    TheWorld().RunFor(TheWorld().Milliseconds(2));
    buzzer.Off(false);
    EXPECT_TRUE(TheWorld().BuzzerSounding());
    EXPECT_NEAR(TheWorld().BuzzerFrequencyHz(), 2e6 / 2001, 0.01);
    TheWorld().RunFor(TheWorld().Milliseconds(3));
    buzzer.On(false);
    EXPECT_FALSE(TheWorld().BuzzerSounding());
    buzzer.On(true);
    TheWorld().RunFor(TheWorld().Milliseconds(1));
    buzzer.Off(true);
    const std::vector<Sim::Buzzer::Interval>& intervals = TheWorld().BuzzerIntervals();
    ASSERT_EQ(intervals.size(), 2u);
    EXPECT_NEAR(static_cast<double>(intervals[0].end - intervals[0].start), TheWorld().Milliseconds(3),
                TheWorld().Microseconds(5));
    EXPECT_NEAR(static_cast<double>(intervals[1].end - intervals[1].start), TheWorld().Milliseconds(1),
                TheWorld().Microseconds(5));
    // The signal on the pin is the timer's channel 3 in PWM mode 1 at half duty.
    EXPECT_EQ(TIM1->CCMR2 & 0x70, 0x60u);
    EXPECT_NE(TIM1->CCER & TIM_CCER_CC3E, 0u);
}

TEST_F(BuzzerTest, EthernetIsAnEmptySingleton)
{
    EXPECT_EQ(&Velmora::Ethernet::GetInstance(), &Velmora::Ethernet::GetInstance());
}
