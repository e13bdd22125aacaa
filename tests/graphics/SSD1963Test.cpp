// Driver::SSD1963 against the controller model: bring-up, panel configuration, refresh switch.
#include "graphics/Driver/LCD.h"
#include "graphics/Driver/SSD1963.h"

#include "system/System.h"

#include "tests/graphics/PanelBench.h"

#include <gtest/gtest.h>

using Driver::SSD1963;

TEST(SSD1963Test, BringUpAndConfigurationReachTheChipInOrderWithoutErrors)
{
    Driver::LCD::GetInstance();
    Sim::SSD1963& panel = PanelBench::Panel();
    const std::vector<PanelBench::Sent> expected = {
        {0xE2, {0x31, 0x03, 0x04}, 0},
        {0xE0, {0x01}, 0},
        {0xE0, {0x03}, 0},
        {0x01, {}, 0},
        {0xE6, {0x05, 0x47, 0xAE}, 0},
        {0xB0, {0x10, 0x00, 0x03, 0x1F, 0x01, 0xDF, 0x00}, 0},
        {0xF0, {0x03}, 0},
        {0x36, {0x00}, 0},
        {0xB4, {0x03, 0x30, 0x00, 0x08, 0x08, 0x00, 0x00, 0x00}, 0},
        {0xB6, {0x01, 0xE4, 0x00, 0x02, 0x02, 0x00, 0x00}, 0},
        {0x35, {0x00}, 0},
        {0xB8, {0x0F, 0x01}, 0},
        {0xBA, {0x01}, 0},
        {0xBE, {0x03, 0x00, 0x01, 0x00, 0x00, 0x00}, 0},
        {0xBE, {0x03, 0x00, 0x01, 0x00, 0x00, 0x00}, 0},
        {0x29, {}, 0},
    };
    EXPECT_EQ(PanelBench::Log(), expected);
    for (const std::string& error : panel.GetProtocolErrors())
        ADD_FAILURE() << error;
    EXPECT_TRUE(panel.IsRunningFromPll());
    EXPECT_EQ(panel.GetPixelClock(), 33000087u);
    EXPECT_TRUE(panel.IsDisplayOn());
    EXPECT_TRUE(panel.IsTearingOutputOn());
    EXPECT_EQ(panel.GetBacklightDuty(), 0);

    // The commands that matter came while the chip could take them: the PLL only after the reset
    // pulse and its lock time, the fast bus only once the PLL drives the chip.
    const auto& log = panel.GetCommandLog();
    EXPECT_GE(log[2].time - log[1].time, Sim::ticksPerMillisecond * 5);
    EXPECT_GE(log[3].time - log[2].time, Sim::ticksPerMillisecond * 5);
    EXPECT_GE(log[4].time - log[3].time, Sim::ticksPerMillisecond * 5);
}

TEST(SSD1963Test, RepeatedGetInstanceBringsTheChipUpOnce)
{
    SSD1963& first = SSD1963::GetInstance();
    Sim::SSD1963& panel = PanelBench::Panel();
    const size_t commands = panel.GetCommandLog().size();
    EXPECT_EQ(commands, 4u);
    EXPECT_EQ(&SSD1963::GetInstance(), &first);
    EXPECT_EQ(&SSD1963::GetInstance(), &first);
    EXPECT_EQ(panel.GetCommandLog().size(), commands);
    EXPECT_TRUE(panel.GetProtocolErrors().empty());
}

TEST(SSD1963Test, SendBytesSendsTheHighByteFirst)
{
    SSD1963& chip = SSD1963::GetInstance();
    Sim::SSD1963& panel = PanelBench::Panel();
    panel.ClearCommandLog();
    chip.WriteCommand(0x2A);
    chip.SendBytes(0);
    chip.SendBytes(799);
    const std::vector<PanelBench::Sent> expected = {{0x2A, {0x00, 0x00, 0x03, 0x1F}, 0}};
    EXPECT_EQ(PanelBench::Log(), expected);
    EXPECT_TRUE(panel.GetProtocolErrors().empty());
}

TEST(SSD1963Test, RefreshSwitchesTheTearingInterrupt)
{
    SSD1963& chip = SSD1963::GetInstance();
    EXPECT_FALSE(chip.IsRefreshEnabled()); // off until a user arms it
    chip.EnableRefresh(true);
    EXPECT_TRUE(chip.IsRefreshEnabled());
    chip.EnableRefresh(false);
    EXPECT_FALSE(chip.IsRefreshEnabled());
    chip.DisableRefresh(false);
    EXPECT_TRUE(chip.IsRefreshEnabled());
    chip.DisableRefresh(true);
    EXPECT_FALSE(chip.IsRefreshEnabled());
}

TEST(SSD1963Test, TheHandlerRunsOncePerFrameOnTheFallingEdge)
{
    SSD1963& chip = SSD1963::GetInstance();
    Driver::LCD::GetInstance(); // configures the tearing output
    Sim::SSD1963& panel = PanelBench::Panel();
    int calls = 0;
    chip.SetOnVerticalRefresh([&calls]() { ++calls; });
    PanelBench::WaitFrames(3);
    EXPECT_EQ(calls, 0); // interrupt still disabled

    chip.EnableRefresh(true);
    const uint64_t start = panel.GetFrameCount();
    PanelBench::WaitFrames(10);
    chip.EnableRefresh(false);
    const uint64_t frames = panel.GetFrameCount() - start;
    EXPECT_GE(calls, static_cast<int>(frames) - 1);
    EXPECT_LE(calls, static_cast<int>(frames) + 1);
}

TEST(SSD1963Test, ArmingWaitsForTheNextFrameStartDespiteEdgesSeenWhileOff)
{
    Driver::LCD& lcd = Driver::LCD::GetInstance();
    Sim::SSD1963& panel = PanelBench::Panel();
    Sim::Board& board = Sim::Board::Instance();
    int flushes = 0;
    Sim::Tick flushedAt = 0;
    SSD1963::GetInstance().SetOnVerticalRefresh([&]() {
        ++flushes;
        flushedAt = board.clock().Now();
        lcd.Flush();
    });
    SSD1963::GetInstance().EnableRefresh(true);
    // A falling edge latched while armed but held off (inside an atomic call), then the line
    // masked: its pending bit stays set through the frames that follow.
    Velmora::System::GetInstance().AtomicCall(
        [](void*) {
            PanelBench::WaitFrames(1);
            SSD1963::GetInstance().DisableRefresh(true);
        },
        nullptr);
    PanelBench::WaitFrames(2);
    ASSERT_NE(EXTI->PR & (1u << 7), 0u) << "no latched edge to arm against";

    lcd.SetOnRenderScanline([](const Velmora::PixelPoint&, uint16_t) {});
    lcd.RegisterChange(Velmora::PixelArea(Velmora::PixelPoint(0, 100), 800, 1));
    lcd.EnableRefresh(true);
    EXPECT_EQ(flushes, 0); // no flush wherever the scan happens to be
    EXPECT_TRUE(lcd.HasChanges());
    PanelBench::WaitForFlush();
    EXPECT_EQ(flushes, 1);
    // It ran right at a frame start: less than a line into the frame.
    const Sim::Tick intoFrame = (flushedAt - panel.GetFrameStart()) % panel.GetFramePeriod();
    EXPECT_LT(intoFrame, panel.GetLinePeriod());
}
