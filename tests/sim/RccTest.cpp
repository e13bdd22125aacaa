#include "sim/World.h"
#include "sim/models/Rcc.h"
#include "stm32f4xx_gpio.h"
#include "stm32f4xx_rcc.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    RCC_PCLK1Config(RCC_HCLK_Div4);
    RCC_PCLK2Config(RCC_HCLK_Div2);
    RCC_SYSCLKConfig(RCC_SYSCLKSource_PLLCLK); // flash still at 0 wait states
    const std::vector<std::string> diagnostics = world.TakeDiagnostics();
    ASSERT_EQ(diagnostics.size(), 1u);
    EXPECT_NE(diagnostics[0].find("wait states"), std::string::npos);
}

TEST(RccTest, BackupDomainIsWriteProtectedUntilDbpAndSurvivesASystemReset)
{
    Sim::World& world = Sim::World::Get();
    world.CaptureDiagnostics();
    RCC->BDCR = RCC_BDCR_LSEON; // DBP clear: ignored
    EXPECT_EQ(RCC->BDCR, 0u);
    EXPECT_EQ(world.TakeDiagnostics().size(), 1u);

    RCC_APB1PeriphClockCmd(RCC_APB1Periph_PWR, ENABLE);
    PWR->CR = PWR->CR | PWR_CR_DBP;
    RCC->BDCR = RCC_BDCR_LSEON;
    // The 32.768 kHz crystal takes its time to start.
    world.RunFor(Sim::World::Milliseconds(100));
    EXPECT_EQ(RCC->BDCR & RCC_BDCR_LSERDY, 0u);
    world.RunFor(Sim::World::Milliseconds(2000));
    EXPECT_NE(RCC->BDCR & RCC_BDCR_LSERDY, 0u);

    // A system reset leaves the backup domain alone and records why the chip restarted.
    RCC->CSR = RCC_CSR_RMVF;
    world.board().SystemReset();
    EXPECT_EQ(RCC->BDCR, RCC_BDCR_LSEON | RCC_BDCR_LSERDY);
    EXPECT_EQ(RCC->CSR & 0xFE000000u, RCC_CSR_SFTRSTF | RCC_CSR_PADRSTF);

    // Only the backup domain reset clears it.
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_PWR, ENABLE);
    PWR->CR = PWR->CR | PWR_CR_DBP;
    RCC->BDCR = RCC_BDCR_BDRST;
    RCC->BDCR = 0;
    EXPECT_EQ(RCC->BDCR, 0u);
    EXPECT_TRUE(world.TakeDiagnostics().empty());
}

TEST(RccTest, ClocksBeyondTheChipsLimitsAreReported)
{
    Sim::World& world = Sim::World::Get();
    world.CaptureDiagnostics();
    SystemInit();
    ASSERT_TRUE(world.TakeDiagnostics().empty());

    // APB1 at 84 MHz.
    RCC->CFGR = (RCC->CFGR & ~RCC_CFGR_PPRE1) | RCC_CFGR_PPRE1_DIV2;
    std::vector<std::string> diagnostics = world.TakeDiagnostics();
    ASSERT_EQ(diagnostics.size(), 1u);
    EXPECT_NE(diagnostics[0].find("PCLK1 at 84000000 Hz"), std::string::npos) << diagnostics[0];
    RCC->CFGR = (RCC->CFGR & ~RCC_CFGR_PPRE1) | RCC_CFGR_PPRE1_DIV4;

    // Fewer flash wait states while running at 168 MHz.
    FLASH->ACR = FLASH_ACR_ICEN | FLASH_ACR_DCEN | FLASH_ACR_LATENCY_2WS;
    diagnostics = world.TakeDiagnostics();
    ASSERT_EQ(diagnostics.size(), 1u);
    EXPECT_NE(diagnostics[0].find("wait states"), std::string::npos) << diagnostics[0];
    FLASH->ACR = FLASH_ACR_ICEN | FLASH_ACR_DCEN | FLASH_ACR_LATENCY_5WS;

    // Regulator scale 2 does not allow 168 MHz.
    PWR->CR = PWR->CR & ~PWR_CR_VOS;
    diagnostics = world.TakeDiagnostics();
    ASSERT_EQ(diagnostics.size(), 1u);
    EXPECT_NE(diagnostics[0].find("regulator scale 2"), std::string::npos) << diagnostics[0];
    PWR->CR = PWR->CR | PWR_CR_VOS;

    // A PLL set up out of range, reported when it is started.
    RCC->CFGR = RCC->CFGR & ~RCC_CFGR_SW; // back to HSI
    RCC->CR = RCC->CR & ~RCC_CR_PLLON;
    struct Case
    {
        uint32_t m, n, p, q;
        const char* expected;
    };
    const Case cases[] = {
        {10, 168, 2, 7, "VCO input"},  // 2.5 MHz
        {25, 450, 2, 9, "VCO output"}, // 450 MHz
        {25, 432, 2, 9, "main output"}, // 216 MHz
        {25, 336, 2, 6, "48 MHz output"}, // 56 MHz
    };
    for (const Case& c : cases)
    {
        RCC->PLLCFGR = c.m | (c.n << 6) | (((c.p >> 1) - 1) << 16) | RCC_PLLCFGR_PLLSRC_HSE | (c.q << 24);
        RCC->CR = RCC->CR | RCC_CR_PLLON;
        diagnostics = world.TakeDiagnostics();
        ASSERT_EQ(diagnostics.size(), 1u) << c.expected;
        EXPECT_NE(diagnostics[0].find(c.expected), std::string::npos) << diagnostics[0];
        RCC->CR = RCC->CR & ~RCC_CR_PLLON;
    }
}
