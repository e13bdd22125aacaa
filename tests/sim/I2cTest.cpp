#include "sim/World.h"
#include "sim/devices/I2cBoard.h"
#include "sim/models/I2c.h"
#include "stm32f4xx_gpio.h"
#include "stm32f4xx_i2c.h"
#include "stm32f4xx_rcc.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using Sim::Tick;

class I2cTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SystemInit(); // PCLK1 42 MHz
        Bus().EnableLog(true);
    }

    // I2C1 on PB8/PB9 as the board has it, at `speed`, pins open-drain unless told otherwise.
    static void Configure(uint32_t speed = 100000, GPIOOType_TypeDef type = GPIO_OType_OD)
    {
        RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOB, ENABLE);
        GPIO_InitTypeDef pins;
        GPIO_StructInit(&pins);
        pins.GPIO_Pin = GPIO_Pin_8 | GPIO_Pin_9;
        pins.GPIO_Mode = GPIO_Mode_AF;
        pins.GPIO_OType = type;
        GPIO_Init(GPIOB, &pins);
        GPIO_PinAFConfig(GPIOB, GPIO_PinSource8, 4);
        GPIO_PinAFConfig(GPIOB, GPIO_PinSource9, 4);
        RCC_APB1PeriphClockCmd(RCC_APB1Periph_I2C1, ENABLE);
        I2C_InitTypeDef init;
        I2C_StructInit(&init);
        init.I2C_ClockSpeed = speed;
        I2C_Init(I2C1, &init);
        I2C_Cmd(I2C1, ENABLE);
    }

    static Sim::World& World() { return Sim::World::Get(); }
    static Sim::I2cBus& Bus() { return World().I2cBusOf(1); }
    // Status as the model holds it, without the side effects of a bus read.
    static uint32_t Peek(uint32_t offset) { return World().board().i2c(1).FindRegister(offset)->value; }
    static uint32_t PeekSr1() { return Peek(0x14); }
    static uint32_t PeekSr2() { return Peek(0x18); }

    // Idles until an SR1 flag is set; returns how long that took.
    static Tick WaitFor(uint32_t flag, Tick limit = Sim::World::Milliseconds(5))
    {
        const Tick start = World().Now();
        EXPECT_TRUE(World().RunUntil([flag] { return (PeekSr1() & flag) != 0; }, limit)) << "flag " << flag;
        return World().Now() - start;
    }
    static void ClearAddr()
    {
        const uint32_t sr1 = I2C1->SR1;
        const uint32_t sr2 = I2C1->SR2;
        (void)sr1;
        (void)sr2;
    }
    // START and the address byte, up to ADDR (or AF).
    static void Select(uint8_t addressByte)
    {
        I2C_GenerateSTART(I2C1, ENABLE);
        WaitFor(I2C_SR1_SB);
        const uint32_t sr1 = I2C1->SR1;
        (void)sr1;
        I2C1->DR = addressByte;
        WaitFor(I2C_SR1_ADDR | I2C_SR1_AF);
    }
    static std::string Traffic()
    {
        World().RunFor(World().Microseconds(50));
        return Bus().TakeLog();
    }
};

constexpr Tick us = Sim::ticksPerMicrosecond;
// A wait is measured from a little after the access that started it.
constexpr double tolerance = 0.25 * us;

} // namespace

TEST_F(I2cTest, StartAndAddressTakeOneAndNineBitTimes)
{
    Configure(100000);
    EXPECT_EQ(PeekSr2() & I2C_SR2_BUSY, 0u);
    I2C_GenerateSTART(I2C1, ENABLE);
    EXPECT_NEAR(double(WaitFor(I2C_SR1_SB)), double(10 * us), tolerance);
    EXPECT_EQ(PeekSr2() & (I2C_SR2_MSL | I2C_SR2_BUSY), I2C_SR2_MSL | I2C_SR2_BUSY);
    EXPECT_EQ(I2C1->CR1 & I2C_CR1_START, 0u) << "START is cleared once sent";
    const uint32_t sr1 = I2C1->SR1;
    EXPECT_NE(sr1 & I2C_SR1_SB, 0u);
    I2C1->DR = 0xD0;
    EXPECT_EQ(PeekSr1() & I2C_SR1_SB, 0u) << "reading SR1 then writing DR clears SB";
    EXPECT_NEAR(double(WaitFor(I2C_SR1_ADDR)), double(90 * us), tolerance);
    EXPECT_EQ(PeekSr1() & I2C_SR1_TXE, I2C_SR1_TXE);
    EXPECT_EQ(PeekSr2() & I2C_SR2_TRA, I2C_SR2_TRA);
}

TEST_F(I2cTest, AddressWrittenWithoutReadingSr1FirstDoesNotGoOut)
{
    Configure();
    I2C_GenerateSTART(I2C1, ENABLE);
    WaitFor(I2C_SR1_SB);
    I2C1->DR = 0xA0;
    World().RunFor(World().Microseconds(200));
    EXPECT_NE(PeekSr1() & I2C_SR1_SB, 0u);
    EXPECT_EQ(Bus().TakeLog(), "S");
    const uint32_t sr1 = I2C1->SR1;
    (void)sr1;
    I2C1->DR = 0xA0;
    EXPECT_NEAR(double(WaitFor(I2C_SR1_ADDR)), double(90 * us), tolerance);
}

TEST_F(I2cTest, FastModeBytesTakeTwentyTwoAndAHalfMicroseconds)
{
    Configure(400000);
    EXPECT_EQ(I2C1->CCR, I2C_CCR_FS | 35u);
    I2C_GenerateSTART(I2C1, ENABLE);
    WaitFor(I2C_SR1_SB);
    const uint32_t sr1 = I2C1->SR1;
    (void)sr1;
    I2C1->DR = 0xD0;
    EXPECT_NEAR(double(WaitFor(I2C_SR1_ADDR)), double(22 * us + us / 2), tolerance);
}

TEST_F(I2cTest, AddrClearsOnlyWhenSr2IsReadAfterSr1)
{
    Configure();
    Select(0xA0);
    const uint32_t sr2 = I2C1->SR2;
    (void)sr2;
    EXPECT_NE(PeekSr1() & I2C_SR1_ADDR, 0u) << "SR2 alone does not clear ADDR";
    ClearAddr();
    EXPECT_EQ(PeekSr1() & I2C_SR1_ADDR, 0u);
}

TEST_F(I2cTest, TransmitterDoubleBuffersAndSetsBtfWhenBothAreEmpty)
{
    Configure();
    Select(0xA0);
    ClearAddr();
    I2C1->DR = 0x10; // straight into the shift register
    EXPECT_NE(PeekSr1() & I2C_SR1_TXE, 0u);
    I2C1->DR = 0x20; // waits in DR
    EXPECT_EQ(PeekSr1() & I2C_SR1_TXE, 0u);
    EXPECT_NEAR(double(WaitFor(I2C_SR1_TXE)), double(90 * us), tolerance);
    EXPECT_EQ(PeekSr1() & I2C_SR1_BTF, 0u);
    EXPECT_NEAR(double(WaitFor(I2C_SR1_BTF)), double(90 * us), tolerance);
    I2C_GenerateSTOP(I2C1, ENABLE);
    EXPECT_EQ(Traffic(), "S A0+ 10+ 20+ P");
    EXPECT_EQ(PeekSr2() & (I2C_SR2_MSL | I2C_SR2_BUSY | I2C_SR2_TRA), 0u);
    EXPECT_EQ(World().board().i2cDevices().Memory().Contents()[0x10], 0x20);
}

TEST_F(I2cTest, RefusedAddressSetsAfUntilClearedAndStopFreesTheBus)
{
    Configure();
    Select(0xAE); // nobody at 57h
    EXPECT_NE(PeekSr1() & I2C_SR1_AF, 0u);
    EXPECT_EQ(PeekSr1() & I2C_SR1_ADDR, 0u);
    I2C_GenerateSTOP(I2C1, ENABLE);
    EXPECT_EQ(Traffic(), "S AE- P");
    EXPECT_EQ(PeekSr2() & I2C_SR2_BUSY, 0u);
    EXPECT_NE(PeekSr1() & I2C_SR1_AF, 0u) << "AF stays until software clears it";
    I2C_ClearFlag(I2C1, I2C_FLAG_AF);
    EXPECT_EQ(PeekSr1() & I2C_SR1_AF, 0u);
}

TEST_F(I2cTest, TwoByteReadWithPosRefusesTheSecondByteAndStretchesUntilStop)
{
    World().SetEepromContents(0, {0x11, 0x22, 0x33});
    Configure();
    Select(0xA1);
    // The manual's two-byte sequence: POS and ACK off while ADDR is set, then clear ADDR.
    I2C1->CR1 = I2C1->CR1 | I2C_CR1_POS;
    I2C1->CR1 = I2C1->CR1 & ~I2C_CR1_ACK;
    ClearAddr();
    EXPECT_NEAR(double(WaitFor(I2C_SR1_BTF)), double(180 * us), tolerance);
    // Both bytes are in; the clock is held: nothing more happens until software acts.
    World().RunFor(World().Microseconds(500));
    I2C_GenerateSTOP(I2C1, ENABLE);
    EXPECT_EQ(I2C1->DR, 0x11u);
    EXPECT_EQ(I2C1->DR, 0x22u);
    EXPECT_EQ(Traffic(), "S A1+ [11]+ [22]- P");
    EXPECT_EQ(PeekSr1() & (I2C_SR1_RXNE | I2C_SR1_BTF), 0u);
}

TEST_F(I2cTest, SingleByteReadAsTheManualDescribes)
{
    World().SetEepromContents(0, {0x5A, 0x5B});
    Configure();
    Select(0xA1);
    I2C_AcknowledgeConfig(I2C1, DISABLE);
    ClearAddr();
    I2C_GenerateSTOP(I2C1, ENABLE);
    EXPECT_NEAR(double(WaitFor(I2C_SR1_RXNE)), double(90 * us), tolerance);
    EXPECT_EQ(I2C1->DR, 0x5Au);
    EXPECT_EQ(Traffic(), "S A1+ [5A]- P");
}

TEST_F(I2cTest, ReceiverKeepsClockingUntilStopIsAskedFor)
{
    World().SetEepromContents(0, {1, 2, 3, 4});
    Configure();
    Select(0xA1);
    I2C_AcknowledgeConfig(I2C1, ENABLE);
    ClearAddr();
    WaitFor(I2C_SR1_RXNE);
    // DR unread: the next byte arrives in the shift register, then the clock is held (BTF).
    EXPECT_NEAR(double(WaitFor(I2C_SR1_BTF)), double(90 * us), tolerance);
    World().RunFor(World().Microseconds(300));
    EXPECT_EQ(Bus().TakeLog(), "S A1+ [01]+ [02]+");
    EXPECT_EQ(I2C1->DR, 1u); // frees the shift register: the third byte starts
    EXPECT_EQ(I2C1->DR, 2u);
    I2C_AcknowledgeConfig(I2C1, DISABLE);
    I2C_GenerateSTOP(I2C1, ENABLE);
    WaitFor(I2C_SR1_RXNE);
    EXPECT_EQ(I2C1->DR, 3u);
    EXPECT_EQ(Traffic(), "[03]- P");
}

TEST_F(I2cTest, RepeatedStartFollowsTheCurrentByte)
{
    Configure();
    Select(0xA0);
    ClearAddr();
    I2C1->DR = 0x00;
    I2C_GenerateSTART(I2C1, ENABLE); // asked for while the byte is on the bus
    EXPECT_NEAR(double(WaitFor(I2C_SR1_SB)), double(100 * us), tolerance);
    EXPECT_EQ(Bus().TakeLog(), "S A0+ 00+ Sr");
}

TEST_F(I2cTest, StuckDataLineKeepsTheBusBusyAndTheStartWaiting)
{
    Configure();
    Bus().HoldSdaLow(true);
    EXPECT_NE(I2C1->SR2 & I2C_SR2_BUSY, 0u);
    I2C_GenerateSTART(I2C1, ENABLE);
    World().RunFor(World().Milliseconds(2));
    EXPECT_EQ(PeekSr1() & I2C_SR1_SB, 0u);
    EXPECT_NE(I2C1->CR1 & I2C_CR1_START, 0u) << "the START is still pending";
    Bus().HoldSdaLow(false);
    EXPECT_NEAR(double(WaitFor(I2C_SR1_SB)), double(10 * us), tolerance);
}

TEST_F(I2cTest, DataLinePulledLowMidTransferLosesArbitration)
{
    Configure();
    Select(0xA0);
    ClearAddr();
    I2C1->DR = 0x80;
    World().RunFor(World().Microseconds(40));
    Bus().HoldSdaLow(true); // a misplaced START in the middle of the byte
    WaitFor(I2C_SR1_ARLO);
    EXPECT_NE(PeekSr1() & I2C_SR1_BERR, 0u);
    EXPECT_EQ(PeekSr2() & I2C_SR2_MSL, 0u) << "back to slave mode";
    Bus().HoldSdaLow(false);
    World().RunFor(World().Microseconds(10));
    EXPECT_EQ(I2C1->SR2 & I2C_SR2_BUSY, 0u);
    EXPECT_EQ(Bus().TakeLog(), "S A0+ lost");
}

TEST_F(I2cTest, ClockStretchDelaysTheNextByte)
{
    Configure();
    Bus().SetClockStretch(0x50, World().Microseconds(500));
    I2C_GenerateSTART(I2C1, ENABLE);
    WaitFor(I2C_SR1_SB);
    const uint32_t sr1 = I2C1->SR1;
    (void)sr1;
    I2C1->DR = 0xA0;
    EXPECT_NEAR(double(WaitFor(I2C_SR1_ADDR)), double(90 * us), tolerance);
    ClearAddr();
    I2C1->DR = 0x00;
    // The device holds SCL for 500 us after its acknowledge.
    EXPECT_NEAR(double(WaitFor(I2C_SR1_BTF)), double(500 * us), tolerance);
    EXPECT_FALSE(World().PinLevel(1, 8));
}

TEST_F(I2cTest, InterruptLinesFollowTheEnabledFlags)
{
    Configure();
    Sim::Core& core = World().board().core();
    I2C_ITConfig(I2C1, I2C_IT_EVT | I2C_IT_ERR, ENABLE);
    I2C_GenerateSTART(I2C1, ENABLE);
    WaitFor(I2C_SR1_SB);
    EXPECT_TRUE(core.IsPending(Sim::excFirstIrq + I2C1_EV_IRQn));
    EXPECT_FALSE(core.IsPending(Sim::excFirstIrq + I2C1_ER_IRQn));
    const uint32_t sr1 = I2C1->SR1;
    (void)sr1;
    I2C1->DR = 0xAE; // refused
    WaitFor(I2C_SR1_AF);
    EXPECT_TRUE(core.IsPending(Sim::excFirstIrq + I2C1_ER_IRQn));
}

TEST_F(I2cTest, SoftwareResetReleasesTheBusAndClearsTheRegisters)
{
    Configure();
    Select(0xA0);
    I2C_SoftwareResetCmd(I2C1, ENABLE);
    EXPECT_EQ(I2C1->CCR, 0u);
    EXPECT_EQ(PeekSr2() & I2C_SR2_MSL, 0u);
    EXPECT_TRUE(World().PinLevel(1, 9));
    I2C_SoftwareResetCmd(I2C1, DISABLE);
    EXPECT_EQ(I2C1->CR1, 0u);
}

TEST_F(I2cTest, ForbiddenSetUpsAreReported)
{
    World().CaptureDiagnostics();
    Configure();
    I2C1->CCR = 100; // PE is set
    auto diagnostics = World().TakeDiagnostics();
    ASSERT_EQ(diagnostics.size(), 1u);
    EXPECT_NE(diagnostics[0].find("I2C1: CCR written while PE is set"), std::string::npos) << diagnostics[0];

    I2C1->CR2 = 16; // FREQ no longer says 42 MHz
    I2C_GenerateSTART(I2C1, ENABLE);
    WaitFor(I2C_SR1_SB);
    diagnostics = World().TakeDiagnostics();
    ASSERT_EQ(diagnostics.size(), 1u);
    EXPECT_NE(diagnostics[0].find("FREQ says 16 MHz but PCLK1 runs at 42 MHz"), std::string::npos) << diagnostics[0];
}

TEST_F(I2cTest, PushPullBusPinsAreReported)
{
    World().CaptureDiagnostics();
    Configure(100000, GPIO_OType_PP);
    I2C_GenerateSTART(I2C1, ENABLE);
    WaitFor(I2C_SR1_SB);
    const auto diagnostics = World().TakeDiagnostics();
    ASSERT_EQ(diagnostics.size(), 1u);
    EXPECT_NE(diagnostics[0].find("PB8 drives the bus push-pull"), std::string::npos) << diagnostics[0];
}
