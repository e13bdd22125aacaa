#include "sim/World.h"
#include "stm32f4xx_gpio.h"
#include "stm32f4xx_rcc.h"
#include "stm32f4xx_tim.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace
{

volatile bool m_never = false;

} // namespace

TEST(BoardDeathTest, BusyWaitWithoutRegisterAccessIsReportedAsAStall)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            Sim::Board& board = Sim::World::Get().board();
            board.SetStallTimeout(0.5);
            RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOE, ENABLE);
            const uint32_t level = GPIOE->IDR;
            (void)level;
            while (!m_never)
            {
            }
        },
        "stall.*GPIOE\\+0x010 \\(IDR\\) read");
}

TEST(BoardDeathTest, UnimplementedAccessStopsAStrictBoard)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            const uint32_t value = *VELMORA_PHYS(__IO32, 0x40007800);
            (void)value;
        },
        "read from address 0x40007800");
}

TEST(BoardTest, TraceRecordsEveryAccess)
{
    Sim::Board& board = Sim::World::Get().board();
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    board.SetTrace(file);
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOE, ENABLE);
    GPIO_SetBits(GPIOE, GPIO_Pin_3);
    board.SetTrace(nullptr);
    std::rewind(file);
    std::string text;
    char line[256];
    while (std::fgets(line, sizeof line, file) != nullptr)
        text += line;
    std::fclose(file);
    EXPECT_NE(text.find("R32 RCC+0x030 AHB1ENR  0x00100000"), std::string::npos) << text;
    EXPECT_NE(text.find("W32 RCC+0x030 AHB1ENR  0x00100010"), std::string::npos) << text;
    EXPECT_NE(text.find("W16 GPIOE+0x018 BSRR     0x00000008"), std::string::npos) << text;
}

TEST(BoardTest, AccessCostsFollowTheBusAndItsClock)
{
    Sim::World& world = Sim::World::Get();
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOE, ENABLE);
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM5, ENABLE);
    // At reset everything runs at 16 MHz: AHB 2 cycles, APB 2 + 2 cycles.
    const Sim::Tick cycle = Sim::TicksPerCycle(16000000);
    Sim::Tick before = world.Now();
    GPIOE->ODR = 1;
    EXPECT_EQ(world.Now() - before, 2 * cycle);
    before = world.Now();
    TIM5->PSC = 1;
    EXPECT_EQ(world.Now() - before, 4 * cycle);
}

TEST(BoardTest, ConsecutiveNopsJumpToTheNextEvent)
{
    Sim::World& world = Sim::World::Get();
    bool ran = false;
    world.ScheduleIn(Sim::World::Milliseconds(3), [&] { ran = true; });
    const Sim::Tick target = world.Now() + Sim::World::Milliseconds(3);
    __NOP();
    __NOP();
    EXPECT_TRUE(ran);
    EXPECT_EQ(world.Now(), target);
}

TEST(BoardTest, ReadOnlyLoopOverSeveralRegistersCountsAsPolling)
{
    Sim::World& world = Sim::World::Get();
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM5, ENABLE);
    TIM5->ARR = 0xFFFFFFFF;
    TIM5->CR1 = TIM_CR1_CEN;
    // A delay loop that reads the clock configuration and the counter on every pass (16 MHz,
    // so 1 ms is 16000 counts).
    const uint64_t accessesBefore = world.board().AccessCount();
    const Sim::Tick start = world.Now();
    const uint32_t first = TIM5->CNT;
    for (;;)
    {
        const uint32_t configuration = RCC->CFGR;
        const uint32_t pll = RCC->PLLCFGR;
        (void)configuration;
        (void)pll;
        if (TIM5->CNT - first >= 16000)
            break;
    }
    const Sim::Tick spent = world.Now() - start;
    EXPECT_GE(spent, Sim::World::Milliseconds(1));
    EXPECT_LT(spent, Sim::World::Milliseconds(1) + Sim::World::Milliseconds(1) / 8) << "overshoot under 12 %";
    EXPECT_LT(world.board().AccessCount() - accessesBefore, 3000u) << "time passes in growing steps";

    // A write ends the loop: the next reads cost their bus cycles again.
    TIM5->SR = 0;
    const Sim::Tick before = world.Now();
    const uint32_t configuration = RCC->CFGR;
    (void)configuration;
    EXPECT_LT(world.Now() - before, Sim::World::Microseconds(1));
}
