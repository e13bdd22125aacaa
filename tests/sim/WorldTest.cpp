#include "misc.h"
#include "sim/World.h"
#include "stm32f4xx_exti.h"
#include "stm32f4xx_gpio.h"
#include "stm32f4xx_rcc.h"
#include "stm32f4xx_syscfg.h"
#include "stm32f4xx_tim.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

namespace
{

volatile int m_ticks = 0;

// A small firmware: a 2 ms timer interrupt counting, a button on PC13 toggling PE0, a main loop
// spinning on __NOP() until ten ticks have passed.
void RunScenario()
{
    Sim::World& world = Sim::World::Get();
    world.PowerOnReset();
    world.board().ClearEventLog();
    world.board().EnableEventLog(true);
    m_ticks = 0;
    world.SetHandler(TIM7_IRQn, [] {
        TIM_ClearITPendingBit(TIM7, TIM_IT_Update);
        ++m_ticks;
    });
    world.SetHandler(EXTI15_10_IRQn, [] {
        EXTI_ClearITPendingBit(EXTI_Line13);
        GPIO_ToggleBits(GPIOE, GPIO_Pin_0);
        Sim::World::Get().board().Log(GPIO_ReadOutputDataBit(GPIOE, GPIO_Pin_0) ? "lamp on" : "lamp off");
    });

    SystemInit();
    NVIC_PriorityGroupConfig(NVIC_PriorityGroup_4);
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOC | RCC_AHB1Periph_GPIOE, ENABLE);
    RCC_APB2PeriphClockCmd(RCC_APB2Periph_SYSCFG, ENABLE);
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM7, ENABLE);
    GPIO_InitTypeDef pin;
    GPIO_StructInit(&pin);
    pin.GPIO_Pin = GPIO_Pin_0;
    pin.GPIO_Mode = GPIO_Mode_OUT;
    GPIO_Init(GPIOE, &pin);
    pin.GPIO_Pin = GPIO_Pin_13;
    pin.GPIO_Mode = GPIO_Mode_IN;
    pin.GPIO_PuPd = GPIO_PuPd_UP;
    GPIO_Init(GPIOC, &pin);
    SYSCFG_EXTILineConfig(EXTI_PortSourceGPIOC, EXTI_PinSource13);
    EXTI_InitTypeDef line{EXTI_Line13, EXTI_Mode_Interrupt, EXTI_Trigger_Falling, ENABLE};
    EXTI_Init(&line);
    NVIC_InitTypeDef exti{EXTI15_10_IRQn, 6, 0, ENABLE};
    NVIC_Init(&exti);

    TIM_TimeBaseInitTypeDef base;
    TIM_TimeBaseStructInit(&base);
    base.TIM_Prescaler = 41999;
    base.TIM_Period = 3;
    TIM_TimeBaseInit(TIM7, &base);
    TIM_ClearITPendingBit(TIM7, TIM_IT_Update);
    TIM_ITConfig(TIM7, TIM_IT_Update, ENABLE);
    NVIC_InitTypeDef timer{TIM7_IRQn, 11, 0, ENABLE};
    NVIC_Init(&timer);
    TIM_Cmd(TIM7, ENABLE);

    for (int press : {3, 7, 11})
    {
        world.ScheduleAt(Sim::World::Milliseconds(static_cast<uint64_t>(press)),
                         [] { Sim::World::Get().DrivePin(2, 13, false); });
        world.ScheduleAt(Sim::World::Milliseconds(static_cast<uint64_t>(press)) + Sim::World::Microseconds(500),
                         [] { Sim::World::Get().DrivePin(2, 13, true); });
    }
    while (m_ticks < 10)
        __NOP();
    world.board().Log("done at tick " + std::to_string(m_ticks));
    world.board().EnableEventLog(false);
}

} // namespace

TEST(WorldTest, SameScenarioTwiceGivesTheSameEventLog)
{
    RunScenario();
    const std::vector<std::string> first = Sim::World::Get().board().EventLog();
    RunScenario();
    const std::vector<std::string> second = Sim::World::Get().board().EventLog();
    EXPECT_EQ(first, second);
    // The log holds what happened: ten timer interrupts, three presses toggling the lamp.
    int timerEntries = 0;
    int lampLines = 0;
    for (const std::string& line : first)
    {
        timerEntries += line.find("enter TIM7_IRQHandler") != std::string::npos;
        lampLines += line.find("lamp") != std::string::npos;
    }
    EXPECT_EQ(timerEntries, 10);
    EXPECT_EQ(lampLines, 3);
}

TEST(WorldTest, ScheduledActionsRunAtTheirTimeInOrder)
{
    Sim::World& world = Sim::World::Get();
    std::vector<std::pair<int, Sim::Tick>> runs;
    world.ScheduleIn(Sim::World::Microseconds(20), [&] { runs.push_back({2, world.Now()}); });
    world.ScheduleIn(Sim::World::Microseconds(10), [&] { runs.push_back({1, world.Now()}); });
    world.ScheduleIn(Sim::World::Microseconds(20), [&] { runs.push_back({3, world.Now()}); });
    const Sim::Tick start = world.Now();
    world.RunFor(Sim::World::Microseconds(30));
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0], std::make_pair(1, start + Sim::World::Microseconds(10)));
    EXPECT_EQ(runs[1], std::make_pair(2, start + Sim::World::Microseconds(20)));
    EXPECT_EQ(runs[2], std::make_pair(3, start + Sim::World::Microseconds(20)));
    EXPECT_EQ(world.Now(), start + Sim::World::Microseconds(30));
}

TEST(WorldTest, RunUntilConditionStopsAtTheLimit)
{
    Sim::World& world = Sim::World::Get();
    bool flag = false;
    world.ScheduleIn(Sim::World::Milliseconds(5), [&] { flag = true; });
    EXPECT_FALSE(world.RunUntil([&] { return flag; }, Sim::World::Milliseconds(1)));
    EXPECT_TRUE(world.RunUntil([&] { return flag; }, Sim::World::Milliseconds(10)));
}

TEST(WorldTest, OneTimeProgrammableAreaReadsErasedUntilProgrammed)
{
    Sim::World& world = Sim::World::Get();
    const uint8_t* otp = VELMORA_PHYS(const uint8_t, OTP_BASE);
    for (uint32_t i = 0; i < OTP_SIZE; ++i)
        ASSERT_EQ(otp[i], 0xFF) << i;
    world.ProgramOtp(0, {0x00, 0x22});
    EXPECT_EQ(otp[0], 0x00);
    EXPECT_EQ(otp[1], 0x22);
}

TEST(WorldTest, ExternalSramIsPlainMemory)
{
    uint32_t* sram = VELMORA_PHYS(uint32_t, FSMC_BANK1_NORSRAM1);
    sram[0] = 0x12345678;
    sram[4096000 / 4 - 1] = 0xCAFEF00D;
    EXPECT_EQ(sram[0], 0x12345678u);
    EXPECT_EQ(sram[4096000 / 4 - 1], 0xCAFEF00Du);
    // The physical address of a register is the low half of its host address.
    EXPECT_EQ(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&DMA2_Stream3->PAR)), DMA2_BASE + 0x10 + 0x18 * 3 + 8);
}

TEST(WorldTest, AddressRegistersKeepTheWholeHostPointer)
{
    // Any fully writable 32-bit register shows the mechanism; DMA address registers rely on it.
    Sim::Board& board = Sim::World::Get().board();
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM2, ENABLE);
    const uint32_t ccr1 = TIM2_BASE + 0x34;
    static uint32_t buffer[4];
    const uintptr_t pointer = reinterpret_cast<uintptr_t>(buffer);

    TIM2->CCR1 = pointer;
    EXPECT_EQ(TIM2->CCR1, static_cast<uint32_t>(pointer));
    EXPECT_EQ(board.HostAddress(ccr1, TIM2->CCR1), buffer);

    // A plain 32-bit write is a physical address again: internal SRAM lies in the reservation.
    TIM2->CCR1 = SRAM1_BASE;
    EXPECT_EQ(board.HostAddress(ccr1, TIM2->CCR1), VELMORA_PHYS(void, SRAM1_BASE));
}
