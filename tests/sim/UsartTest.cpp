#include "sim/World.h"
#include "sim/models/Usart.h"

#include "stm32f4xx.h"
#include "stm32f4xx_gpio.h"
#include "stm32f4xx_rcc.h"
#include "stm32f4xx_usart.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

namespace
{

using Sim::Tick;
using Sim::World;

// USART1 on PB6 (TX) and PB7 (RX), alternate function 7, driven register by register.
class UsartTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SystemInit();
        RCC_AHB1PeriphClockCmd(RCC_AHB1ENR_GPIOBEN, ENABLE);
        RCC_APB2PeriphClockCmd(RCC_APB2Periph_USART1, ENABLE);
        USART_InitTypeDef init;
        USART_StructInit(&init);
        init.USART_BaudRate = 115200;
        USART_Init(USART1, &init);
        USART_Cmd(USART1, ENABLE);
    }
    static World& TheWorld() { return World::Get(); }
    static Sim::Usart::Peer& Peer() { return TheWorld().SerialPeer(2); }

    static void RoutePins()
    {
        GPIO_InitTypeDef pins;
        GPIO_StructInit(&pins);
        pins.GPIO_Pin = GPIO_Pin_6 | GPIO_Pin_7;
        pins.GPIO_Mode = GPIO_Mode_AF;
        GPIO_Init(GPIOB, &pins);
        GPIO_PinAFConfig(GPIOB, 6, 7);
        GPIO_PinAFConfig(GPIOB, 7, 7);
    }
    static void WaitForTransmission()
    {
        TheWorld().RunUntil([] { return (USART1->SR & USART_SR_TC) != 0; }, TheWorld().Milliseconds(1));
    }
};

} // namespace

TEST_F(UsartTest, BytesCrossTheLineOnlyThroughPinsOnTheirAlternateFunction)
{
    USART_SendData(USART1, 'a');
    WaitForTransmission();
    Peer().Send({'b'});
    TheWorld().RunFor(TheWorld().Microseconds(200));
    EXPECT_TRUE(Peer().Received().empty());
    EXPECT_EQ(USART1->SR & USART_SR_RXNE, 0u);

    RoutePins();
    USART_SendData(USART1, 'c');
    WaitForTransmission();
    Peer().Send({'d'});
    TheWorld().RunFor(TheWorld().Microseconds(200));
    ASSERT_EQ(Peer().Received().size(), 1u);
    EXPECT_EQ(Peer().Received()[0].value, 'c');
    EXPECT_EQ(USART_ReceiveData(USART1), 'd');
}

TEST_F(UsartTest, ErrorFlagsClearOnlyByAStatusReadFollowedByADataRead)
{
    RoutePins();
    Peer().InjectErrors(true, true, false);
    Peer().Send({'x'});
    TheWorld().RunFor(TheWorld().Microseconds(200));
    const uint32_t flags = USART_SR_FE | USART_SR_NE | USART_SR_RXNE;
    // A data read without the status read before it takes the byte but leaves the errors.
    const uint16_t first = USART_ReceiveData(USART1);
    EXPECT_EQ(first, 'x');
    const uint32_t status = USART1->SR;
    EXPECT_EQ(status & flags, USART_SR_FE | USART_SR_NE);
    const uint16_t second = USART_ReceiveData(USART1);
    (void)second;
    EXPECT_EQ(USART1->SR & (USART_SR_FE | USART_SR_NE), 0u);
    // Writing 0 cannot clear a read-only error flag.
    Peer().InjectErrors(true, false, false);
    Peer().Send({'y'});
    TheWorld().RunFor(TheWorld().Microseconds(200));
    USART1->SR = 0;
    EXPECT_NE(USART1->SR & USART_SR_FE, 0u);
    EXPECT_EQ(USART1->SR & USART_SR_RXNE, 0u) << "RXNE is cleared by writing 0";
}

TEST_F(UsartTest, TransmissionCompleteFollowsTheShiftRegisterAndClearsOnStatusThenData)
{
    RoutePins();
    EXPECT_NE(USART1->SR & USART_SR_TC, 0u) << "idle after reset";
    const uint32_t status = USART1->SR;
    (void)status;
    USART_SendData(USART1, 1);
    EXPECT_EQ(USART1->SR & USART_SR_TC, 0u);
    EXPECT_NE(USART1->SR & USART_SR_TXE, 0u) << "the byte moved on to the shift register";
    USART_SendData(USART1, 2);
    EXPECT_EQ(USART1->SR & USART_SR_TXE, 0u);
    WaitForTransmission();
    ASSERT_EQ(Peer().Received().size(), 2u);
    EXPECT_EQ(Peer().Received()[1].start, Peer().Received()[0].end);
}

TEST_F(UsartTest, Over8HalvesTheOversamplingAndKeepsTheBaudRate)
{
    RoutePins();
    USART_Cmd(USART1, DISABLE);
    USART1->CR1 |= USART_CR1_OVER8;
    USART_InitTypeDef init;
    USART_StructInit(&init);
    init.USART_BaudRate = 115200;
    USART_Init(USART1, &init);
    USART_Cmd(USART1, ENABLE);
    // 8 x USARTDIV = 84 MHz / 115200 = 729.2: mantissa 91, fraction 1.
    EXPECT_EQ(USART1->BRR, (91u << 4) | 1u);
    USART_SendData(USART1, 'o');
    WaitForTransmission();
    ASSERT_EQ(Peer().Received().size(), 1u);
    const double frame = 10.0 * 729 * Sim::ticksPerSecond / 84e6;
    EXPECT_NEAR(static_cast<double>(Peer().Received()[0].end - Peer().Received()[0].start), frame, 2.0);
    EXPECT_FALSE(Peer().Received()[0].framingError);
}
