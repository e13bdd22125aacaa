#include "drivers/Driver/DS3231.h"
#include "drivers/Driver/EEPROM.h"
#include "drivers/Driver/I2C.h"
#include "drivers/Driver/PCA9535.h"
#include "drivers/RTC.h"

#include "sim/World.h"
#include "sim/devices/I2cBoard.h"
#include "sim/models/Gpio.h"

#include "stm32f4xx.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

using Sim::Tick;
using Sim::World;

class I2CTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SystemInit();
        Bus(1).EnableLog(true);
        Bus(2).EnableLog(true);
    }

    static World& TheWorld() { return World::Get(); }
    // STOP is not waited for: let it go out before looking at the bus.
    static std::string Traffic(int bus)
    {
        TheWorld().RunFor(TheWorld().Microseconds(100));
        return Bus(bus).TakeLog();
    }
    static Sim::I2cBus& Bus(int number) { return World::Get().I2cBusOf(number); }
    static Sim::I2cBoard& Devices() { return World::Get().board().i2cDevices(); }

    // Runs `f` and returns the message of the std::runtime_error it throws, and how long it ran.
    template <class F> static std::string Failure(F f, Tick* duration = nullptr)
    {
        const Tick start = TheWorld().Now();
        std::string message = "no exception";
        try
        {
            f();
        }
        catch (const std::runtime_error& e)
        {
            message = e.what();
        }
        if (duration != nullptr)
            *duration = TheWorld().Now() - start;
        return message;
    }

    static std::vector<uint8_t> ReadEeprom(uint32_t address, uint32_t count)
    {
        std::vector<uint8_t> bytes(count, 0xEE);
        Driver::EEPROM::GetInstance().Read(address, bytes.data(), count);
        return bytes;
    }
};

} // namespace

TEST_F(I2CTest, EitherChannelSetsUpBothBuses)
{
    Driver::I2C::GetInstance(Driver::I2C::Channel::Channel1);
    EXPECT_NE(I2C1->CR1 & I2C_CR1_PE, 0u);
    EXPECT_NE(I2C2->CR1 & I2C_CR1_PE, 0u);
    Sim::Gpio& portB = TheWorld().board().gpio(1);
    for (int pin : {8, 9, 10, 11})
    {
        EXPECT_EQ(portB.Mode(pin), 2u) << pin;
        EXPECT_EQ(portB.AlternateFunction(pin), 4u) << pin;
        EXPECT_TRUE(portB.OpenDrain(pin)) << pin;
        // The board's pull-ups keep an idle bus high, the second bus's pull-down notwithstanding.
        EXPECT_TRUE(TheWorld().PinLevel(1, pin)) << pin;
    }
    // 42 MHz APB1: 100 kHz standard mode and 400 kHz fast mode with duty 2.
    EXPECT_EQ(I2C1->CCR, 210u);
    EXPECT_EQ(I2C2->CCR, I2C_CCR_FS | 35u);
    EXPECT_EQ(I2C1->TRISE, 43u);
    EXPECT_EQ(I2C2->TRISE, 13u);
    EXPECT_EQ(I2C1->CR1 & I2C_CR1_ACK, 0u);
}

TEST_F(I2CTest, EepromReadSendsTheLowAddressByteAndRefusesTheLastByte)
{
    TheWorld().SetEepromContents(0x20, {0x11, 0x22, 0x33});
    EXPECT_EQ(ReadEeprom(0x120, 3), (std::vector<uint8_t>{0x11, 0x22, 0x33}));
    // The STOP is asked for after the last byte has arrived, so the controller clocks one more
    // byte (released SDA reads ones) before it goes out.
    EXPECT_EQ(Traffic(1), "S A0+ 20+ Sr A1+ [11]+ [22]+ [33]- [FF]- P");

    EXPECT_EQ(ReadEeprom(0x21, 1), (std::vector<uint8_t>{0x22}));
    EXPECT_EQ(Traffic(1), "S A0+ 21+ Sr A1+ [22]- [FF]- P");
}

TEST_F(I2CTest, EepromReadOfNothingMakesNoTraffic)
{
    Driver::I2C::GetInstance(Driver::I2C::Channel::Channel0);
    const uint64_t accesses = TheWorld().board().AccessCount();
    uint8_t byte = 0x5A;
    Driver::EEPROM::GetInstance().Read(0, &byte, 0);
    EXPECT_EQ(byte, 0x5A);
    EXPECT_EQ(Traffic(1), "");
    EXPECT_EQ(TheWorld().board().AccessCount(), accesses);
}

TEST_F(I2CTest, ExpanderRegisterPairsTravelLowByteFirst)
{
    Driver::PCA9535& outputs = Driver::PCA9535::GetInstance(3);
    outputs.Write(Driver::PCA9535::Address::Output, 0x1234);
    EXPECT_EQ(Traffic(2), "S 46+ 02+ 34+ 12+ P");
    EXPECT_EQ(Devices().Expander(3).RegisterPair(2), 0x1234);

    EXPECT_EQ(outputs.Read(Driver::PCA9535::Address::Output), 0x1234);
    // The two-byte read: the NACK position moves to the second byte, which is refused.
    EXPECT_EQ(Traffic(2), "S 46+ 02+ Sr 47+ [34]+ [12]- [FF]- P");
}

TEST_F(I2CTest, ClockRegisterBlockRoundTrip)
{
    Driver::DS3231& clock = Driver::DS3231::GetInstance();
    Traffic(1);
    const uint8_t written[7] = {0x02, 0x05, 0x09, 0x01, 0x07, 0x83, 0x14};
    clock.SetDateTime(written);
    EXPECT_EQ(Traffic(1), "S D0+ 00+ 02+ 05+ 09+ 01+ 07+ 83+ 14+ P");
    uint8_t read[7] = {};
    clock.GetDateTime(read);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(read[i], written[i]) << i;
    EXPECT_EQ(Traffic(1), "S D0+ 00+ Sr D1+ [02]+ [05]+ [09]+ [01]+ [07]+ [83]+ [14]- [FF]- P");
}

TEST_F(I2CTest, ClockInitialisationLeavesTwelveHourMode)
{
    Sim::DS3231& chip = Devices().Clock();
    // 24-hour clocks keep their hours register as it is.
    chip.WriteRegister(2, 0x21);
    Driver::DS3231::GetInstance();
    EXPECT_EQ(Traffic(1), "S D0+ 02+ Sr D1+ [21]- [FF]- P S D0+ 02+ 21+ P");
    EXPECT_EQ(chip.ReadRegister(2), 0x21);
}

TEST_F(I2CTest, ClockInitialisationKeepsTheHourOfATwelveHourClock)
{
    // 11 PM in 12-hour form: clearing only the mode bit would leave "31" o'clock.
    Devices().Clock().WriteRegister(2, 0x40 | 0x20 | 0x11);
    Driver::DS3231::GetInstance();
    EXPECT_EQ(Devices().Clock().ReadRegister(2), 0x23);
}

TEST_F(I2CTest, AbsentDeviceTimesOutAndTheBusRecovers)
{
    TheWorld().SetEepromContents(0, {0x42});
    Driver::I2C::GetInstance(Driver::I2C::Channel::Channel0);
    Bus(1).SetAbsent(0x50, true);
    Tick duration = 0;
    EXPECT_EQ(Failure([] { ReadEeprom(0, 1); }, &duration), "I2C: Timeout");
    EXPECT_GT(duration, TheWorld().Milliseconds(10));
    EXPECT_LT(duration, TheWorld().Milliseconds(11));
    // The controller let go of the bus: a STOP followed the refused address.
    EXPECT_EQ(Traffic(1), "S A0- P");
    EXPECT_EQ(I2C1->SR2 & (I2C_SR2_MSL | I2C_SR2_BUSY), 0u);

    Bus(1).SetAbsent(0x50, false);
    EXPECT_EQ(ReadEeprom(0, 1), std::vector<uint8_t>{0x42});
}

TEST_F(I2CTest, StuckDataLineTimesOutUntilReleased)
{
    Driver::I2C::GetInstance(Driver::I2C::Channel::Channel1);
    Bus(2).HoldSdaLow(true);
    Tick duration = 0;
    EXPECT_EQ(Failure([] { Driver::PCA9535::GetInstance(0).Read(Driver::PCA9535::Address::Input); }, &duration),
              "I2C: Timeout");
    EXPECT_GT(duration, TheWorld().Milliseconds(10));
    EXPECT_LT(duration, TheWorld().Milliseconds(11));
    EXPECT_EQ(Traffic(2), "") << "no START while the bus is busy";

    Bus(2).HoldSdaLow(false);
    Devices().Expander(0).DrivePin(3, true);
    EXPECT_EQ(Driver::PCA9535::GetInstance(0).Read(Driver::PCA9535::Address::Input), 0x0008);
}

TEST_F(I2CTest, ClockStretchedPastTheTimeoutFailsOnceThenTheBusWorks)
{
    Driver::PCA9535& expander = Driver::PCA9535::GetInstance(2); // hardware address 1
    // Held for 15 ms after the address: the wait for ADDR gives up after 10 ms.
    Bus(2).SetClockStretch(0x21, TheWorld().Milliseconds(15));
    EXPECT_EQ(Failure([&] { expander.Write(Driver::PCA9535::Address::Output, 0x00FF); }), "I2C: Timeout");
    Bus(2).SetClockStretch(0x21, 0);
    // The next transaction waits for the stretched clock and the pending STOP before it starts.
    expander.Write(Driver::PCA9535::Address::Output, 0x0F0F);
    EXPECT_EQ(Devices().Expander(1).RegisterPair(2), 0x0F0F);
}

namespace
{
int m_handlerCalls = 0;
void ProbeHandler()
{
    ++m_handlerCalls;
    NVIC_DisableIRQ(EXTI0_IRQn);
}
} // namespace

TEST_F(I2CTest, InterruptRaisedDuringATransactionRunsAfterIt)
{
    Driver::I2C::GetInstance(Driver::I2C::Channel::Channel0);
    TheWorld().SetHandler(EXTI0_IRQn, ProbeHandler);
    NVIC_SetPriority(EXTI0_IRQn, 1);
    NVIC_EnableIRQ(EXTI0_IRQn);
    Sim::Board& board = TheWorld().board();
    board.EnableEventLog(true);
    // Raise it 100 us into a 16-byte read that takes well over a millisecond at 100 kHz.
    TheWorld().ScheduleIn(TheWorld().Microseconds(100), [&board] {
        board.Log("raised");
        NVIC_SetPendingIRQ(EXTI0_IRQn);
    });
    ReadEeprom(0, 16);
    EXPECT_EQ(m_handlerCalls, 1);
    std::string order;
    for (const std::string& line : board.EventLog())
        order += line.substr(line.find(' ') + 1) + "; ";
    EXPECT_EQ(order, "enter SVC_Handler; raised; exit SVC_Handler; enter EXTI0_IRQHandler; exit EXTI0_IRQHandler; ");
}

TEST_F(I2CTest, EachByteCostsNineBitTimes)
{
    // Eight more bytes at 100 kHz: 72 bit times of 10 us, plus a little polling.
    Driver::I2C::GetInstance(Driver::I2C::Channel::Channel0);
    Tick start = TheWorld().Now();
    ReadEeprom(0, 1);
    const Tick one = TheWorld().Now() - start;
    TheWorld().RunFor(TheWorld().Microseconds(100));
    start = TheWorld().Now();
    ReadEeprom(0, 9);
    const Tick nine = TheWorld().Now() - start;
    EXPECT_GE(nine - one, TheWorld().Microseconds(720));
    EXPECT_LT(nine - one, TheWorld().Microseconds(780));

    // At 400 kHz a START and four bytes take 37 bit times of 2.5 us.
    Driver::PCA9535& expander = Driver::PCA9535::GetInstance(2);
    start = TheWorld().Now();
    expander.Write(Driver::PCA9535::Address::Output, 1);
    const Tick fast = TheWorld().Now() - start;
    EXPECT_GE(fast, TheWorld().Microseconds(92));
    EXPECT_LT(fast, TheWorld().Microseconds(125));
}
