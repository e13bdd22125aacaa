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

#include "Thrown.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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
        const std::string message = Thrown<std::runtime_error>(f);
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

// The driver's register accesses to one controller, condensed: CR1 changes ("+START", "-ACK"),
// DR writes and reads ("DR=A0", "DR>11") and the SR1 flags each time they read differently
// ("SR1:SB"). Polling repeats collapse into one token.
class RegisterTrace
{
public:
    explicit RegisterTrace(const char* peripheral) : m_peripheral(peripheral)
    {
        m_file = open_memstream(&m_buffer, &m_size);
        World::Get().board().SetTrace(m_file);
    }
    ~RegisterTrace()
    {
        World::Get().board().SetTrace(nullptr);
        std::fclose(m_file);
        std::free(m_buffer);
    }

    std::string Take()
    {
        std::fflush(m_file);
        std::string tokens;
        std::string last;
        uint32_t cr1 = 0;
        const char* line = m_buffer;
        while (line != nullptr && *line != 0)
        {
            char kind = 0;
            unsigned width = 0, offset = 0, value = 0;
            char name[16] = {}, reg[16] = {};
            unsigned long long time = 0;
            if (std::sscanf(line, "%llu %c%u %15[^+]+0x%X %15s 0x%X", &time, &kind, &width, name, &offset, reg,
                            &value) == 7 &&
                std::strcmp(name, m_peripheral) == 0)
            {
                std::string token;
                const std::string r = reg;
                if (r == "CR1")
                {
                    if (kind == 'W')
                    {
                        const uint32_t changed = value ^ cr1;
                        const struct
                        {
                            uint32_t bit;
                            const char* name;
                        } bits[] = {{I2C_CR1_START, "START"}, {I2C_CR1_STOP, "STOP"}, {I2C_CR1_ACK, "ACK"},
                                    {I2C_CR1_POS, "POS"}};
                        for (const auto& bit : bits)
                            if (changed & bit.bit)
                                token += std::string(token.empty() ? "" : " ") + ((value & bit.bit) ? "+" : "-") +
                                         bit.name;
                    }
                    cr1 = value;
                }
                else if (r == "DR")
                {
                    char text[8];
                    std::snprintf(text, sizeof text, kind == 'W' ? "DR=%02X" : "DR>%02X", value);
                    token = text;
                }
                else if (r == "SR1" && kind == 'R')
                {
                    token = "SR1:";
                    const struct
                    {
                        uint32_t bit;
                        const char* name;
                    } flags[] = {{I2C_SR1_SB, "SB"},   {I2C_SR1_ADDR, "ADDR"}, {I2C_SR1_BTF, "BTF"},
                                 {I2C_SR1_RXNE, "RXNE"}, {I2C_SR1_TXE, "TXE"},  {I2C_SR1_AF, "AF"}};
                    for (const auto& flag : flags)
                        if (value & flag.bit)
                            token += std::string(token.size() > 4 ? "," : "") + flag.name;
                }
                if (!token.empty() && token != last)
                {
                    tokens += (tokens.empty() ? "" : " ") + token;
                    last = token;
                }
            }
            line = std::strchr(line, '\n');
            if (line != nullptr)
                ++line;
        }
        std::fclose(m_file);
        std::free(m_buffer);
        m_buffer = nullptr;
        m_file = open_memstream(&m_buffer, &m_size);
        World::Get().board().SetTrace(m_file);
        return tokens;
    }

private:
    const char* m_peripheral;
    char* m_buffer = nullptr;
    size_t m_size = 0;
    std::FILE* m_file = nullptr;
};

} // namespace

TEST_F(I2CTest, RegisterOrderOfAWriteAndOfReads)
{
    Driver::I2C::GetInstance(Driver::I2C::Channel::Channel0);
    TheWorld().SetEepromContents(0x10, {0x11, 0x22, 0x33});
    RegisterTrace trace2("I2C2");
    // A write: the bus is free, START, SB, the address, ADDR (cleared by SR1 then SR2), then each
    // byte once TXE shows and until BTF shows; STOP after the last BTF.
    Driver::PCA9535::GetInstance(3).Write(Driver::PCA9535::Address::Output, 0x1234);
    EXPECT_EQ(trace2.Take(), "SR1: +START SR1: SR1:SB DR=46 SR1: SR1:ADDR,TXE SR1:TXE DR=02 SR1:TXE SR1:BTF,TXE "
                             "DR=34 SR1:TXE SR1:BTF,TXE DR=12 SR1:TXE SR1:BTF,TXE +STOP");
    TheWorld().RunFor(TheWorld().Microseconds(50));
    trace2.Take();
    // The two-byte read: repeated START after the register number, POS once ADDR is cleared.
    Driver::PCA9535::GetInstance(3).Read(Driver::PCA9535::Address::Output);
    EXPECT_EQ(trace2.Take(), "SR1: +START SR1: SR1:SB DR=46 SR1: SR1:ADDR,TXE SR1:TXE DR=02 SR1:TXE SR1:BTF,TXE "
                             "+START SR1:BTF,TXE SR1:SB DR=47 SR1: SR1:ADDR +POS SR1: SR1:RXNE DR>34 SR1: "
                             "SR1:RXNE DR>12 +STOP");

    RegisterTrace trace1("I2C1");
    // One byte: the acknowledge is switched on and straight off again before it arrives.
    ReadEeprom(0x10, 1);
    EXPECT_EQ(trace1.Take(), "SR1: +START SR1: SR1:SB DR=A0 SR1: SR1:ADDR,TXE SR1:TXE DR=10 SR1:TXE SR1:BTF,TXE "
                             "+START SR1:BTF,TXE SR1:SB DR=A1 SR1: SR1:ADDR +ACK -ACK SR1: SR1:RXNE DR>11 +STOP");
    TheWorld().RunFor(TheWorld().Microseconds(200));
    trace1.Take();
    // Several bytes: acknowledged until the second-last has been read.
    ReadEeprom(0x10, 3);
    EXPECT_EQ(trace1.Take(), "SR1:RXNE +START SR1:RXNE SR1:SB,RXNE DR=A0 SR1: SR1:ADDR,TXE SR1:TXE DR=10 SR1:TXE "
                             "SR1:BTF,TXE +START SR1:BTF,TXE SR1:SB DR=A1 SR1: SR1:ADDR +ACK SR1: SR1:RXNE DR>11 "
                             "SR1: SR1:RXNE DR>22 -ACK SR1: SR1:RXNE DR>33 +STOP");
}

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
