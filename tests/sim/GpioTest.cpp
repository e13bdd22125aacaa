#include "sim/World.h"
#include "stm32f4xx_gpio.h"
#include "stm32f4xx_rcc.h"

#include <gtest/gtest.h>

namespace
{

const int portB = 1;
const int portE = 4;

class GpioTest : public ::testing::Test
{
protected:
    void SetUp() override { RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOB | RCC_AHB1Periph_GPIOE, ENABLE); }

    void Configure(GPIO_TypeDef* port, uint16_t pins, GPIOMode_TypeDef mode, GPIOOType_TypeDef type,
                   GPIOPuPd_TypeDef pull)
    {
        GPIO_InitTypeDef init;
        GPIO_StructInit(&init);
        init.GPIO_Pin = pins;
        init.GPIO_Mode = mode;
        init.GPIO_OType = type;
        init.GPIO_PuPd = pull;
        init.GPIO_Speed = GPIO_Speed_100MHz;
        GPIO_Init(port, &init);
    }

    Sim::World& world = Sim::World::Get();
};

} // namespace

TEST_F(GpioTest, InitWritesOnlyTheSelectedPinsFields)
{
    GPIOE->MODER = 0xFFFFFFFF;
    Configure(GPIOE, GPIO_Pin_3 | GPIO_Pin_9, GPIO_Mode_OUT, GPIO_OType_OD, GPIO_PuPd_UP);
    EXPECT_EQ(GPIOE->MODER, (0xFFFFFFFFu & ~(0x3u << 6) & ~(0x3u << 18)) | (0x1u << 6) | (0x1u << 18));
    EXPECT_EQ(GPIOE->OTYPER, (1u << 3) | (1u << 9));
    EXPECT_EQ(GPIOE->OSPEEDR, (3u << 6) | (3u << 18));
    EXPECT_EQ(GPIOE->PUPDR, (1u << 6) | (1u << 18));
}

TEST_F(GpioTest, OutputsDriveThePinsAndBsrrSetWinsOverReset)
{
    Configure(GPIOE, GPIO_Pin_0 | GPIO_Pin_1, GPIO_Mode_OUT, GPIO_OType_PP, GPIO_PuPd_NOPULL);
    GPIO_SetBits(GPIOE, GPIO_Pin_0);
    EXPECT_TRUE(world.PinLevel(portE, 0));
    EXPECT_FALSE(world.PinLevel(portE, 1));
    GPIO_ToggleBits(GPIOE, GPIO_Pin_0 | GPIO_Pin_1);
    EXPECT_FALSE(world.PinLevel(portE, 0));
    EXPECT_TRUE(world.PinLevel(portE, 1));
    GPIOE->BSRRH = GPIO_Pin_1;
    EXPECT_EQ(GPIO_ReadOutputData(GPIOE), 0u);
    // A word write that sets and resets the same pin sets it.
    *reinterpret_cast<__IO32*>(&GPIOE->BSRRL) = (1u << 16) | 1u;
    EXPECT_EQ(GPIO_ReadOutputDataBit(GPIOE, GPIO_Pin_0), Bit_SET);
    EXPECT_EQ(GPIO_ReadInputDataBit(GPIOE, GPIO_Pin_0), Bit_SET);
}

TEST_F(GpioTest, InputsFollowTheOutsideAndThePulls)
{
    Configure(GPIOE, GPIO_Pin_2, GPIO_Mode_IN, GPIO_OType_PP, GPIO_PuPd_UP);
    Configure(GPIOE, GPIO_Pin_4, GPIO_Mode_IN, GPIO_OType_PP, GPIO_PuPd_DOWN);
    EXPECT_EQ(GPIO_ReadInputDataBit(GPIOE, GPIO_Pin_2), Bit_SET);
    EXPECT_EQ(GPIO_ReadInputDataBit(GPIOE, GPIO_Pin_4), Bit_RESET);
    world.DrivePin(portE, 2, false);
    world.DrivePin(portE, 4, true);
    EXPECT_EQ(GPIO_ReadInputData(GPIOE) & (GPIO_Pin_2 | GPIO_Pin_4), GPIO_Pin_4);
    world.ReleasePin(portE, 2);
    EXPECT_EQ(GPIO_ReadInputDataBit(GPIOE, GPIO_Pin_2), Bit_SET);
}

TEST_F(GpioTest, OpenDrainOnlyPullsLow)
{
    Configure(GPIOB, GPIO_Pin_7, GPIO_Mode_OUT, GPIO_OType_OD, GPIO_PuPd_NOPULL);
    GPIO_SetBits(GPIOB, GPIO_Pin_7);
    world.DrivePin(portB, 7, false); // another device holds the line low
    EXPECT_EQ(GPIO_ReadInputDataBit(GPIOB, GPIO_Pin_7), Bit_RESET);
    world.DrivePin(portB, 7, true);
    EXPECT_EQ(GPIO_ReadInputDataBit(GPIOB, GPIO_Pin_7), Bit_SET);
}

TEST_F(GpioTest, AnalogPinsReadZero)
{
    Configure(GPIOE, GPIO_Pin_5, GPIO_Mode_AN, GPIO_OType_PP, GPIO_PuPd_NOPULL);
    world.DrivePin(portE, 5, true);
    EXPECT_EQ(GPIO_ReadInputDataBit(GPIOE, GPIO_Pin_5), Bit_RESET);
}

TEST_F(GpioTest, LockFreezesTheConfigurationOfTheLockedPinsOnly)
{
    Configure(GPIOE, GPIO_Pin_10 | GPIO_Pin_11, GPIO_Mode_OUT, GPIO_OType_PP, GPIO_PuPd_NOPULL);
    GPIO_PinAFConfig(GPIOE, GPIO_PinSource10, GPIO_AF_TIM1);
    GPIO_PinLockConfig(GPIOE, GPIO_Pin_10);
    EXPECT_EQ(GPIOE->LCKR, GPIO_LCKR_LCKK | GPIO_Pin_10);
    Configure(GPIOE, GPIO_Pin_10 | GPIO_Pin_11, GPIO_Mode_AF, GPIO_OType_OD, GPIO_PuPd_UP);
    GPIO_PinAFConfig(GPIOE, GPIO_PinSource10, GPIO_AF_FSMC);
    EXPECT_EQ((GPIOE->MODER >> 20) & 3u, 1u); // pin 10 kept
    EXPECT_EQ((GPIOE->MODER >> 22) & 3u, 2u); // pin 11 changed
    EXPECT_EQ((GPIOE->AFR[1] >> 8) & 0xFu, 1u);
    EXPECT_EQ(GPIOE->OTYPER, 1u << 11);
    // The data register is not locked.
    GPIO_SetBits(GPIOE, GPIO_Pin_10);
    EXPECT_TRUE(world.PinLevel(portE, 10));
}

TEST_F(GpioTest, WrongLockSequenceDoesNotLock)
{
    GPIOE->LCKR = GPIO_LCKR_LCKK | GPIO_Pin_1;
    GPIOE->LCKR = GPIO_Pin_2; // different pins: sequence aborted
    GPIOE->LCKR = GPIO_LCKR_LCKK | GPIO_Pin_1;
    EXPECT_EQ(GPIOE->LCKR & GPIO_LCKR_LCKK, 0u);
    Configure(GPIOE, GPIO_Pin_1, GPIO_Mode_OUT, GPIO_OType_PP, GPIO_PuPd_NOPULL);
    EXPECT_EQ((GPIOE->MODER >> 2) & 3u, 1u);
}

TEST_F(GpioTest, PortAAndBResetWithTheDebugPinsConfigured)
{
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOA, ENABLE);
    EXPECT_EQ(GPIOA->MODER, 0xA8000000u);
    EXPECT_EQ(GPIOA->PUPDR, 0x64000000u);
    EXPECT_EQ(GPIOB->MODER, 0x00000280u);
    EXPECT_EQ(GPIOB->OSPEEDR, 0x000000C0u);
}
