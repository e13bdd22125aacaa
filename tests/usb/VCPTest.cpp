// The USB console end to end on the virtual board: the firmware's device stack and CDC class on the
// OTG core model, enumerated and driven by the host model on the cable, through the line
// assembler to the clock chip and the reset.
#include "usb/Console.h"
#include "usb/Driver/VCP.h"

#include "drivers/RTC.h"

#include "sim/World.h"

#include "stm32f4xx.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

extern "C" int _write(int fd, const char* buffer, int count);
extern "C" int _isatty(int fd);
extern "C" int _fstat(int fd, struct stat* status);

namespace
{

using Sim::World;

class VCPTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SystemInit();
        VCPInit();
    }

    // The next case in the same process starts the device again: the cable comes out first.
    void TearDown() override { Host().Plug(false); }

    Sim::UsbHost& Host() { return World::Get().Usb(); }

    void Enumerate()
    {
        Host().Plug(true);
        ASSERT_TRUE(World::Get().RunUntil([this] { return Host().Configured(); }, World::Milliseconds(500)));
    }

    void OpenTerminal()
    {
        Enumerate();
        Host().OpenPort();
        ASSERT_TRUE(World::Get().RunUntil([] { return VCPIsOpen(); }, World::Milliseconds(50)));
    }

    // Runs until the terminal has received `count` bytes or `limit` passed.
    bool Receive(size_t count, Sim::Tick limit = World::Milliseconds(100))
    {
        return World::Get().RunUntil([this, count] { return Host().Received().size() >= count; }, limit);
    }

    std::vector<uint8_t> ControlIn(uint8_t request, uint8_t type, uint16_t value, uint16_t index, uint16_t length)
    {
        std::vector<uint8_t> reply;
        bool done = false;
        Host().Control(type, request, value, index, length, {}, [&](bool ok, const std::vector<uint8_t>& data) {
            EXPECT_TRUE(ok);
            reply = data;
            done = true;
        });
        EXPECT_TRUE(World::Get().RunUntil([&] { return done; }, World::Milliseconds(100)));
        return reply;
    }
};

// ---- enumeration and identity ----

TEST_F(VCPTest, EnumeratesAsTheVirtualComPortWithoutProtocolViolations)
{
    Enumerate();
    EXPECT_TRUE(Host().Violations().empty());

    const std::vector<uint8_t>& device = Host().DeviceDescriptor();
    ASSERT_EQ(18u, device.size());
    EXPECT_EQ(0x0200, device[2] | device[3] << 8) << "USB 2.0";
    EXPECT_EQ(64, device[7]);
    EXPECT_EQ(0x0483, device[8] | device[9] << 8);
    EXPECT_EQ(0x5740, device[10] | device[11] << 8);
    EXPECT_EQ(0x0000, device[12] | device[13] << 8);
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 1}), std::vector<uint8_t>(device.begin() + 14, device.end()));

    // The configuration string and the interface string are served too.
    Host().RequestString(4);
    Host().RequestString(5);
    World::Get().RunFor(World::Milliseconds(20));
    const auto& strings = Host().Strings();
    EXPECT_EQ("STMicroelectronics", strings.at(1));
    EXPECT_EQ("STMicroelectronics Virtual COM Port", strings.at(2));
    EXPECT_EQ("00000000050C", strings.at(3));
    EXPECT_EQ("VCP Config", strings.at(4));
    EXPECT_EQ("VCP Interface", strings.at(5));

    const std::vector<uint8_t>& configuration = Host().ConfigurationDescriptor();
    ASSERT_EQ(67u, configuration.size());
    EXPECT_EQ(67, configuration[2] | configuration[3] << 8);
    EXPECT_EQ(2, configuration[4]) << "two interfaces";
    EXPECT_EQ(0xC0, configuration[7]) << "self-powered";
    EXPECT_EQ(0x32, configuration[8]) << "100 mA";
    // Interface 0: communications, abstract control model, protocol 1; interface 1: data.
    EXPECT_EQ((std::vector<uint8_t>{9, 4, 0, 0, 1, 0x02, 0x02, 0x01, 0}),
              std::vector<uint8_t>(configuration.begin() + 9, configuration.begin() + 18));
    EXPECT_EQ((std::vector<uint8_t>{5, 0x24, 0x00, 0x10, 0x01, 5, 0x24, 0x01, 0x00, 1, 4, 0x24, 0x02, 0x02, 5, 0x24,
                                    0x06, 0, 1}),
              std::vector<uint8_t>(configuration.begin() + 18, configuration.begin() + 37));
    EXPECT_EQ((std::vector<uint8_t>{7, 5, 0x82, 0x03, 8, 0, 0xFF}),
              std::vector<uint8_t>(configuration.begin() + 37, configuration.begin() + 44));
    EXPECT_EQ((std::vector<uint8_t>{9, 4, 1, 0, 2, 0x0A, 0, 0, 0, 7, 5, 0x01, 0x02, 64, 0, 0, 7, 5, 0x81, 0x02, 64, 0, 0}),
              std::vector<uint8_t>(configuration.begin() + 44, configuration.end()));
}

TEST_F(VCPTest, AnswersStandardRequestsOnceConfigured)
{
    Enumerate();
    // The class announces the device as a communications device once it runs.
    const std::vector<uint8_t> device = ControlIn(0x06, 0x80, 0x0100, 0, 18);
    ASSERT_EQ(18u, device.size());
    EXPECT_EQ(2, device[4]);
    EXPECT_EQ(0, device[5]);
    EXPECT_EQ((std::vector<uint8_t>{1}), ControlIn(0x08, 0x80, 0, 0, 1)) << "GET_CONFIGURATION";
    EXPECT_EQ((std::vector<uint8_t>{1, 0}), ControlIn(0x00, 0x80, 0, 0, 2)) << "GET_STATUS: self-powered";
    EXPECT_EQ((std::vector<uint8_t>{0, 0}), ControlIn(0x00, 0x82, 0, 0x81, 2)) << "bulk IN not halted";
    // A short read of the configuration gets exactly what was asked for.
    EXPECT_EQ(9u, ControlIn(0x06, 0x80, 0x0200, 0, 9).size());

    // No device qualifier at full speed, no string 6: the request stalls and the next one works.
    bool done = false, ok = true;
    Host().Control(0x80, 0x06, 0x0600, 0, 10, {}, [&](bool success, const std::vector<uint8_t>&) {
        ok = success;
        done = true;
    });
    ASSERT_TRUE(World::Get().RunUntil([&] { return done; }, World::Milliseconds(100)));
    EXPECT_FALSE(ok);
    done = false;
    ok = true;
    Host().Control(0x80, 0x06, 0x0306, 0x0409, 255, {}, [&](bool success, const std::vector<uint8_t>&) {
        ok = success;
        done = true;
    });
    ASSERT_TRUE(World::Get().RunUntil([&] { return done; }, World::Milliseconds(100)));
    EXPECT_FALSE(ok);
    EXPECT_EQ(1u, ControlIn(0x08, 0x80, 0, 0, 1).size());
    EXPECT_TRUE(Host().Violations().empty());
}

// ---- line coding and the port's state ----

TEST_F(VCPTest, LineCodingReadsTheDefaultUntilTheHostSetsOne)
{
    Enumerate();
    std::vector<uint8_t> coding;
    Host().GetLineCoding([&](bool ok, const std::vector<uint8_t>& data) {
        EXPECT_TRUE(ok);
        coding = data;
    });
    ASSERT_TRUE(World::Get().RunUntil([&] { return !coding.empty(); }, World::Milliseconds(100)));
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0xC2, 0x01, 0x00, 0, 0, 8}), coding) << "115200 8N1";

    const std::vector<uint8_t> slow = {0x80, 0x25, 0x00, 0x00, 2, 1, 7}; // 9600, 2 stop bits, odd, 7 bits
    Host().SetLineCoding(slow);
    coding.clear();
    Host().GetLineCoding([&](bool, const std::vector<uint8_t>& data) { coding = data; });
    ASSERT_TRUE(World::Get().RunUntil([&] { return !coding.empty(); }, World::Milliseconds(100)));
    EXPECT_EQ(slow, coding);
    EXPECT_FALSE(VCPIsOpen()) << "line coding is no DTR";
}

TEST_F(VCPTest, TextReachesTheTerminalOnlyWhileItHoldsThePortOpen)
{
    Enumerate();
    Velmora::Console::GetInstance().Print("before the terminal");
    World::Get().RunFor(World::Milliseconds(20));
    EXPECT_EQ("", Host().Received());

    Host().OpenPort();
    ASSERT_TRUE(World::Get().RunUntil([] { return VCPIsOpen(); }, World::Milliseconds(50)));
    Velmora::Console::GetInstance().PrintLine("%d", 5);
    ASSERT_TRUE(Receive(3));
    World::Get().RunFor(World::Milliseconds(20));
    EXPECT_EQ("5\r\n", Host().Received()) << "exactly the three bytes";

    Host().ClosePort();
    ASSERT_TRUE(World::Get().RunUntil([] { return !VCPIsOpen(); }, World::Milliseconds(50)));
    Velmora::Console::GetInstance().Print("after closing");
    World::Get().RunFor(World::Milliseconds(20));
    EXPECT_EQ("5\r\n", Host().Received());
}

TEST_F(VCPTest, PullingTheCableStopsOutputAndPluggingItAgainEnumeratesAgain)
{
    OpenTerminal();
    Host().Plug(false);
    EXPECT_FALSE(VCPIsConnected());
    EXPECT_TRUE(VCPIsOpen()) << "the flag follows DTR only";
    Velmora::Console::GetInstance().Print("into the void");
    Host().ClearReceived();

    Enumerate();
    ASSERT_TRUE(VCPIsConnected());
    World::Get().RunFor(World::Milliseconds(20));
    EXPECT_EQ("", Host().Received()) << "nothing was queued while unplugged";
    Velmora::Console::GetInstance().Print("back");
    ASSERT_TRUE(Receive(4));
    EXPECT_EQ("back", Host().Received());
    EXPECT_TRUE(Host().Violations().empty());
}

TEST_F(VCPTest, ASuspendedBusHoldsTheOutputUntilTheHostResumes)
{
    OpenTerminal();
    Host().Suspend(true);
    World::Get().RunFor(World::Milliseconds(10));
    EXPECT_NE(0u, USB_OTG_FS_DREGS->DSTS & USB_OTG_DSTS_SUSPSTS);
    Velmora::Console::GetInstance().Print("held");
    World::Get().RunFor(World::Milliseconds(30));
    EXPECT_EQ("", Host().Received());

    Host().Suspend(false);
    ASSERT_TRUE(Receive(4));
    EXPECT_EQ("held", Host().Received());
    EXPECT_EQ(0u, USB_OTG_FS_DREGS->DSTS & USB_OTG_DSTS_SUSPSTS);
    EXPECT_TRUE(Host().Violations().empty());
}

// ---- printing ----

TEST_F(VCPTest, StandardStreamsGoThroughTheSystemCalls)
{
    OpenTerminal();
    EXPECT_EQ(-1, _write(3, "x", 1));
    EXPECT_EQ(0, _write(1, "x", 0));
    EXPECT_EQ(6, _write(2, "error\n", 6));
    std::printf("out %d\r\n", 42);
    ASSERT_TRUE(Receive(14));
    World::Get().RunFor(World::Milliseconds(20));
    EXPECT_EQ("error\nout 42\r\n", Host().Received());

    EXPECT_EQ(1, _isatty(1));
    EXPECT_EQ(1, _isatty(2));
    EXPECT_EQ(0, _isatty(0));
    struct stat status = {};
    EXPECT_EQ(0, _fstat(1, &status));
    EXPECT_EQ(0x2000u, static_cast<unsigned>(status.st_mode));
}

TEST_F(VCPTest, MoreThanTheRingHoldsKeepsWhatWasFirstPrintedInOrder)
{
    OpenTerminal();
    // Printed faster than the host reads: 3,000 bytes in one go, no two neighbours alike.
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += static_cast<char>('A' + (i * 7 + i / 26) % 26);
    ASSERT_EQ(3000, _write(1, text.data(), static_cast<int>(text.size())));
    World::Get().RunFor(World::Milliseconds(400));
    const std::string received = Host().Received();
    // The ring keeps one slot free: at least the first 2,047 bytes arrive unbroken; whatever
    // found the ring full was dropped, never written over bytes still waiting.
    ASSERT_GE(received.size(), 2047u);
    EXPECT_EQ(text.substr(0, 2047), received.substr(0, 2047));
    size_t at = 0;
    for (char c : received)
    {
        at = text.find(c, at);
        ASSERT_NE(std::string::npos, at) << "bytes arrived out of order";
        ++at;
    }

    Host().ClearReceived();
    Velmora::Console::GetInstance().Print("and on");
    ASSERT_TRUE(Receive(6));
    EXPECT_EQ("and on", Host().Received());
}

// ---- commands ----

TEST_F(VCPTest, ResetWaitsForTheLineFeedInALaterPacket)
{
    OpenTerminal();
    bool reset = false;
    World::Get().board().SetResetHandler([&reset] {
        reset = true;
        throw Sim::ResetRequest();
    });
    Host().Send("res");
    World::Get().RunFor(World::Milliseconds(30));
    Host().Send("et");
    World::Get().RunFor(World::Milliseconds(30));
    EXPECT_FALSE(reset) << "no line feed yet";
    Host().Send("\r\n");
    EXPECT_THROW(World::Get().RunFor(World::Milliseconds(100)), Sim::ResetRequest);
    EXPECT_TRUE(reset);
}

TEST_F(VCPTest, ALongLineKeepsOnlyItsLast48Bytes)
{
    OpenTerminal();
    World::Get().board().SetResetHandler([] { FAIL() << "reset by a line whose start was dropped"; });
    // 60 characters starting with the keyword, then the line feed.
    const std::string line = "reset" + std::string(54, 'x') + "\n";
    ASSERT_EQ(60u, line.size());
    Host().Send(line);
    World::Get().RunFor(World::Milliseconds(50));
    EXPECT_FALSE(Host().Sending());
}

TEST_F(VCPTest, DateAndTimeSetsTheClockChip)
{
    OpenTerminal();
    Sim::CalendarTime before;
    before.year = 2020;
    World::Get().SetClockTime(before);
    Host().Send("date_and_time 2015 1 2 3 4 5\n");
    World::Get().RunFor(World::Milliseconds(50));

    const Velmora::DateTime now = Velmora::RTC::GetInstance().GetDateTime();
    EXPECT_EQ(2015, now.GetYear());
    EXPECT_EQ(1, now.GetMonth());
    EXPECT_EQ(2, now.GetDayOfMonth());
    EXPECT_EQ(3, now.GetHours());
    EXPECT_EQ(4, now.GetMinutes());
    EXPECT_LE(5, now.GetSeconds());
    EXPECT_GE(6, now.GetSeconds());
}

TEST_F(VCPTest, AnInvalidDateIsRejectedOnTheConsoleAndTheClockKeepsItsTime)
{
    OpenTerminal();
    Sim::CalendarTime before;
    before.year = 2020;
    before.month = 6;
    World::Get().SetClockTime(before);
    Host().Send("date_and_time 2015 13 2 3 4 5\r\n");
    ASSERT_TRUE(World::Get().RunUntil([this] { return Host().Received().find('\n') != std::string::npos; },
                                      World::Milliseconds(100)));
    EXPECT_EQ("date_and_time rejected: Not a valid value for month\r\n", Host().Received());
    Host().ClearReceived();
    // A month that only fits after wrapping to 8 bits (257 as 1) is no month either.
    Host().Send("date_and_time 2015 257 2 3 4 5\n");
    ASSERT_TRUE(World::Get().RunUntil([this] { return Host().Received().find('\n') != std::string::npos; },
                                      World::Milliseconds(100)));
    EXPECT_EQ(0u, Host().Received().find("date_and_time rejected"));
    // Missing numbers parse as 0: day 0 is no day.
    Host().Send("date_and_time\n");
    World::Get().RunFor(World::Milliseconds(30));
    EXPECT_EQ(2020, World::Get().ClockTime().year);
    EXPECT_EQ(6, World::Get().ClockTime().month);

    // The receive path still works.
    Host().Send("date_and_time 2016 2 29 23 59 0\n");
    World::Get().RunFor(World::Milliseconds(50));
    EXPECT_EQ(2016, World::Get().ClockTime().year);
    EXPECT_EQ(29, World::Get().ClockTime().day);
}

} // namespace
