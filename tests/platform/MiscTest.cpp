#include "misc.h"
#include "sim/World.h"

#include <gtest/gtest.h>

namespace
{

uint8_t PriorityByte(uint32_t group, uint8_t preemption, uint8_t sub)
{
    NVIC_PriorityGroupConfig(group);
    NVIC_InitTypeDef init{};
    init.NVIC_IRQChannel = USART6_IRQn;
    init.NVIC_IRQChannelPreemptionPriority = preemption;
    init.NVIC_IRQChannelSubPriority = sub;
    init.NVIC_IRQChannelCmd = ENABLE;
    NVIC_Init(&init);
    return NVIC->IP[USART6_IRQn];
}

} // namespace

TEST(MiscTest, PriorityBitsAreSplitByTheGroup)
{
    // Group 4: four bits of preemption, no sub-priority (sub-priority bits are dropped).
    EXPECT_EQ(PriorityByte(NVIC_PriorityGroup_4, 12, 3), 0xC0);
    // Group 2: two and two.
    EXPECT_EQ(PriorityByte(NVIC_PriorityGroup_2, 2, 1), 0x90);
    // Group 0: no preemption bits, four of sub-priority.
    EXPECT_EQ(PriorityByte(NVIC_PriorityGroup_0, 3, 5), 0x50);
    EXPECT_EQ(SCB->AIRCR & SCB_AIRCR_PRIGROUP, NVIC_PriorityGroup_0);
}

TEST(MiscTest, InitEnablesAndDisablesTheChannel)
{
    NVIC_PriorityGroupConfig(NVIC_PriorityGroup_4);
    NVIC_InitTypeDef init{OTG_FS_IRQn, 12, 0, ENABLE};
    NVIC_Init(&init);
    const uint32_t bit = 1u << (OTG_FS_IRQn & 0x1F);
    EXPECT_EQ(NVIC->ISER[OTG_FS_IRQn >> 5] & bit, bit);
    init.NVIC_IRQChannelCmd = DISABLE;
    NVIC_Init(&init);
    EXPECT_EQ(NVIC->ISER[OTG_FS_IRQn >> 5] & bit, 0u);
    EXPECT_EQ(NVIC_GetPriority(OTG_FS_IRQn), 12u); // disabling keeps the priority
}

TEST(MiscTest, SystemHandlerPrioritiesLiveInTheScb)
{
    EXPECT_EQ(NVIC_GetPriority(SVCall_IRQn), 0u);
    NVIC_SetPriority(SVCall_IRQn, 3);
    EXPECT_EQ(SCB->SHP[7], 0x30);
    EXPECT_EQ(Sim::World::Get().board().core().Priority(Sim::excSvCall), 0x30);
}

TEST(MiscTest, VectorTableOffsetKeepsItsAlignment)
{
    NVIC_SetVectorTable(NVIC_VectTab_FLASH, 0x4000);
    EXPECT_EQ(SCB->VTOR, 0x08004000u);
}
