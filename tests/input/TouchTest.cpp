#include "drivers/Buzzer.h"
#include "input/Driver/Touch.h"
#include "input/Touch.h"
#include "input/TouchEvent.h"

#include "sim/Console.h"
#include "sim/World.h"
#include "sim/devices/TouchScreen.h"

#include "stm32f4xx.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace
{

using Sim::World;
using Velmora::Point;

struct Finger
{
    double x, y;
};

// A script for the finger, played pair by pair: the TIM7 handler is wrapped so that the finger
// moves only between complete x/y pairs, right after an x conversion. Step n holds for the n-th
// pair of the press; after the last step the finger lifts.
struct Script
{
    int idlePairs = 3; // pairs with no finger before the press
    std::vector<Finger> steps;
    int pairs = 0;      // x conversions seen so far
    bool done = false;
};
Script m_script;

void ScriptedTouchHandler()
{
    const uint32_t before = ADC1->SQR3 & 0x1F;
    TIM7_IRQHandler();
    // The handler has just converted x when it switched the converter from channel 13 to 12.
    const bool xMeasured = before == 13 && (ADC1->SQR3 & 0x1F) == 12;
    if (!xMeasured || m_script.done)
        return;
    const int pair = m_script.pairs++;
    const int step = pair - m_script.idlePairs + 1; // the pair the finger stands for next
    if (step >= 0 && step < static_cast<int>(m_script.steps.size()))
        World::Get().TouchPress(m_script.steps[static_cast<size_t>(step)].x, m_script.steps[static_cast<size_t>(step)].y);
    else if (step >= static_cast<int>(m_script.steps.size()))
    {
        World::Get().TouchRelease();
        m_script.done = true;
    }
}

class TouchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SystemInit();
        // As start-up does: the buzzer is set up (silent) long before the first touch.
        Velmora::Buzzer::GetInstance().Off(true);
        Sim::Console::Install();
    }

    static World& TheWorld() { return World::Get(); }

    // Plays the script to its end and a little beyond (so that the release is seen).
    static void Play(const std::vector<Finger>& steps)
    {
        m_script = Script();
        m_script.steps = steps;
        TheWorld().SetHandler(TIM7_IRQn, ScriptedTouchHandler);
        ASSERT_TRUE(TheWorld().RunUntil([] { return m_script.done; }, TheWorld().Milliseconds(500)));
        TheWorld().RunFor(TheWorld().Milliseconds(20));
    }

    static std::vector<Finger> Hold(Finger at, int pairs) { return std::vector<Finger>(static_cast<size_t>(pairs), at); }

    // Records what the facade reports.
    struct Reports
    {
        std::vector<Point> touches;
        std::vector<Point> releases;
    };
    static void Listen(Reports& reports)
    {
        Velmora::Touch& touch = Velmora::Touch::GetInstance();
        touch.SetOnTouch([&reports](Point p) { reports.touches.push_back(p); });
        touch.SetOnRelease([&reports](Point p) { reports.releases.push_back(p); });
    }

    // A press reports the driver's raw pair (x, 4096 - y) unchanged.
    static void ExpectRawReport()
    {
        Reports reports;
        Listen(reports);
        Play(Hold({300, 200}, 8));
        double rawX, rawY;
        Sim::TouchScreen::RawAt(300, 200, rawX, rawY);
        ASSERT_EQ(reports.touches.size(), 1u);
        EXPECT_NEAR(reports.touches[0].x, rawX, 1.0);
        EXPECT_NEAR(reports.touches[0].y, rawY, 1.0);
    }

    static void SetCalibrationDivisor(float divisor)
    {
        uint8_t bytes[4];
        std::memcpy(bytes, &divisor, 4);
        TheWorld().SetEepromContents(32, {bytes[0], bytes[1], bytes[2], bytes[3]});
    }
};

} // namespace

TEST_F(TouchTest, APressOfEightPairsIsOneTouchAndOneReleaseSevenPairsAreNothing)
{
    Reports reports;
    Listen(reports);
    Play(Hold({400, 240}, 7));
    EXPECT_TRUE(reports.touches.empty());
    EXPECT_TRUE(reports.releases.empty());

    Play(Hold({400, 240}, 8));
    ASSERT_EQ(reports.touches.size(), 1u);
    ASSERT_EQ(reports.releases.size(), 1u);
    EXPECT_NEAR(reports.touches[0].x, 400, 1.5);
    EXPECT_NEAR(reports.touches[0].y, 240, 1.5);
    EXPECT_NEAR(reports.releases[0].x, 400, 1.5);

    // A long press is still one touch (later points are not reported) and one release.
    Play(Hold({100, 50}, 30));
    EXPECT_EQ(reports.touches.size(), 2u);
    EXPECT_EQ(reports.releases.size(), 2u);
}

TEST_F(TouchTest, ReportsThePressedPixelThroughTheDefaultCalibration)
{
    Reports reports;
    Listen(reports);
    const Finger pixels[] = {{0, 0}, {799, 479}, {12, 470}, {790, 8}, {400, 240}, {123, 321}};
    for (const Finger& pixel : pixels)
    {
        Play(Hold(pixel, 10));
        ASSERT_FALSE(reports.touches.empty());
        EXPECT_NEAR(reports.touches.back().x, pixel.x, 1.5) << pixel.x << "," << pixel.y;
        EXPECT_NEAR(reports.touches.back().y, pixel.y, 1.5) << pixel.x << "," << pixel.y;
        EXPECT_NEAR(reports.releases.back().x, pixel.x, 1.5);
        EXPECT_NEAR(reports.releases.back().y, pixel.y, 1.5);
    }
}

TEST_F(TouchTest, ADivisorOfZeroGivesRawReadings)
{
    SetCalibrationDivisor(0.0f);
    ExpectRawReport();
}

TEST_F(TouchTest, AnErasedCalibrationGivesRawReadingsNotNaN)
{
    TheWorld().SetEepromContents(32, std::vector<uint8_t>(28, 0xFF));
    ExpectRawReport();
}

TEST_F(TouchTest, AWildPointIsLeftOutAndAnEvenSplitGivesThePlainMean)
{
    Reports reports;
    Listen(reports);
    std::vector<Finger> steps = Hold({400, 240}, 8);
    steps[3] = {700, 240}; // one pair far off in x
    Play(steps);
    ASSERT_EQ(reports.touches.size(), 1u);
    EXPECT_NEAR(reports.touches[0].x, 400, 1.5) << "the plain mean would be 437.5";

    steps = Hold({400, 240}, 8);
    steps[5] = {400, 400}; // and in y
    Play(steps);
    ASSERT_EQ(reports.touches.size(), 2u);
    EXPECT_NEAR(reports.touches[1].y, 240, 1.5) << "the plain mean would be 260";

    // Four points on each side, each 200 from the mean: nothing qualifies, the plain mean stands.
    steps = Hold({200, 240}, 4);
    const std::vector<Finger> right = Hold({600, 240}, 4);
    steps.insert(steps.end(), right.begin(), right.end());
    Play(steps);
    ASSERT_EQ(reports.touches.size(), 3u);
    EXPECT_NEAR(reports.touches[2].x, 400, 1.5);
}

TEST_F(TouchTest, ATimeoutIsReportedAndSamplingGoesOn)
{
    Reports reports;
    Listen(reports);
    TheWorld().RunFor(TheWorld().Milliseconds(10));
    TheWorld().HoldAdc(1, true);
    TheWorld().RunFor(TheWorld().Milliseconds(30));
    EXPECT_NE(Sim::Console::Text().find("Unhandled Exception: Touch: Timeout\r\n"), std::string::npos)
        << Sim::Console::Text();
    TheWorld().HoldAdc(1, false);
    Sim::Console::Clear();

    Play(Hold({500, 100}, 8));
    ASSERT_EQ(reports.touches.size(), 1u);
    EXPECT_NEAR(reports.touches[0].x, 500, 1.5);
    EXPECT_EQ(Sim::Console::Text().find("Timeout"), std::string::npos);
}

TEST_F(TouchTest, MeasurementsComeAboutEveryTwoMillisecondsOneAxisEach)
{
    Velmora::Touch::GetInstance();
    TheWorld().board().EnableEventLog(true);
    TheWorld().RunFor(TheWorld().Milliseconds(100));
    int entries = 0;
    for (const std::string& line : TheWorld().board().EventLog())
        if (line.find("TIM7") != std::string::npos && line.find("enter") != std::string::npos)
            ++entries;
    // 2 ms of running timer plus the handler's own run time: a little under 50 in 100 ms.
    EXPECT_GE(entries, 40);
    EXPECT_LE(entries, 51);
}

TEST_F(TouchTest, TheInterruptMaskHoldsTheTouchInterruptOff)
{
    Reports reports;
    Listen(reports);
    TheWorld().TouchPress(200, 200);
    {
        Driver::Touch::InterruptMask mask;
        TheWorld().RunFor(TheWorld().Milliseconds(50));
        EXPECT_TRUE(reports.touches.empty());
    }
    TheWorld().RunFor(TheWorld().Milliseconds(50));
    EXPECT_EQ(reports.touches.size(), 1u);
    // Swapping a callback while touches come in keeps the interrupt working.
    Velmora::Touch::GetInstance().SetOnTouch(nullptr);
    TheWorld().TouchRelease();
    TheWorld().RunFor(TheWorld().Milliseconds(20));
    EXPECT_EQ(reports.releases.size(), 1u);
}

TEST_F(TouchTest, HandlersRunInOrderTwiceWhenAddedTwiceAndRemovalRemovesEveryEntry)
{
    Velmora::TouchEvent& events = Velmora::TouchEvent::GetInstance();
    std::string calls;
    const std::function<void(Point)> first = [&calls](Point) { calls += "1"; };
    const std::function<void(Point)> second = [&calls](Point) { calls += "2"; };
    const std::function<void(Point)> released = [&calls](Point) { calls += "r"; };
    events.AddOnTouch(first);
    events.AddOnTouch(second);
    events.AddOnTouch(first);
    events.AddOnRelease(released);
    Play(Hold({400, 240}, 8));
    EXPECT_EQ(calls, "121r");

    calls.clear();
    events.RemoveOnTouch(first);
    events.RemoveOnTouch(released); // not in the touch list: nothing happens
    Play(Hold({400, 240}, 8));
    EXPECT_EQ(calls, "2r") << "removing from one list leaves the other alone";

    calls.clear();
    events.RemoveOnRelease(released);
    events.RemoveOnTouch(second);
    Play(Hold({400, 240}, 8));
    EXPECT_EQ(calls, "");
}

TEST_F(TouchTest, TheBuzzerSoundsFromTouchToReleaseAtAboutOneKilohertz)
{
    Velmora::TouchEvent& events = Velmora::TouchEvent::GetInstance();
    Sim::Tick touchedAt = 0, releasedAt = 0;
    const std::function<void(Point)> touched = [&touchedAt](Point) { touchedAt = World::Get().Now(); };
    const std::function<void(Point)> released = [&releasedAt](Point) { releasedAt = World::Get().Now(); };
    events.AddOnTouch(touched);
    events.AddOnRelease(released);
    EXPECT_FALSE(TheWorld().BuzzerSounding());

    Play(Hold({400, 240}, 7));
    EXPECT_TRUE(TheWorld().BuzzerIntervals().empty()) << "a press too short to report is silent";

    Play(Hold({400, 240}, 20));
    EXPECT_FALSE(TheWorld().BuzzerSounding());
    const std::vector<Sim::Buzzer::Interval>& intervals = TheWorld().BuzzerIntervals();
    ASSERT_EQ(intervals.size(), 1u);
    EXPECT_NEAR(intervals[0].frequencyHz, 999.5, 0.5);
    // On just before the touch handlers, off just after the release handlers.
    EXPECT_LE(intervals[0].start, touchedAt);
    EXPECT_LT(touchedAt - intervals[0].start, TheWorld().Microseconds(20));
    EXPECT_GE(intervals[0].end, releasedAt);
    EXPECT_LT(intervals[0].end - releasedAt, TheWorld().Microseconds(20));
    // Twelve more pairs after the eighth at 4 ms and more each.
    EXPECT_GT(intervals[0].end - intervals[0].start, TheWorld().Milliseconds(48));

    events.RemoveOnTouch(touched);
    events.RemoveOnRelease(released);
}

TEST_F(TouchTest, AFailingHandlerIsReportedAndTheNextPressStillWorks)
{
    Velmora::TouchEvent& events = Velmora::TouchEvent::GetInstance();
    const std::function<void(Point)> empty;
    events.AddOnTouch(empty);
    Play(Hold({400, 240}, 8));
    EXPECT_NE(Sim::Console::Text().find("Unhandled Exception: bad_function_call"), std::string::npos)
        << Sim::Console::Text();
    EXPECT_FALSE(TheWorld().BuzzerSounding()) << "the release dispatch switched it off again";
    events.RemoveOnTouch(empty);
    int count = 0;
    const std::function<void(Point)> counter = [&count](Point) { ++count; };
    events.AddOnTouch(counter);
    Play(Hold({400, 240}, 8));
    EXPECT_EQ(count, 1);
    events.RemoveOnTouch(counter);
}
