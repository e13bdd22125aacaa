#include "sim/devices/SSD1963.h"

#include <gtest/gtest.h>

#include <functional>

using Sim::SSD1963;

namespace
{

constexpr Sim::Tick us = Sim::ticksPerMicrosecond;
constexpr Sim::Tick ms = Sim::ticksPerMillisecond;
// The firmware's FSMC write strobes at 168 MHz: 1 HCLK cycle at the fastest timing, 24 while the
// chip still runs from its reference clock.
constexpr Sim::Tick fastCycle = 1 * 50;
constexpr Sim::Tick slowCycle = 24 * 50;

// The model on a clock of its own, with the tearing line recorded.
class Bench
{
public:
    Bench()
        : chip(SSD1963::Environment{&clock, [this](bool level) {
                                        if (teLevel && !level)
                                            fallingEdges.push_back(clock.Now());
                                        teLevel = level;
                                    }})
    {
    }

    void Advance(Sim::Tick duration) { clock.RunUntil(clock.Now() + duration); }
    Sim::Tick Now() const { return clock.Now(); }

    void Command(uint8_t code, std::initializer_list<uint8_t> parameters, uint64_t cycle = fastCycle)
    {
        chip.WriteCommand(code, cycle);
        Advance(cycle);
        for (uint8_t p : parameters)
        {
            chip.WriteData(p, cycle);
            Advance(cycle);
        }
    }

    // Reset pulse, PLL and software reset the way the firmware brings the chip up.
    void BringUp()
    {
        chip.SetReferenceClock(8000000);
        chip.SetReset(false);
        Advance(100 * ms);
        chip.SetReset(true);
        Advance(100 * ms);
        Command(0xE2, {0x31, 0x03, 0x04}, slowCycle);
        Command(0xE0, {0x01}, slowCycle);
        Advance(5 * ms);
        Command(0xE0, {0x03}, slowCycle);
        Advance(5 * ms);
        Command(0x01, {}, slowCycle);
        Advance(5 * ms);
    }

    void Configure()
    {
        Command(0xE6, {0x05, 0x47, 0xAE});
        Command(0xB0, {0x10, 0x00, 0x03, 0x1F, 0x01, 0xDF, 0x00});
        Command(0xF0, {0x03});
        Command(0x36, {0x00});
        Command(0xB4, {0x03, 0x30, 0x00, 0x08, 0x08, 0x00, 0x00, 0x00});
        Command(0xB6, {0x01, 0xE4, 0x00, 0x02, 0x02, 0x00, 0x00});
        Command(0x35, {0x00});
        Command(0xB8, {0x0F, 0x01});
        Command(0xBA, {0x01});
        Command(0xBE, {0x03, 0x00, 0x01, 0x00, 0x00, 0x00});
        Command(0xBE, {0x03, 0x00, 0x01, 0x00, 0x00, 0x00});
        Command(0x29, {});
    }

    void Window(uint16_t x0, uint16_t x1, uint16_t y0, uint16_t y1)
    {
        Command(0x2A, {uint8_t(x0 >> 8), uint8_t(x0), uint8_t(x1 >> 8), uint8_t(x1)});
        Command(0x2B, {uint8_t(y0 >> 8), uint8_t(y0), uint8_t(y1 >> 8), uint8_t(y1)});
    }

    void Pixels(unsigned count, uint16_t value, uint64_t cycle = fastCycle)
    {
        for (unsigned i = 0; i < count; ++i)
        {
            chip.WriteData(value, cycle);
            Advance(cycle);
        }
    }

    Sim::Clock clock;
    bool teLevel = false;
    std::vector<Sim::Tick> fallingEdges;
    SSD1963 chip;
};

} // namespace

TEST(SSD1963ModelTest, FirmwareBringUpAndConfigurationAreClean)
{
    Bench bench;
    bench.BringUp();
    bench.Configure();
    EXPECT_TRUE(bench.chip.GetProtocolErrors().empty()) << bench.chip.GetProtocolErrors().front();
    EXPECT_TRUE(bench.chip.IsRunningFromPll());
    EXPECT_EQ(bench.chip.GetPllFrequency(), 100000000u);

    EXPECT_EQ(bench.chip.GetPixelClock(), 33000087u); // 100 MHz x 346031 / 2^20
    EXPECT_TRUE(bench.chip.IsDisplayOn());
    EXPECT_EQ(bench.chip.GetBacklightDuty(), 0);
    EXPECT_EQ(bench.chip.GetGpioValue(), 0x01);
}

TEST(SSD1963ModelTest, CommandsOutsideTheChipsWindowsAreProtocolErrors)
{
    {
        Bench bench;
        bench.chip.SetReferenceClock(8000000);
        bench.Command(0x01, {}, slowCycle); // before any reset pulse
        EXPECT_EQ(bench.chip.GetProtocolErrors().size(), 1u);
    }
    {
        Bench bench;
        bench.chip.SetReferenceClock(8000000);
        bench.chip.SetReset(false);
        bench.Advance(1 * ms);
        bench.chip.SetReset(true);
        bench.Advance(10 * ms);
        bench.Command(0xE2, {0x31, 0x03, 0x04}); // fast strobe on the 8 MHz reference clock
        ASSERT_EQ(bench.chip.GetProtocolErrors().size(), 4u);
        EXPECT_NE(bench.chip.GetProtocolErrors()[0].find("system clock"), std::string::npos);
    }
    {
        Bench bench;
        bench.chip.SetReferenceClock(8000000);
        bench.chip.SetReset(false);
        bench.Advance(1 * ms);
        bench.chip.SetReset(true);
        bench.Advance(10 * ms);
        bench.Command(0xE2, {0x31, 0x03, 0x04}, slowCycle);
        bench.Command(0xE0, {0x01}, slowCycle);
        bench.Command(0xE0, {0x03}, slowCycle); // no wait for the lock
        ASSERT_EQ(bench.chip.GetProtocolErrors().size(), 1u);
        EXPECT_FALSE(bench.chip.IsRunningFromPll());
    }
    {
        Bench bench;
        bench.BringUp();
        bench.chip.WriteCommand(0xB4, fastCycle);
        bench.chip.WriteData(0x03, fastCycle);
        bench.Command(0x29, {}); // set_hori_period cut short
        bench.Command(0x2A, {0x00, 0x10, 0x00, 0x05}); // first > last
        bench.Command(0x0C, {});                       // a read command the model does not know
        EXPECT_EQ(bench.chip.GetProtocolErrors().size(), 3u);
    }
}

TEST(SSD1963ModelTest, TearingOutputPulsesOncePerFrameAtTheProgrammedRate)
{
    Bench bench;
    bench.BringUp();
    bench.Configure();
    bench.fallingEdges.clear();
    bench.Advance(100 * ms);
    ASSERT_GE(bench.fallingEdges.size(), 7u);
    const uint64_t period = bench.fallingEdges[2] - bench.fallingEdges[1];
    EXPECT_EQ(period, bench.chip.GetFramePeriod());
    // 817 x 485 pixel clocks at 33.0 MHz: 12.007 ms, 83 frames a second.
    EXPECT_NEAR(static_cast<double>(period) / ms, 12.007, 0.001);

    bench.Command(0x34, {}); // tear off: the line stays low
    bench.fallingEdges.clear();
    bench.Advance(50 * ms);
    EXPECT_TRUE(bench.fallingEdges.empty());
    EXPECT_FALSE(bench.teLevel);
}

TEST(SSD1963ModelTest, MemoryWritesFillTheWindowAndReachThePanelThroughTheScan)
{
    Bench bench;
    bench.BringUp();
    bench.Configure();
    bench.Window(10, 12, 5, 6);
    bench.Command(0x2C, {});
    bench.Pixels(7, 0xF800); // two rows of three, then wraps to the window's top-left
    EXPECT_EQ(bench.chip.GetMemoryPixel(10, 5), 0xF800);
    EXPECT_EQ(bench.chip.GetMemoryPixel(12, 6), 0xF800);
    EXPECT_EQ(bench.chip.GetMemoryPixel(13, 5), 0x0000);
    EXPECT_EQ(bench.chip.GetMemoryPixel(10, 7), 0x0000);
    bench.Advance(bench.chip.GetFramePeriod());
    EXPECT_EQ(bench.chip.GetPanelImage()[6 * 800 + 11], 0xF800);

    // Dark until the backlight is lit; then the visible image is the panel image.
    EXPECT_EQ(bench.chip.GetVisibleImage()[(6 * 800 + 11) * 3], 0);
    bench.Command(0xBE, {0x03, 0xFF, 0x01, 0x00, 0x00, 0x00});
    EXPECT_EQ(bench.chip.GetVisibleImage()[(6 * 800 + 11) * 3], 255);
    bench.Command(0x28, {});
    EXPECT_EQ(bench.chip.GetVisibleImage()[(6 * 800 + 11) * 3], 0);
}

TEST(SSD1963ModelTest, AFlushOvertakenByTheScanIsCountedAsTearing)
{
    Bench bench;
    bench.BringUp();
    bench.Configure();
    bench.Advance(30 * ms);
    ASSERT_FALSE(bench.fallingEdges.empty());
    // Right after a falling edge the scan starts at row 0; a fast full-screen write stays ahead.
    bench.Advance(bench.fallingEdges.back() + bench.chip.GetFramePeriod() - bench.Now());
    bench.Window(0, 799, 0, 479);
    bench.Command(0x2C, {});
    bench.Pixels(800 * 480, 0x001F);
    EXPECT_EQ(bench.chip.GetTearingCount(), 0u);

    // A writer twenty times slower falls behind the scan within the frame: torn.
    bench.Advance(bench.chip.GetFramePeriod() * 2 - (bench.Now() - bench.fallingEdges.back()));
    bench.Command(0x2C, {});
    bench.Pixels(800 * 20, 0x07E0, 20 * fastCycle);
    EXPECT_EQ(bench.chip.GetTearingCount(), 1u);
    EXPECT_TRUE(bench.chip.GetProtocolErrors().empty());
}

TEST(SSD1963ModelTest, PixelsNeedTheSixteenBitPixelInterfaceSelected)
{
    // The chip powers up with the 24-bit interface: a driver that never selects RGB565 (or picks
    // another width) writes garbage, and hears about it.
    Bench bench;
    bench.BringUp();
    bench.Window(0, 1, 0, 0);
    bench.Command(0x2C, {});
    bench.Pixels(2, 0xF800);
    ASSERT_EQ(bench.chip.GetProtocolErrors().size(), 1u);
    EXPECT_NE(bench.chip.GetProtocolErrors()[0].find("pixel data interface at 0x05"), std::string::npos)
        << bench.chip.GetProtocolErrors()[0];

    bench.Command(0xF0, {0x03});
    bench.Command(0x2C, {});
    bench.Pixels(2, 0xF800);
    EXPECT_EQ(bench.chip.GetProtocolErrors().size(), 1u);

    // A software reset brings the 24-bit default back.
    bench.Command(0x01, {});
    bench.Advance(5 * ms);
    bench.Command(0x2C, {});
    EXPECT_EQ(bench.chip.GetProtocolErrors().size(), 2u);
}

TEST(SSD1963ModelTest, TearingModeWithHorizontalBlankingIsAProtocolError)
{
    Bench bench;
    bench.BringUp();
    bench.Configure();
    ASSERT_TRUE(bench.chip.GetProtocolErrors().empty());
    bench.Command(0x35, {0x01});
    ASSERT_EQ(bench.chip.GetProtocolErrors().size(), 1u);
    EXPECT_NE(bench.chip.GetProtocolErrors()[0].find("tearing-effect mode 1"), std::string::npos);
}
