// The FSMC model through the peripheral library: register layout and reset values, what an
// access costs at the programmed timing, and the checks that stand for the silicon's pins.
#include "sim/Board.h"
#include "sim/World.h"
#include "sim/devices/SSD1963.h"
#include "sim/models/Fsmc.h"

#include "stm32f4xx.h"
#include "stm32f4xx_fsmc.h"
#include "stm32f4xx_gpio.h"
#include "stm32f4xx_rcc.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

namespace
{

// Routes one pin to the FSMC without the firmware's pin driver.
void RoutePin(GPIO_TypeDef* port, uint16_t pin)
{
    GPIO_InitTypeDef init;
    GPIO_StructInit(&init);
    init.GPIO_Pin = static_cast<uint32_t>(1u << pin);
    init.GPIO_Mode = GPIO_Mode_AF;
    init.GPIO_Speed = GPIO_Speed_100MHz;
    GPIO_Init(port, &init);
    GPIO_PinAFConfig(port, pin, GPIO_AF_FSMC);
}

void RouteDisplayBus()
{
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOD | RCC_AHB1Periph_GPIOE | RCC_AHB1Periph_GPIOF | RCC_AHB1Periph_GPIOG, ENABLE);
    for (uint16_t pin : {0, 1, 4, 5, 8, 9, 10, 14, 15})
        RoutePin(GPIOD, pin);
    for (uint16_t pin : {7, 8, 9, 10, 11, 12, 13, 14, 15})
        RoutePin(GPIOE, pin);
    RoutePin(GPIOF, 3);  // A3: the controller's data/command select
    RoutePin(GPIOG, 10); // NE3
}

void InitRegion3(uint32_t addressSetup, uint32_t dataSetup, uint32_t accessMode)
{
    FSMC_NORSRAMTimingInitTypeDef timing;
    FSMC_NORSRAMInitTypeDef init;
    init.FSMC_ReadWriteTimingStruct = &timing;
    init.FSMC_WriteTimingStruct = &timing;
    FSMC_NORSRAMStructInit(&init);
    init.FSMC_Bank = FSMC_Bank1_NORSRAM3;
    init.FSMC_DataAddressMux = FSMC_DataAddressMux_Disable;
    init.FSMC_MemoryType = FSMC_MemoryType_NOR;
    init.FSMC_MemoryDataWidth = FSMC_MemoryDataWidth_16b;
    init.FSMC_WaitSignal = FSMC_WaitSignal_Disable;
    timing.FSMC_AddressSetupTime = addressSetup;
    timing.FSMC_AddressHoldTime = 0;
    timing.FSMC_DataSetupTime = dataSetup;
    timing.FSMC_BusTurnAroundDuration = 0;
    timing.FSMC_CLKDivision = 0;
    timing.FSMC_DataLatency = 0;
    timing.FSMC_AccessMode = accessMode;
    FSMC_NORSRAMDeInit(FSMC_Bank1_NORSRAM3);
    FSMC_NORSRAMInit(&init);
    FSMC_NORSRAMCmd(FSMC_Bank1_NORSRAM3, ENABLE);
}

} // namespace

TEST(FsmcTest, RegistersStartAtTheirResetValuesAndNeedTheClock)
{
    // Clock off: reads give 0 and writes are lost.
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[0]), 0u);
    RCC_AHB3PeriphClockCmd(RCC_AHB3Periph_FSMC, ENABLE);
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[0]), 0x000030DBu);
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[4]), 0x000030D2u);
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[5]), 0x0FFFFFFFu);
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1E->BWTR[4]), 0x0FFFFFFFu);

    InitRegion3(12, 24, FSMC_AccessMode_B);
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[4]), 0x00001059u);
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[5]), 0x1000180Cu);
    FSMC_NORSRAMCmd(FSMC_Bank1_NORSRAM3, DISABLE);
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[4]), 0x00001058u);
    FSMC_NORSRAMDeInit(FSMC_Bank1_NORSRAM3);
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[4]), 0x000030D2u);
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[5]), 0x0FFFFFFFu);
}

TEST(FsmcTest, OutOfRangeTimingsDoNotSpillIntoTheNextField)
{
    RCC_AHB3PeriphClockCmd(RCC_AHB3Periph_FSMC, ENABLE);
    FSMC_NORSRAMTimingInitTypeDef timing = {12, 24, 24, 0, 0, 0, FSMC_AccessMode_B};
    FSMC_NORSRAMInitTypeDef init;
    init.FSMC_ReadWriteTimingStruct = &timing;
    init.FSMC_WriteTimingStruct = &timing;
    FSMC_NORSRAMStructInit(&init);
    timing = {12, 24, 24, 0, 0, 0, FSMC_AccessMode_B};
    init.FSMC_Bank = FSMC_Bank1_NORSRAM3;
    FSMC_NORSRAMInit(&init);
    // ADDHLD keeps its low four bits; DATAST stays 24.
    EXPECT_EQ((static_cast<uint32_t>(FSMC_Bank1->BTCR[5]) >> 8) & 0xFFu, 24u);
}

TEST(FsmcTest, AnAccessCostsWhatTheRegionTimingSays)
{
    Sim::Board& board = Sim::Board::Instance();
    Sim::World& world = Sim::World::Get();
    RCC_AHB3PeriphClockCmd(RCC_AHB3Periph_FSMC, ENABLE);
    RouteDisplayBus();
    InitRegion3(12, 24, FSMC_AccessMode_B);
    EXPECT_EQ(board.fsmc().AccessCycles(2, true), 37u);
    EXPECT_EQ(board.fsmc().AccessCycles(2, false), 38u);

    __IO16* command = VELMORA_PHYS(__IO16, 0x68000000);
    const Sim::Tick hclk = Sim::TicksPerCycle(board.HclkHz());
    const Sim::Tick before = world.Now();
    *command = 0x00; // nop: the chip is still in reset, which the controller model records
    // The AHB access (2 cycles) plus the FSMC's 37.
    EXPECT_EQ(world.Now() - before, 39 * hclk);

    InitRegion3(0, 1, FSMC_AccessMode_B);
    EXPECT_EQ(board.fsmc().AccessCycles(2, true), 2u);
}

TEST(FsmcTest, ReservedTimingsKeepAccessesFromTheDevice)
{
    Sim::World& world = Sim::World::Get();
    Sim::SSD1963& chip = Sim::Board::Instance().ssd1963();
    world.CaptureDiagnostics();
    __IO16* data = VELMORA_PHYS(__IO16, 0x68000010);
    RCC_AHB3PeriphClockCmd(RCC_AHB3Periph_FSMC, ENABLE);
    RouteDisplayBus();
    const size_t errorsBefore = chip.GetProtocolErrors().size();
    InitRegion3(0, 0, FSMC_AccessMode_B);
    *data = 1;
    // Mode D has an address-hold phase, and a zero one is reserved there too.
    InitRegion3(0, 1, FSMC_AccessMode_D);
    *data = 2;
    // Mode B does not use the address hold: zero is fine.
    InitRegion3(0, 1, FSMC_AccessMode_B);
    *data = 3;
    const std::vector<std::string> diagnostics = world.TakeDiagnostics();
    ASSERT_EQ(diagnostics.size(), 2u);
    EXPECT_NE(diagnostics[0].find("DATAST 0"), std::string::npos) << diagnostics[0];
    EXPECT_NE(diagnostics[1].find("ADDHLD 0"), std::string::npos) << diagnostics[1];
    // Only the last write reached the chip (which, held in reset, reports it).
    EXPECT_EQ(chip.GetProtocolErrors().size(), errorsBefore + 1);
}

TEST(FsmcTest, AccessesThatCouldNotReachTheDeviceAreReported)
{
    Sim::World& world = Sim::World::Get();
    world.CaptureDiagnostics();
    __IO16* data = VELMORA_PHYS(__IO16, 0x68000010);
    RCC_AHB3PeriphClockCmd(RCC_AHB3Periph_FSMC, ENABLE);
    *data = 1; // region 3 not enabled
    InitRegion3(0, 1, FSMC_AccessMode_B);
    *data = 2; // pins not routed
    RouteDisplayBus();
    *data = 3; // reaches the chip
    const std::vector<std::string> diagnostics = world.TakeDiagnostics();
    ASSERT_EQ(diagnostics.size(), 2u);
    EXPECT_NE(diagnostics[0].find("disabled"), std::string::npos);
    EXPECT_NE(diagnostics[1].find("AF12"), std::string::npos);
    // The third write arrived: the chip held in reset says so.
    EXPECT_EQ(Sim::Board::Instance().ssd1963().GetProtocolErrors().size(), 1u);
}

TEST(FsmcTest, RegionSetUpThatDoesNotSuitTheDeviceIsReported)
{
    Sim::World& world = Sim::World::Get();
    world.CaptureDiagnostics();
    RCC_AHB3PeriphClockCmd(RCC_AHB3Periph_FSMC, ENABLE);
    RouteDisplayBus();
    __IO16* data = VELMORA_PHYS(__IO16, 0x68000010);
    struct Case
    {
        const char* what;
        uint32_t setBits;
        uint32_t clearBits;
        const char* expected;
    };
    const Case cases[] = {
        {"multiplexed (the reset value of BCR3)", FSMC_BCR1_MUXEN, 0, "MUXEN"},
        {"PSRAM", FSMC_MemoryType_PSRAM, FSMC_BCR1_MTYP, "MTYP"},
        {"writes disabled", 0, FSMC_BCR1_WREN, "WREN"},
        {"extended mode A on NOR", FSMC_BCR1_EXTMOD, 0, "access mode A"},
    };
    for (const Case& c : cases)
    {
        InitRegion3(0, 1, FSMC_AccessMode_B);
        ASSERT_TRUE(world.TakeDiagnostics().empty()) << c.what;
        if (c.setBits == FSMC_BCR1_EXTMOD)
            FSMC_Bank1E->BWTR[4] = 0x00000100; // ACCMOD A, DATAST 1
        FSMC_Bank1->BTCR[4] = (FSMC_Bank1->BTCR[4] & ~c.clearBits) | c.setBits;
        *data = 1;
        const std::vector<std::string> diagnostics = world.TakeDiagnostics();
        ASSERT_EQ(diagnostics.size(), 1u) << c.what;
        EXPECT_NE(diagnostics[0].find(c.expected), std::string::npos) << diagnostics[0];
    }
    // SRAM and NOR types both suit the controller chip.
    InitRegion3(0, 1, FSMC_AccessMode_A);
    FSMC_Bank1->BTCR[4] = FSMC_Bank1->BTCR[4] & ~FSMC_BCR1_MTYP & ~FSMC_BCR1_FACCEN;
    *data = 1;
    EXPECT_TRUE(world.TakeDiagnostics().empty());
}

TEST(FsmcTest, TheDeviceMustLatchTheWritePulseNotTheWholeAccess)
{
    // The chip runs from its 8 MHz reference clock: a strobe must last at least 62.5 ns. A long
    // address set-up does not lengthen the write pulse (DATAST).
    Sim::World& world = Sim::World::Get();
    RCC_AHB3PeriphClockCmd(RCC_AHB3Periph_FSMC, ENABLE);
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOA | RCC_AHB1Periph_GPIOB, ENABLE);
    RouteDisplayBus();
    GPIO_InitTypeDef pin;
    GPIO_StructInit(&pin);
    pin.GPIO_Pin = GPIO_Pin_8;
    pin.GPIO_Mode = GPIO_Mode_AF;
    GPIO_Init(GPIOA, &pin);
    GPIO_PinAFConfig(GPIOA, 8, GPIO_AF_MCO);
    RCC_MCO1Config(RCC_MCO1Source_HSI, RCC_MCO1Div_2);
    pin.GPIO_Pin = GPIO_Pin_5;
    pin.GPIO_Mode = GPIO_Mode_OUT;
    GPIO_Init(GPIOB, &pin);
    GPIO_ResetBits(GPIOB, GPIO_Pin_5);
    world.RunFor(Sim::World::Milliseconds(1));
    GPIO_SetBits(GPIOB, GPIO_Pin_5);
    world.RunFor(Sim::World::Milliseconds(10));

    const Sim::SSD1963& chip = Sim::Board::Instance().ssd1963();
    __IO16* command = VELMORA_PHYS(__IO16, 0x68000000);
    InitRegion3(15, 1, FSMC_AccessMode_B); // 16 MHz HCLK: 18 cycles in all, a pulse of 1 (62.5 ns)
    ASSERT_GE(Sim::Board::Instance().fsmc().AccessCycles(2, true), 17u);
    *command = 0x00;
    EXPECT_TRUE(chip.GetProtocolErrors().empty()) << chip.GetProtocolErrors().front();

    // At 168 MHz the same pulse is 6 ns: too short, however long the address phase.
    SystemInit();
    RCC_MCO1Config(RCC_MCO1Source_HSI, RCC_MCO1Div_2);
    *command = 0x00;
    ASSERT_EQ(chip.GetProtocolErrors().size(), 1u);
    EXPECT_NE(chip.GetProtocolErrors()[0].find("system clock"), std::string::npos) << chip.GetProtocolErrors()[0];
    InitRegion3(0, 11, FSMC_AccessMode_B); // 65 ns
    *command = 0x00;
    EXPECT_EQ(chip.GetProtocolErrors().size(), 1u);
}
