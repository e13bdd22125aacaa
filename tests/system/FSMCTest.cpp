// Driver::FSMC against the register models: pins, clock, and the regions' control and timing.
#include "system/Driver/FSMC.h"

#include "stm32f4xx.h"

#include <gtest/gtest.h>

#include <stdexcept>

using Driver::FSMC;

namespace
{

GPIO_TypeDef* Port(char port)
{
    return VELMORA_PHYS(GPIO_TypeDef, GPIOA_BASE + (port - 'A') * 0x400u);
}

void ExpectBusPin(char port, unsigned pin)
{
    GPIO_TypeDef* gpio = Port(port);
    const uint32_t moder = gpio->MODER;
    const uint32_t afr = gpio->AFR[pin / 8];
    const uint32_t pupdr = gpio->PUPDR;
    const uint32_t speed = gpio->OSPEEDR;
    // (Locking is the pin driver's: the silicon freezes LCKR after a port's first lock sequence.)
    EXPECT_EQ((moder >> (pin * 2)) & 3u, 2u) << port << pin;         // alternate function
    EXPECT_EQ((afr >> ((pin % 8) * 4)) & 0xFu, 12u) << port << pin; // FSMC
    EXPECT_EQ((pupdr >> (pin * 2)) & 3u, 1u) << port << pin;        // pull-up
    EXPECT_EQ((speed >> (pin * 2)) & 3u, 3u) << port << pin;        // 100 MHz
}

} // namespace

TEST(FSMCTest, FirstUseRoutesTheBusPinsAndStartsTheClock)
{
    FSMC::GetInstance();
    EXPECT_NE(static_cast<uint32_t>(RCC->AHB3ENR) & RCC_AHB3ENR_FSMCEN, 0u);
    for (unsigned pin : {0u, 1u, 4u, 5u, 8u, 9u, 10u, 11u, 12u, 13u, 14u, 15u})
        ExpectBusPin('D', pin);
    for (unsigned pin : {0u, 1u, 3u, 4u, 7u, 8u, 9u, 10u, 11u, 12u, 13u, 14u, 15u})
        ExpectBusPin('E', pin);
    for (unsigned pin : {0u, 1u, 2u, 3u, 4u, 5u, 12u, 13u, 14u, 15u})
        ExpectBusPin('F', pin);
    for (unsigned pin : {0u, 1u, 2u, 3u, 4u, 5u})
        ExpectBusPin('G', pin);
    // Chip selects wait for their region.
    EXPECT_EQ((static_cast<uint32_t>(Port('D')->MODER) >> 14) & 3u, 0u);
}

TEST(FSMCTest, RegionsGetTheirMemoryTypeAccessModeAndTiming)
{
    FSMC& fsmc = FSMC::GetInstance();
    fsmc.EnableBank(FSMC::SRAMBank::Region0, 1, 0, 2, 0);
    // SRAM, 16 bits, write enabled, enabled; mode A; ADDSET 1, DATAST 2.
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[0]), 0x00001011u);
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[1]), 0x00000201u);
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1E->BWTR[0]), 0x0FFFFFFFu);
    ExpectBusPin('D', 7);

    fsmc.EnableBank(FSMC::SRAMBank::Region2, 12, 15, 24, 0);
    // NOR with flash access, 16 bits, write enabled, enabled; mode B.
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[4]), 0x00001059u);
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[5]), 0x100018FCu);
    ExpectBusPin('G', 10);

    fsmc.EnableBank(FSMC::SRAMBank::Region2, 0, 1, 1, 0);
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[5]), 0x10000110u);
    // Region 1 untouched: reset values.
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[2]), 0x000030D2u);
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[3]), 0x0FFFFFFFu);
}

TEST(FSMCTest, TimingsTheControllerCannotTakeAreRefusedAndChangeNothing)
{
    FSMC& fsmc = FSMC::GetInstance();
    fsmc.EnableBank(FSMC::SRAMBank::Region2, 12, 15, 24, 0);
    const uint32_t before = FSMC_Bank1->BTCR[5];
    const struct
    {
        uint8_t setup, hold, data, turnaround;
    } refused[] = {{0, 1, 0, 0}, {16, 1, 1, 0}, {0, 24, 1, 0}, {0, 1, 1, 16}};
    for (const auto& t : refused)
    {
        EXPECT_THROW(fsmc.EnableBank(FSMC::SRAMBank::Region2, t.setup, t.hold, t.data, t.turnaround),
                     std::invalid_argument);
        EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[5]), before);
    }
}
