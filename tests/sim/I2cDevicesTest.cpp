#include "sim/World.h"
#include "sim/devices/I2cBoard.h"
#include "sim/models/I2c.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

// The devices are driven here at byte level through their bus, as the controller model does.
class I2cDevicesTest : public ::testing::Test
{
protected:
    static Sim::World& World() { return Sim::World::Get(); }
    static Sim::I2cBoard& Devices() { return World().board().i2cDevices(); }
    static Sim::I2cBus& Bus1() { return Devices().Bus(1); }
    static Sim::I2cBus& Bus2() { return Devices().Bus(2); }

    // A write transaction: address byte, then bytes; returns the acknowledges as "+"/"-".
    static std::string Write(Sim::I2cBus& bus, uint8_t address, const std::vector<uint8_t>& bytes, bool stop = true)
    {
        bus.Start();
        std::string acks = bus.Address(static_cast<uint8_t>(address << 1)) ? "+" : "-";
        for (uint8_t byte : bytes)
            acks += bus.Write(byte) ? "+" : "-";
        if (stop)
            bus.Stop();
        return acks;
    }
    // A read transaction of `count` bytes, the last one refused.
    static std::vector<uint8_t> Read(Sim::I2cBus& bus, uint8_t address, int count)
    {
        bus.Start();
        EXPECT_TRUE(bus.Address(static_cast<uint8_t>(address << 1 | 1)));
        std::vector<uint8_t> bytes;
        for (int i = 0; i < count; ++i)
        {
            bytes.push_back(bus.Read());
            bus.Acknowledge(i + 1 < count);
        }
        bus.Stop();
        return bytes;
    }
    static std::string TempPath(const char* name)
    {
        return std::string(::testing::TempDir()) + name + std::to_string(::getpid());
    }
};

} // namespace

TEST_F(I2cDevicesTest, EepromPageWritesWrapInTheirPageAndCommitAtStop)
{
    Sim::Eeprom& eeprom = Devices().Memory();
    EXPECT_EQ(eeprom.Contents()[0x13], 0xFF) << "erased from the factory";
    // Ten bytes from 0x13: the page is 0x10..0x17, so the last two wrap to 0x10 and 0x11.
    Write(Bus1(), 0x50, {0x13, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, false);
    EXPECT_EQ(eeprom.Contents()[0x13], 0xFF) << "nothing is written before the STOP";
    Bus1().Stop();
    const std::vector<uint8_t>& memory = eeprom.Contents();
    EXPECT_EQ(std::vector<uint8_t>(memory.begin() + 0x10, memory.begin() + 0x18),
              (std::vector<uint8_t>{6, 7, 8, 9, 10, 3, 4, 5}));
    EXPECT_EQ(memory[0x18], 0xFF);
    EXPECT_EQ(memory[0x0F], 0xFF);

    // During the write cycle the device acknowledges nothing; 5 ms later it answers again.
    EXPECT_EQ(Write(Bus1(), 0x50, {0x00}), "--");
    World().RunFor(World().Milliseconds(5));
    EXPECT_EQ(Write(Bus1(), 0x50, {0x00}), "++");
    // An address-only write starts no write cycle.
    EXPECT_EQ(Write(Bus1(), 0x50, {0x00}), "++");
}

TEST_F(I2cDevicesTest, EepromWriteCutShortByARepeatedStartIsDropped)
{
    Write(Bus1(), 0x50, {0x40, 0xAA, 0xBB}, false);
    EXPECT_EQ(Write(Bus1(), 0x50, {0x40}, false), "++"); // repeated START, not STOP
    Bus1().Stop();
    EXPECT_EQ(Devices().Memory().Contents()[0x40], 0xFF);
}

TEST_F(I2cDevicesTest, EepromSequentialReadRollsOverTheWholeArray)
{
    World().SetEepromContents(0xFE, {0xA1, 0xA2});
    World().SetEepromContents(0x00, {0xB0});
    Write(Bus1(), 0x50, {0xFE});
    EXPECT_EQ(Read(Bus1(), 0x50, 3), (std::vector<uint8_t>{0xA1, 0xA2, 0xB0}));
    // The counter goes on from where it stopped (current-address read).
    World().SetEepromContents(0x01, {0xB1});
    EXPECT_EQ(Read(Bus1(), 0x50, 1), std::vector<uint8_t>{0xB1});
}

TEST_F(I2cDevicesTest, EepromImagesLoadAndSaveWholeOrNotAtAll)
{
    std::string error;
    const std::string path = TempPath("eeprom");
    World().SetEepromContents(32, {1, 2, 3, 4});
    ASSERT_TRUE(World().SaveEeprom(path, error)) << error;
    World().SetEepromContents(32, {9, 9, 9, 9});
    ASSERT_TRUE(World().LoadEeprom(path, error)) << error;
    EXPECT_EQ(World().EepromContents()[33], 2);

    // A file of the wrong size changes nothing.
    const std::string shortPath = TempPath("eeprom-short");
    std::FILE* file = std::fopen(shortPath.c_str(), "wb");
    std::fputs("short", file);
    std::fclose(file);
    EXPECT_FALSE(World().LoadEeprom(shortPath, error));
    EXPECT_NE(error.find("exactly 256 bytes"), std::string::npos) << error;
    EXPECT_FALSE(World().LoadEeprom(path + "-missing", error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
    EXPECT_EQ(World().EepromContents()[33], 2);
    std::remove(path.c_str());
    std::remove(shortPath.c_str());
}

TEST_F(I2cDevicesTest, ClockStartsWithTheOscillatorStopFlagWhichOnlyAZeroClears)
{
    Sim::DS3231& clock = Devices().Clock();
    EXPECT_NE(clock.ReadRegister(0x0F) & 0x80, 0);
    clock.WriteRegister(0x0F, 0xFF);
    EXPECT_NE(clock.ReadRegister(0x0F) & 0x80, 0);
    clock.WriteRegister(0x0F, 0x00);
    EXPECT_EQ(clock.ReadRegister(0x0F) & 0x80, 0);
}

TEST_F(I2cDevicesTest, ClockRollsOverTwelveHourDaysMonthsAndCenturies)
{
    Sim::DS3231& clock = Devices().Clock();
    // 31 December 99 (century bit set: 2099), 11:59:59 PM in 12-hour form, day of week 7.
    Write(Bus1(), 0x68, {0x00, 0x59, 0x59, 0x40 | 0x20 | 0x11, 0x07, 0x31, 0x80 | 0x12, 0x99});
    World().RunFor(World().Milliseconds(1000));
    Write(Bus1(), 0x68, {0x00}, false);
    const std::vector<uint8_t> registers = Read(Bus1(), 0x68, 7);
    EXPECT_EQ(registers, (std::vector<uint8_t>{0x00, 0x00, 0x40 | 0x12, 0x01, 0x01, 0x01, 0x00}))
        << "12 AM, 1 January 00, the century bit toggled";
    // 24-hour form and the end of a 30-day month.
    clock.WriteRegister(2, 0x23);
    clock.WriteRegister(1, 0x59);
    clock.WriteRegister(4, 0x30);
    clock.WriteRegister(5, 0x04);
    clock.WriteRegister(0, 0x59);
    World().RunFor(World().Milliseconds(1000));
    const Sim::CalendarTime time = clock.Time();
    EXPECT_EQ(time.month, 5);
    EXPECT_EQ(time.day, 1);
    EXPECT_EQ(time.hours, 0);
}

TEST_F(I2cDevicesTest, ClockReadsAreConsistentAcrossASecondBoundary)
{
    World().SetClockTime(Sim::CalendarTime{2020, 6, 30, 23, 59, 59});
    const Sim::Tick start = World().Now();
    Write(Bus1(), 0x68, {0x00}, false);
    Bus1().Start();
    Bus1().Address(0xD1);
    const uint8_t seconds = Bus1().Read();
    Bus1().Acknowledge(true);
    // The second ends while the read goes on: the copy taken at START holds.
    World().RunUntil(start + World().Milliseconds(1500));
    const uint8_t minutes = Bus1().Read();
    Bus1().Acknowledge(true);
    const uint8_t hours = Bus1().Read();
    Bus1().Acknowledge(false);
    Bus1().Stop();
    EXPECT_EQ(seconds, 0x59);
    EXPECT_EQ(minutes, 0x59);
    EXPECT_EQ(hours, 0x23);
    EXPECT_EQ(World().ClockTime().day, 1);
}

TEST_F(I2cDevicesTest, ClockPointerWrapsAfterTheLastRegister)
{
    Devices().Clock().WriteRegister(0x10, 0x42); // aging offset
    Write(Bus1(), 0x68, {0x10});
    const std::vector<uint8_t> registers = Read(Bus1(), 0x68, 4);
    EXPECT_EQ(registers[0], 0x42);
    EXPECT_EQ(registers[2], 0x00) << "temperature LSB";
    EXPECT_EQ(registers[3], 0x00) << "then seconds again";
}

TEST_F(I2cDevicesTest, PowerOnResetEndsAClockStretch)
{
    Bus1().SetClockStretch(0x50, World().Milliseconds(50));
    Write(Bus1(), 0x50, {0x00}, false);
    EXPECT_FALSE(World().PinLevel(1, 8));
    World().PowerOnReset();
    EXPECT_TRUE(World().PinLevel(1, 8));
}

TEST_F(I2cDevicesTest, ClockKeepsRunningThroughAPowerOnReset)
{
    World().SetClockTime(Sim::CalendarTime{2024, 3, 1, 12, 0, 0});
    World().RunFor(World().Milliseconds(3000));
    World().PowerOnReset();
    EXPECT_EQ(World().ClockTime().seconds, 3);
    World().RunFor(World().Milliseconds(2000));
    EXPECT_EQ(World().ClockTime().seconds, 5);
}

TEST_F(I2cDevicesTest, ExpanderPairsAlternateAndInputsReadThePins)
{
    Sim::PCA9535& expander = Devices().Expander(1);
    EXPECT_EQ(expander.RegisterPair(2), 0xFFFF) << "power-on outputs";
    EXPECT_EQ(expander.RegisterPair(6), 0xFFFF) << "power-on: all inputs";
    // Three bytes to output port 0: port 0, port 1, port 0 again.
    EXPECT_EQ(Write(Bus2(), 0x21, {0x02, 0x11, 0x22, 0x33}), "+++++");
    EXPECT_EQ(expander.RegisterPair(2), 0x2233);
    EXPECT_EQ(expander.PinLevels(), 0x0000) << "inputs: nothing drives the pins";
    Write(Bus2(), 0x21, {0x07, 0x00}); // port 1 outputs
    EXPECT_EQ(expander.PinLevels(), 0x2200);
    expander.DrivePin(0, true);
    Write(Bus2(), 0x21, {0x04, 0x0F}); // invert the low nibble of port 0
    Write(Bus2(), 0x21, {0x00}, false);
    // Input registers read every pin, outputs included; inversion applies to port 0's nibble.
    EXPECT_EQ(Read(Bus2(), 0x21, 3), (std::vector<uint8_t>{0x0E, 0x22, 0x0E}));
    // Writes to the input port change nothing.
    Write(Bus2(), 0x21, {0x00, 0xFF, 0xFF});
    EXPECT_EQ(expander.RegisterPair(0), 0x220E);
}

TEST_F(I2cDevicesTest, DevicesKeepTheirStateThroughAResetOfTheChip)
{
    World().SetEepromContents(32, {0xC0, 0xFF, 0xEE});
    World().SetClockTime(Sim::CalendarTime{2030, 7, 14, 8, 30, 0});
    Write(Bus2(), 0x23, {0x02, 0x5A, 0xA5});
    World().RunFor(World().Milliseconds(2000));
    World().board().SystemReset();
    EXPECT_EQ(World().EepromContents()[33], 0xFF);
    EXPECT_EQ(World().EepromContents()[34], 0xEE);
    EXPECT_EQ(World().ClockTime().seconds, 2);
    EXPECT_EQ(World().ClockTime().minutes, 30);
    EXPECT_EQ(Devices().Expander(3).RegisterPair(2), 0xA55A);
    // The controllers themselves are back to their reset state.
    EXPECT_EQ(World().board().i2c(1).FindRegister(0x20)->value, 2u);
}
