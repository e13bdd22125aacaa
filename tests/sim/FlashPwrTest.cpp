#include "sim/World.h"
#include "stm32f4xx_rcc.h"

#include <gtest/gtest.h>

TEST(FlashTest, ControlRegisterIsLockedUntilTheKeySequence)
{
    EXPECT_NE(FLASH->CR & FLASH_CR_LOCK, 0u);
    FLASH->CR = FLASH_CR_PSIZE_1; // ignored while locked
    EXPECT_EQ(FLASH->CR, FLASH_CR_LOCK);
    FLASH->KEYR = 0x45670123;
    FLASH->KEYR = 0xCDEF89AB;
    EXPECT_EQ(FLASH->CR & FLASH_CR_LOCK, 0u);
    FLASH->CR = FLASH_CR_PSIZE_1;
    EXPECT_EQ(FLASH->CR, FLASH_CR_PSIZE_1);
}

TEST(FlashTest, WrongKeyIsReported)
{
    Sim::World::Get().CaptureDiagnostics();
    FLASH->KEYR = 0x12345678;
    EXPECT_EQ(Sim::World::Get().TakeDiagnostics().size(), 1u);
    EXPECT_NE(FLASH->CR & FLASH_CR_LOCK, 0u);
}

TEST(PwrTest, RegistersNeedThePowerInterfaceClock)
{
    PWR->CR = 0; // lost: the interface is not clocked
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_PWR, ENABLE);
    EXPECT_EQ(PWR->CR, PWR_CR_VOS); // scale 1 at reset
    EXPECT_NE(PWR->CSR & PWR_CSR_VOSRDY, 0u);
    PWR->CSR = PWR_CSR_BRE;
    EXPECT_NE(PWR->CSR & PWR_CSR_BRR, 0u);
}
