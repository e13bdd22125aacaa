#include "misc.h"
#include "sim/World.h"
#include "sim/models/Syscfg.h"
#include "stm32f4xx_exti.h"
#include "stm32f4xx_gpio.h"
#include "stm32f4xx_rcc.h"
#include "stm32f4xx_syscfg.h"

#include <gtest/gtest.h>

namespace
{

const int portC = 2;
int m_calls = 0;

void Handler()
{
    ++m_calls;
    if (EXTI_GetITStatus(EXTI_Line13) != RESET)
        EXTI_ClearITPendingBit(EXTI_Line13);
}

class ExtiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_calls = 0;
        RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOC, ENABLE);
        RCC_APB2PeriphClockCmd(RCC_APB2Periph_SYSCFG, ENABLE);
        GPIO_InitTypeDef pin;
        GPIO_StructInit(&pin);
        pin.GPIO_Pin = GPIO_Pin_13;
        pin.GPIO_PuPd = GPIO_PuPd_UP;
        GPIO_Init(GPIOC, &pin);
        world.SetHandler(EXTI15_10_IRQn, Handler);
        NVIC_PriorityGroupConfig(NVIC_PriorityGroup_4);
    }

    void ConfigureLine(FunctionalState state)
    {
        SYSCFG_EXTILineConfig(EXTI_PortSourceGPIOC, EXTI_PinSource13);
        EXTI_InitTypeDef line;
        EXTI_StructInit(&line);
        line.EXTI_Line = EXTI_Line13;
        line.EXTI_Trigger = EXTI_Trigger_Falling;
        line.EXTI_LineCmd = state;
        EXTI_Init(&line);
    }

    void EnableChannel(FunctionalState state)
    {
        NVIC_InitTypeDef channel{};
        channel.NVIC_IRQChannel = EXTI15_10_IRQn;
        channel.NVIC_IRQChannelPreemptionPriority = 6;
        channel.NVIC_IRQChannelCmd = state;
        NVIC_Init(&channel);
    }

    // Presses (low) and releases (high) the input from outside, letting a little time pass.
    void Pulse()
    {
        world.DrivePin(portC, 13, false);
        world.RunFor(Sim::World::Microseconds(10));
        world.DrivePin(portC, 13, true);
        world.RunFor(Sim::World::Microseconds(10));
    }

    Sim::World& world = Sim::World::Get();
};

} // namespace

TEST_F(ExtiTest, FallingEdgeReachesTheHandlerWhenLineAndChannelAreEnabled)
{
    ConfigureLine(ENABLE);
    EnableChannel(ENABLE);
    Pulse();
    EXPECT_EQ(m_calls, 1); // the rising edge is not selected
    Pulse();
    EXPECT_EQ(m_calls, 2);
    EXPECT_EQ(EXTI_GetFlagStatus(EXTI_Line13), RESET);
}

TEST_F(ExtiTest, MaskedLineNeitherPendsNorInterrupts)
{
    ConfigureLine(DISABLE);
    EnableChannel(ENABLE);
    Pulse();
    EXPECT_EQ(m_calls, 0);
    EXPECT_EQ(EXTI_GetFlagStatus(EXTI_Line13), RESET);
}

TEST_F(ExtiTest, DisabledChannelLeavesTheLinePendingUntilEnabled)
{
    ConfigureLine(ENABLE);
    EnableChannel(DISABLE);
    Pulse();
    EXPECT_EQ(m_calls, 0);
    EXPECT_EQ(EXTI_GetFlagStatus(EXTI_Line13), SET);
    EnableChannel(ENABLE);
    EXPECT_EQ(m_calls, 1);
}

TEST_F(ExtiTest, LineRoutedToAnotherPortIgnoresThisPin)
{
    ConfigureLine(ENABLE);
    SYSCFG_EXTILineConfig(EXTI_PortSourceGPIOD, EXTI_PinSource13);
    EnableChannel(ENABLE);
    Pulse();
    EXPECT_EQ(m_calls, 0);
}

TEST_F(ExtiTest, RoutingNeedsTheSyscfgClock)
{
    RCC_APB2PeriphClockCmd(RCC_APB2Periph_SYSCFG, DISABLE);
    SYSCFG_EXTILineConfig(EXTI_PortSourceGPIOC, EXTI_PinSource13); // lost: SYSCFG is not clocked
    EXPECT_EQ(world.board().syscfg().ExtiPort(13), 0);
}

TEST_F(ExtiTest, SoftwareInterruptPendsAnUnmaskedLine)
{
    ConfigureLine(ENABLE);
    EnableChannel(ENABLE);
    EXTI_GenerateSWInterrupt(EXTI_Line13);
    EXPECT_EQ(m_calls, 1);
    EXPECT_EQ(EXTI->SWIER & EXTI_Line13, 0u); // cleared with the pending bit
}
