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

TEST(BoardTest, APollingLoopSeesAsManyPassesAsTheChipWouldGive)
{
    // A loop that counts its passes for a timeout: each pass costs at least its register read
    // (two AHB cycles at 16 MHz, 125 ns), so the 2 ms start-up of the crystal takes no fewer than
    // 16000 passes; the chip, with the loop's own instructions, gives fewer passes per millisecond.
    Sim::World& world = Sim::World::Get();
    RCC->CR = RCC->CR | RCC_CR_HSEON;
    const Sim::Tick start = world.Now();
    uint32_t passes = 0;
    while ((RCC->CR & RCC_CR_HSERDY) == 0)
        ++passes;
    EXPECT_GE(passes, 15990u);
    EXPECT_LE(passes, 16010u);
    EXPECT_LT(world.Now() - start, Sim::World::Milliseconds(2) + Sim::World::Microseconds(1));

    // A wait that reads several registers per pass (a delay on TIM5 that reads the clock set-up
    // too) pays for every read as well, and ends right at its target.
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM5, ENABLE);
    TIM5->ARR = 0xFFFFFFFF;
    TIM5->CR1 = TIM_CR1_CEN;
    const uint32_t first = TIM5->CNT;
    const uint64_t accessesBefore = world.board().AccessCount();
    const Sim::Tick begin = world.Now();
    for (;;)
    {
        const uint32_t configuration = RCC->CFGR;
        (void)configuration;
        if (TIM5->CNT - first >= 16000) // 1 ms at 16 MHz
            break;
    }
    EXPECT_LT(world.Now() - begin, Sim::World::Milliseconds(1) + Sim::World::Microseconds(1));
    // A pass costs 2 + 4 cycles: 16000 / 6 passes, two reads each.
    EXPECT_GE(world.board().AccessCount() - accessesBefore, 2 * 16000u / 6);
}
