#include "sim/World.h"
#include "sim/models/Rcc.h"
#include "stm32f4xx_gpio.h"
#include "stm32f4xx_rcc.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

namespace
{

RCC_ClocksTypeDef Clocks()
{
    RCC_ClocksTypeDef clocks{};
    RCC_GetClocksFreq(&clocks);
    return clocks;
}

} // namespace

TEST(RccTest, ResetRunsFromTheInternalOscillator)
{
    const RCC_ClocksTypeDef clocks = Clocks();
    EXPECT_EQ(clocks.SYSCLK_Frequency, 16000000u);
    EXPECT_EQ(clocks.HCLK_Frequency, 16000000u);
    EXPECT_EQ(clocks.PCLK1_Frequency, 16000000u);
    EXPECT_EQ(clocks.PCLK2_Frequency, 16000000u);
}

TEST(RccTest, SystemInitBuildsTheClockTree)
{
    SystemInit();
    const RCC_ClocksTypeDef clocks = Clocks();
    EXPECT_EQ(clocks.SYSCLK_Frequency, 168000000u);
    EXPECT_EQ(clocks.HCLK_Frequency, 168000000u);
    EXPECT_EQ(clocks.PCLK1_Frequency, 42000000u);
    EXPECT_EQ(clocks.PCLK2_Frequency, 84000000u);
    EXPECT_EQ(SystemCoreClock, 168000000u);

    EXPECT_EQ(RCC->PLLCFGR, 0x07405419u);
    EXPECT_EQ(FLASH->ACR, 0x605u);
    EXPECT_EQ(RCC->CFGR & RCC_CFGR_SWS, RCC_CFGR_SWS_PLL);
    EXPECT_EQ(SCB->VTOR, 0x08000000u);
    EXPECT_EQ(SCB->CPACR & 0x00F00000u, 0x00F00000u);
    EXPECT_NE(PWR->CR & PWR_CR_VOS, 0u);

    Sim::Board& board = Sim::World::Get().board();
    EXPECT_EQ(board.Apb1TimerHz(), 84000000u);
    EXPECT_EQ(board.Apb2TimerHz(), 168000000u);
    EXPECT_EQ(board.rcc().Pll48Hz(), 48000000u);
    // The crystal needs its start-up time and the PLL its lock time before the switch.
    EXPECT_GT(Sim::World::Get().Now(), 2 * Sim::ticksPerMillisecond);
    EXPECT_LT(Sim::World::Get().Now(), 3 * Sim::ticksPerMillisecond);
}

TEST(RccTest, SwitchWaitsForTheSourceToBeReady)
{
    RCC->CFGR = RCC_CFGR_SW_HSE; // HSE is still off
    EXPECT_EQ(RCC->CFGR & RCC_CFGR_SWS, RCC_CFGR_SWS_HSI);
    RCC_HSEConfig(RCC_HSE_ON);
    EXPECT_EQ(RCC->CR & RCC_CR_HSERDY, 0u);
    ASSERT_EQ(RCC_WaitForHSEStartUp(), SUCCESS);
    EXPECT_EQ(RCC->CFGR & RCC_CFGR_SWS, RCC_CFGR_SWS_HSE);
    EXPECT_EQ(Clocks().SYSCLK_Frequency, 25000000u);
}

TEST(RccTest, PeripheralWithItsClockOffIgnoresWritesAndReadsZero)
{
    Sim::World::Get().CaptureDiagnostics();
    GPIOD->ODR = 0x1234;
    EXPECT_EQ(GPIOD->ODR, 0u);
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOD, ENABLE);
    EXPECT_EQ(GPIOD->ODR, 0u); // the earlier write was lost
    GPIOD->ODR = 0x1234;
    EXPECT_EQ(GPIOD->ODR, 0x1234u);
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOD, DISABLE);
    EXPECT_EQ(GPIOD->ODR, 0u);
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOD, ENABLE);
    EXPECT_EQ(GPIOD->ODR, 0x1234u); // gating keeps the state
    // The lost accesses are pointed out once.
    const std::vector<std::string> diagnostics = Sim::World::Get().TakeDiagnostics();
    ASSERT_EQ(diagnostics.size(), 1u);
    EXPECT_NE(diagnostics[0].find("GPIOD: write to ODR (offset 0x014) while its clock is off"), std::string::npos)
        << diagnostics[0];
}

TEST(RccTest, PeripheralResetRestoresResetValues)
{
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOA, ENABLE);
    GPIOA->ODR = 0xFF;
    GPIO_DeInit(GPIOA);
    EXPECT_EQ(GPIOA->ODR, 0u);
    EXPECT_EQ(GPIOA->MODER, 0xA8000000u);
}

TEST(RccTest, Mco1OutputsTheSelectedClock)
{
    SystemInit();
    RCC_MCO1Config(RCC_MCO1Source_HSE, RCC_MCO1Div_1);
    EXPECT_EQ(Sim::World::Get().board().rcc().Mco1Hz(), 25000000u);
    RCC_MCO1Config(RCC_MCO1Source_PLLCLK, RCC_MCO1Div_4);
    EXPECT_EQ(Sim::World::Get().board().rcc().Mco1Hz(), 42000000u);
}

TEST(RccTest, TooFewFlashWaitStatesAreReported)
{
    Sim::World& world = Sim::World::Get();
    world.CaptureDiagnostics();
    RCC_HSEConfig(RCC_HSE_ON);
    ASSERT_EQ(RCC_WaitForHSEStartUp(), SUCCESS);
    RCC_PLLConfig(RCC_PLLSource_HSE, 25, 336, 2, 7);
    RCC_PLLCmd(ENABLE);
    while (RCC_GetFlagStatus(RCC_FLAG_PLLRDY) == RESET)
    {
    }
    RCC_SYSCLKConfig(RCC_SYSCLKSource_PLLCLK); // flash still at 0 wait states
    const std::vector<std::string> diagnostics = world.TakeDiagnostics();
    ASSERT_EQ(diagnostics.size(), 1u);
    EXPECT_NE(diagnostics[0].find("wait states"), std::string::npos);
}
