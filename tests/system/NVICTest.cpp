#include "system/Driver/NVIC.h"

#include "sim/World.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace
{

uint8_t PriorityByte(IRQn_Type irq)
{
    return VELMORA_PHYS(NVIC_Type, NVIC_BASE)->IP[static_cast<uint32_t>(irq)];
}

bool Enabled(IRQn_Type irq)
{
    return (VELMORA_PHYS(NVIC_Type, NVIC_BASE)->ISER[static_cast<uint32_t>(irq) >> 5] >> (static_cast<uint32_t>(irq) & 31)) & 1u;
}

TEST(NVICTest, FirstUseMakesEveryPriorityBitAPreemptionBit)
{
    Driver::NVIC::GetInstance();
    EXPECT_EQ(3u << SCB_AIRCR_PRIGROUP_Pos, SCB->AIRCR & SCB_AIRCR_PRIGROUP);
}

TEST(NVICTest, EnablesEveryInterruptOfTheTableAtItsPriority)
{
    const struct
    {
        IRQn_Type irq;
        uint8_t priority;
    } table[] = {
        {TIM2_IRQn, 1},         {SPI1_IRQn, 2},          {USART1_IRQn, 2},        {USART2_IRQn, 2},
        {UART4_IRQn, 2},        {USART6_IRQn, 2},        {I2C1_EV_IRQn, 3},       {I2C1_ER_IRQn, 3},
        {EXTI9_5_IRQn, 5},      {EXTI15_10_IRQn, 6},     {DMA2_Stream3_IRQn, 7},  {DMA2_Stream6_IRQn, 7},
        {EXTI0_IRQn, 8},        {EXTI1_IRQn, 8},         {EXTI3_IRQn, 8},         {DMA2_Stream0_IRQn, 9},
        {DMA2_Stream1_IRQn, 9}, {DMA2_Stream2_IRQn, 9},  {SDIO_IRQn, 10},         {TIM7_IRQn, 11},
        {OTG_FS_IRQn, 12},
    };
    Driver::NVIC& nvic = Driver::NVIC::GetInstance();
    for (const auto& entry : table)
    {
        SCOPED_TRACE(static_cast<int>(entry.irq));
        EXPECT_FALSE(Enabled(entry.irq));
        nvic.EnableIRQ(entry.irq);
        EXPECT_TRUE(Enabled(entry.irq));
        // Four implemented bits at the top of the byte; no sub-priority.
        EXPECT_EQ(entry.priority << 4, PriorityByte(entry.irq));
        EXPECT_EQ(entry.priority, Driver::NVIC::GetPriority(entry.irq));
    }
}

TEST(NVICTest, RefusesInterruptsOutsideTheTable)
{
    Driver::NVIC& nvic = Driver::NVIC::GetInstance();
    for (IRQn_Type irq : {static_cast<IRQn_Type>(50), DMA1_Stream5_IRQn, EXTI2_IRQn, DMA2_Stream7_IRQn})
    {
        try
        {
            nvic.EnableIRQ(irq);
            ADD_FAILURE() << "IRQ " << irq << " was enabled";
        }
        catch (const std::runtime_error& error)
        {
            EXPECT_EQ(std::string("IRQ not handled"), error.what());
        }
        EXPECT_FALSE(Enabled(irq));
    }
}

TEST(NVICTest, LowerNumbersPreemptHigherOnes)
{
    Driver::NVIC::GetInstance();
    // Group 4: the whole byte is group priority, so TIM2 (1) preempts TIM7 (11) and not the
    // other way round.
    Driver::NVIC::GetInstance().EnableIRQ(TIM2_IRQn);
    Driver::NVIC::GetInstance().EnableIRQ(TIM7_IRQn);
    static bool tim2Ran = false;
    static bool tim2RanInsideTim7 = false;
    Sim::World::Get().SetHandler(TIM2_IRQn, [] { tim2Ran = true; });
    Sim::World::Get().SetHandler(TIM7_IRQn, [] {
        NVIC_SetPendingIRQ(TIM2_IRQn);
        __NOP();
        tim2RanInsideTim7 = tim2Ran;
    });
    NVIC_SetPendingIRQ(TIM7_IRQn);
    __NOP();
    EXPECT_TRUE(tim2RanInsideTim7);
}

} // namespace
