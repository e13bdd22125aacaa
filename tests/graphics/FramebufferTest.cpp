// Driver::LCD on the virtual board: change registration, the refresh bracket, recompositing on
// EnableRefresh and what Flush sends to the controller model.
#include "graphics/Driver/LCD.h"
#include "graphics/Driver/SSD1963.h"

#include "system/System.h"

#include "tests/graphics/PanelBench.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

using Driver::LCD;
using Velmora::Color;
using Velmora::Color565;
using Velmora::PixelArea;
using Velmora::PixelPoint;

namespace
{

struct ScanRun
{
    int x, y, length;
    bool operator==(const ScanRun& o) const { return x == o.x && y == o.y && length == o.length; }
};

std::vector<ScanRun> CollectRuns(LCD& lcd)
{
    std::vector<ScanRun> runs;
    lcd.SetOnRenderScanline([&runs](const PixelPoint& at, uint16_t length) { runs.push_back({at.x, at.y, length}); });
    lcd.EnableRefresh(true);
    lcd.SetOnRenderScanline(nullptr);
    return runs;
}

} // namespace

TEST(FramebufferTest, RegistrationIsClippedToThePanel)
{
    LCD& lcd = LCD::GetInstance();
    lcd.DisableRefresh(true);
    EXPECT_FALSE(lcd.HasChanges());

    lcd.RegisterChange(PixelArea(PixelPoint(-10, -10), 20, 20));
    const PImpl::Changes& changes = lcd.GetChanges();
    EXPECT_EQ(changes.firstRow, 0);
    EXPECT_EQ(changes.lastRow, 9);
    for (int row = 0; row < 10; ++row)
    {
        EXPECT_EQ(changes.rows[row].spans[0].start, 0);
        EXPECT_EQ(changes.rows[row].spans[0].length, 10);
        EXPECT_EQ(changes.rows[row].spans[1].length, 0);
    }
    EXPECT_FALSE(changes.rows[10].HasChanges());

    // Right and bottom edges too.
    lcd.RegisterChange(PixelArea(PixelPoint(795, 478), 10, 10));
    EXPECT_EQ(changes.lastRow, 479);
    EXPECT_EQ(changes.rows[479].spans[0].start, 795);
    EXPECT_EQ(changes.rows[479].spans[0].length, 5);
}

TEST(FramebufferTest, AreasOffThePanelRecordNothing)
{
    LCD& lcd = LCD::GetInstance();
    lcd.DisableRefresh(true);
    lcd.RegisterChange(PixelArea(PixelPoint(800, 0), 10, 10));
    lcd.RegisterChange(PixelArea(PixelPoint(-20, 100), 20, 10));
    lcd.RegisterChange(PixelArea(PixelPoint(0, 480), 10, 1));
    lcd.RegisterChange(PixelArea(PixelPoint(5, 5), 0, 10));
    EXPECT_FALSE(lcd.HasChanges());
    EXPECT_GT(lcd.GetChanges().firstRow, lcd.GetChanges().lastRow);
}

namespace
{

// Every slot of every row and the row range, for comparing two change records.
std::vector<int> Snapshot(const PImpl::Changes& changes)
{
    std::vector<int> numbers = {changes.firstRow, changes.lastRow};
    for (uint16_t row = 0; row < changes.rowCount; ++row)
    {
        for (const PImpl::Span& span : changes.rows[row].spans)
        {
            numbers.push_back(span.start);
            numbers.push_back(span.length);
        }
    }
    return numbers;
}

} // namespace

// Painted runs take the one-row shortcut: it must leave the record RegisterChange leaves for the
// same one-row areas, in or off the panel, over or beside what is recorded, slots running out,
// columns wrapping around 16 bits.
TEST(FramebufferTest, RowRegistrationRecordsWhatTheAreaRecords)
{
    LCD& lcd = LCD::GetInstance();
    lcd.DisableRefresh(true);
    std::mt19937 random(20261208);
    for (int round = 0; round < 40; ++round)
    {
        struct Run
        {
            int16_t x, y;
            uint16_t length;
        };
        std::vector<Run> runs;
        const int count = 1 + static_cast<int>(random() % (round % 4 == 3 ? 600 : 120));
        for (int i = 0; i < count; ++i)
        {
            const bool wild = random() % 8 == 0;
            const int16_t x = wild ? static_cast<int16_t>(random()) : static_cast<int16_t>(random() % 900) - 50;
            const int16_t y = wild ? static_cast<int16_t>(random()) : static_cast<int16_t>(random() % 12) - 2 + 470 * (random() % 2);
            const uint16_t length = wild ? static_cast<uint16_t>(random()) : static_cast<uint16_t>(random() % 60);
            runs.push_back({x, y, length});
        }
        const bool wholeFirst = round % 2 == 0;
        const auto record = [&](bool byRow) {
            lcd.Flush();
            if (wholeFirst)
            {
                // The rows the runs fall on, as a cleared area registered whole.
                lcd.RegisterChange(PixelArea(PixelPoint(100, 0), 500, 10));
                lcd.RegisterChange(PixelArea(PixelPoint(100, 468), 500, 12));
            }
            for (const Run& run : runs)
            {
                if (byRow)
                    lcd.RegisterRowChange(run.x, run.y, run.length);
                else
                    lcd.RegisterChange(PixelArea(PixelPoint(run.x, run.y), run.length, 1));
            }
            return Snapshot(lcd.GetChanges());
        };
        const std::vector<int> byArea = record(false);
        ASSERT_EQ(record(true), byArea) << "round " << round;
    }
    lcd.Flush();
}

TEST(FramebufferTest, EnableRefreshRecompositesOnlyWhenItArmsTheInterrupt)
{
    LCD& lcd = LCD::GetInstance();
    lcd.DisableRefresh(true);

    // No changes: only arms the interrupt.
    EXPECT_TRUE(CollectRuns(lcd).empty());
    EXPECT_TRUE(lcd.IsRefreshEnabled());

    // Changes, interrupt already enabled: nothing recomposited.
    lcd.RegisterChange(PixelArea(PixelPoint(3, 4), 5, 2));
    EXPECT_TRUE(CollectRuns(lcd).empty());

    // Changes with the interrupt off: every span, rows in order, slots in order.
    lcd.DisableRefresh(true);
    lcd.RegisterChange(PixelArea(PixelPoint(100, 4), 2, 1));
    const std::vector<ScanRun> expected = {{3, 4, 5}, {100, 4, 2}, {3, 5, 5}};
    EXPECT_EQ(CollectRuns(lcd), expected);
    EXPECT_TRUE(lcd.HasChanges()); // only Flush forgets them

    // false disables; it is not a no-op.
    lcd.EnableRefresh(false);
    EXPECT_FALSE(lcd.IsRefreshEnabled());
    lcd.DisableRefresh(false);
    EXPECT_TRUE(lcd.IsRefreshEnabled());
    lcd.DisableRefresh(true);
    EXPECT_FALSE(lcd.IsRefreshEnabled());
}

TEST(FramebufferTest, RecompositingWithoutACallbackThrows)
{
    LCD& lcd = LCD::GetInstance();
    lcd.DisableRefresh(true);
    lcd.SetOnRenderScanline(nullptr);
    lcd.RegisterChange(PixelArea(PixelPoint(0, 0), 1, 1));
    EXPECT_THROW(lcd.EnableRefresh(true), std::bad_function_call);
}

TEST(FramebufferTest, SetPixelsCopiesOrBlendsByAlpha)
{
    LCD& lcd = LCD::GetInstance();
    const Color565* fb = lcd.GetFramebuffer();
    EXPECT_EQ(fb[0].value, 0xFFFF); // starts white

    Color565 row[3] = {Color565(255, 0, 0), Color565(0, 255, 0), Color565(0, 0, 255)};
    lcd.SetPixels(PixelPoint(10, 2), row, 3);
    EXPECT_EQ(fb[2 * 800 + 9].value, 0xFFFF);
    EXPECT_EQ(fb[2 * 800 + 10].value, 0xF800);
    EXPECT_EQ(fb[2 * 800 + 12].value, 0x001F);
    EXPECT_EQ(fb[2 * 800 + 13].value, 0xFFFF);

    const Color layer[3] = {Color(0, 0, 0, 0), Color(0, 0, 0, 255), Color(255, 255, 255, 127)};
    lcd.SetPixels(PixelPoint(10, 2), layer, 3);
    EXPECT_EQ(fb[2 * 800 + 10].value, 0xF800); // alpha 0 leaves the pixel
    EXPECT_EQ(fb[2 * 800 + 11].value, 0x0000); // alpha 255 replaces it
    Color565 expected = Color565(0, 0, 255);
    expected.AlphaBlend(Color565(255, 255, 255), 127);
    EXPECT_EQ(fb[2 * 800 + 12].value, expected.value);

    lcd.Clear();
    EXPECT_EQ(fb[0].value, 0);
    EXPECT_EQ(fb[800 * 480 - 1].value, 0);
    EXPECT_FALSE(lcd.HasChanges()); // clearing registers nothing
}

TEST(FramebufferTest, FlushSendsChangedSpansRowByRowAndForgetsThem)
{
    LCD& lcd = LCD::GetInstance();
    Sim::SSD1963& panel = PanelBench::Panel();
    lcd.DisableRefresh(true);
    lcd.Clear();
    Color565 red[4] = {Color565(255, 0, 0), Color565(255, 0, 0), Color565(255, 0, 0), Color565(255, 0, 0)};
    lcd.SetPixels(PixelPoint(20, 10), red, 4);
    lcd.SetPixels(PixelPoint(700, 12), red, 2);
    lcd.RegisterChange(PixelArea(PixelPoint(20, 10), 4, 1));
    lcd.RegisterChange(PixelArea(PixelPoint(700, 12), 2, 1));
    lcd.RegisterChange(PixelArea(PixelPoint(100, 12), 1, 1));

    panel.ClearCommandLog();
    lcd.Flush();
    EXPECT_FALSE(lcd.HasChanges());
    EXPECT_FALSE(lcd.IsRefreshEnabled()); // as it was before the flush

    // Row 11 lies between the changed rows: its page address only.
    const std::vector<PanelBench::Sent> expected = {
        {0x2B, {0, 10, 0, 10}, 0}, {0x2A, {0, 20, 0, 23}, 0}, {0x2C, {}, 4},
        {0x2B, {0, 11, 0, 11}, 0},
        {0x2B, {0, 12, 0, 12}, 0}, {0x2A, {0x02, 0xBC, 0x02, 0xBD}, 0}, {0x2C, {}, 2}, {0x2A, {0, 100, 0, 100}, 0}, {0x2C, {}, 1},
    };
    EXPECT_EQ(PanelBench::Log(), expected);
    EXPECT_EQ(panel.GetMemoryPixel(20, 10), 0xF800);
    EXPECT_EQ(panel.GetMemoryPixel(23, 10), 0xF800);
    EXPECT_EQ(panel.GetMemoryPixel(701, 12), 0xF800);
    EXPECT_EQ(panel.GetMemoryPixel(100, 12), 0x0000);
    EXPECT_TRUE(panel.GetProtocolErrors().empty());

    // Nothing left: a second flush sends nothing, and keeps an enabled interrupt enabled.
    lcd.DisableRefresh(false);
    panel.ClearCommandLog();
    lcd.Flush();
    EXPECT_TRUE(panel.GetCommandLog().empty());
    EXPECT_TRUE(lcd.IsRefreshEnabled());
}

TEST(FramebufferTest, BacklightAndDisplaySwitchReachTheController)
{
    LCD& lcd = LCD::GetInstance();
    Sim::SSD1963& panel = PanelBench::Panel();
    panel.ClearCommandLog();
    lcd.SetBacklightBrightness(200);
    lcd.On(false);
    const std::vector<PanelBench::Sent> expected = {
        {0xBE, {0x03, 200, 0x01, 0, 0, 0}, 0}, {0xBE, {0x03, 200, 0x01, 0, 0, 0}, 0}, {0x28, {}, 0}};
    EXPECT_EQ(PanelBench::Log(), expected);
    EXPECT_EQ(panel.GetBacklightDuty(), 200);
    EXPECT_FALSE(panel.IsDisplayOn());
    lcd.On(true);
    EXPECT_TRUE(panel.IsDisplayOn());
}

TEST(FramebufferTest, CommandsFromTheThreadAreNeverSplitByAFlush)
{
    // The application switches the backlight over and over while frames flush underneath: most
    // frame starts fall inside one of its command sequences.
    LCD& lcd = LCD::GetInstance();
    Sim::SSD1963& panel = PanelBench::Panel();
    lcd.SetOnRenderScanline([](const PixelPoint&, uint16_t) {});
    lcd.EnableRefresh(true);
    std::vector<Color565> row(LCD::width, Color565(0, 0, 255));
    for (int frame = 0; frame < 3; ++frame)
    {
        const int16_t y = static_cast<int16_t>(40 + frame);
        lcd.SetPixels(PixelPoint(0, y), row.data(), LCD::width);
        lcd.RegisterChange(PixelArea(PixelPoint(0, y), LCD::width, 1));
        uint8_t level = 0;
        while (lcd.HasChanges())
        {
            lcd.SetBacklightBrightness(level++);
            lcd.On(true);
        }
    }
    lcd.DisableRefresh(true);

    for (const std::string& error : panel.GetProtocolErrors())
        ADD_FAILURE() << error;
    int stray = 0;
    for (int y = 40; y < 43; ++y)
        for (int x = 0; x < LCD::width; ++x)
            stray += panel.GetMemoryPixel(x, y) != 0x001F;
    EXPECT_EQ(stray, 0) << "parameters landed in frame memory as pixels";
    EXPECT_TRUE(panel.IsDisplayOn());
}

TEST(FramebufferTest, NoFlushRunsInsideABracketEvenForAnEdgeLatchedBeforeIt)
{
    LCD& lcd = LCD::GetInstance();
    lcd.SetOnRenderScanline([](const PixelPoint&, uint16_t) {});
    lcd.EnableRefresh(true);
    // A frame start comes while the tearing interrupt is held off (inside an atomic call); the
    // bracket then masks the line and records a change. The held-off interrupt runs afterwards.
    Velmora::System::GetInstance().AtomicCall(
        [&lcd](void*) {
            PanelBench::WaitFrames(1);
            lcd.DisableRefresh(true);
            lcd.RegisterChange(PixelArea(PixelPoint(0, 300), 10, 1));
        },
        nullptr);
    for (int i = 0; i < 1000; ++i)
        __NOP();
    EXPECT_TRUE(lcd.HasChanges()) << "flushed inside the bracket, before the change was recomposited";

    // Closing the bracket recomposites and the next frame start flushes.
    int recomposited = 0;
    lcd.SetOnRenderScanline([&recomposited](const PixelPoint&, uint16_t) { ++recomposited; });
    lcd.EnableRefresh(true);
    EXPECT_EQ(recomposited, 1);
    PanelBench::WaitForFlush();
    lcd.DisableRefresh(true);
    lcd.SetOnRenderScanline(nullptr);
}

TEST(FramebufferTest, OrientationZeroMapsEverythingToItself)
{
    LCD& lcd = LCD::GetInstance();
    EXPECT_EQ(lcd.GetOrientation(), 0);
    const PixelArea parent = lcd.GetArea();
    const PixelArea area(PixelPoint(-3, 7), 11, 13);
    const PixelArea oriented = lcd.OrientArea(parent, area);
    const PixelArea reversed = lcd.ReverseOrientArea(parent, area);
    for (const PixelArea& a : {oriented, reversed})
    {
        EXPECT_EQ(a.GetLeft(), -3);
        EXPECT_EQ(a.GetTop(), 7);
        EXPECT_EQ(a.GetWidth(), 11);
        EXPECT_EQ(a.GetHeight(), 13);
    }
    const Velmora::Point p = lcd.OrientPoint(parent, Velmora::Point(1.5f, 2.25f));
    EXPECT_EQ(p.x, 1.5f);
    EXPECT_EQ(p.y, 2.25f);
}
