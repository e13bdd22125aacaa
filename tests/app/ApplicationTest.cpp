// The whole demo application on the virtual board, used through the touch screen as a person
// would use it, and looked at through the panel.
#include "tests/app/AppBench.h"

#include "drivers/DigitalOutput.h"
#include "drivers/ExDigitalOutput.h"

#include "sim/Console.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace __gnu_cxx
{
void __verbose_terminate_handler();
}

namespace
{

using AppBench::LayerCount;
using AppBench::Rect;
using AppBench::Script;
using Sim::World;

// Foreground layers of each page: the main page's clock layer and three buttons; the digital
// pages' back button and 36 lamps or buttons; the analog page's back button and two layers per gauge.
const size_t mainPageLayers = 4;
const size_t digitalPageLayers = 37;
const size_t analogPageLayers = 9;

// Where to touch.
const double digitalInputsX = 155, digitalOutputsX = 400, analogInputsX = 645, selectY = 382;
const double backX = 750, backY = 442;

double GridX(int i)
{
    return 44 + 88 * (i % 9);
}
double GridY(int i)
{
    return 108 + 88 * (i / 9);
}

void SetClock(int year, int month, int day, int hours, int minutes, int seconds)
{
    Sim::CalendarTime time;
    time.year = year;
    time.month = month;
    time.day = day;
    time.hours = hours;
    time.minutes = minutes;
    time.seconds = seconds;
    World::Get().SetClockTime(time);
}

// Until the page with that many layers is up and drawn.
void ExpectPage(Script& script, size_t layers)
{
    script.Until([layers] { return LayerCount() == layers; }).Settle().Do([layers] {
        EXPECT_EQ(layers, LayerCount());
    });
}

TEST(ApplicationTest, EachPageIsReachedByTouchAndLeftByItsBackButton)
{
    Script script;
    script.Do([] { SetClock(2014, 10, 14, 13, 5, 20); });
    ExpectPage(script, mainPageLayers);
    // The same page twice in a row builds it anew each time, with the main page in between.
    for (double x : {digitalInputsX, digitalInputsX, digitalOutputsX, analogInputsX})
    {
        script.Tap(x, selectY);
        if (x == analogInputsX)
            // The analog page redraws every frame and never settles.
            script.Until([] { return LayerCount() == analogPageLayers; }).Wait(100);
        else
            ExpectPage(script, digitalPageLayers);
        script.Tap(backX, backY);
        ExpectPage(script, mainPageLayers);
    }
    EXPECT_TRUE(script.Run(60));
}

TEST(ApplicationTest, AClickIsATouchThatStartsOnTheButtonWhereverItEnds)
{
    Script script;
    script.Do([] { SetClock(2014, 10, 14, 13, 5, 20); });
    ExpectPage(script, mainPageLayers);
    // Starting beside the button and sliding onto it does nothing.
    script.Drag(400, 200, digitalInputsX, selectY).Wait(200);
    script.Do([] { EXPECT_EQ(mainPageLayers, LayerCount()); });
    // Starting on it and sliding off still clicks.
    script.Drag(digitalInputsX, selectY, 400, 200);
    ExpectPage(script, digitalPageLayers);
    script.Drag(400, 200, backX, backY).Wait(200);
    script.Do([] { EXPECT_EQ(digitalPageLayers, LayerCount()); });
    script.Drag(backX, backY, 400, 200);
    ExpectPage(script, mainPageLayers);
    EXPECT_TRUE(script.Run(30));
}

TEST(ApplicationTest, MainPageShowsTheClockTheDateTheVersionsAndAPressedButton)
{
    Script script;
    script.Do([] { SetClock(2014, 10, 14, 13, 5, 20); });
    ExpectPage(script, mainPageLayers);
    script.Do([] { AppBench::ExpectPanelMatches("main_page"); });
    // Held down: the pressed look until the finger lifts.
    script.Do([] { World::Get().TouchPress(digitalOutputsX, selectY); }).Wait(60).Settle();
    script.Do([] { AppBench::ExpectPanelMatches("main_page_pressed"); });
    script.Do([] { World::Get().TouchRelease(); });
    ExpectPage(script, digitalPageLayers);
    EXPECT_TRUE(script.Run(30));
}

TEST(ApplicationTest, ClockRedrawsOnlyWhatChanged)
{
    // Panel pixels of the clock layer's parts (inclusive).
    const Rect colon{370, 50, 429, 324};
    const Rect digits{70, 50, 729, 324};
    const Rect date{70, 0, 729, 49};
    auto within = [](const Rect& outer, const Rect& inner) {
        return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
               inner.bottom <= outer.bottom;
    };
    auto clearLog = [] { AppBench::Panel().ClearCommandLog(); };
    // Waits for the next update, then checks what reached the panel.
    auto sent = std::make_shared<std::vector<Rect>>();
    auto nextUpdate = [sent](Script& script) {
        script.Until([sent] {
            *sent = AppBench::SentRects();
            return !sent->empty() && !Driver::LCD::GetInstance().HasChanges();
        });
    };

    Script script;
    script.Do([] { SetClock(2014, 10, 14, 13, 5, 20); });
    ExpectPage(script, mainPageLayers);
    // A new second alone: only the colon.
    script.Do([] { SetClock(2014, 10, 14, 13, 5, 20); }).Settle().Do(clearLog);
    nextUpdate(script);
    script.Do([=] {
        const Rect b = AppBench::Bounds(*sent);
        EXPECT_TRUE(within(colon, b)) << b.left << "," << b.top << " " << b.right << "," << b.bottom;
    });
    // A new minute: hours and minutes, not the date.
    script.Do([] { SetClock(2014, 10, 14, 13, 5, 59); }).Wait(20).Settle().Do(clearLog);
    nextUpdate(script);
    script.Do([=] {
        const Rect b = AppBench::Bounds(*sent);
        EXPECT_TRUE(within(digits, b)) << b.left << "," << b.top << " " << b.right << "," << b.bottom;
        EXPECT_GT(b.right - b.left, 600); // both numbers were redrawn
    });
    // A new day: the date line too.
    script.Do([] { SetClock(2014, 10, 14, 23, 59, 59); }).Wait(20).Settle().Do(clearLog);
    nextUpdate(script);
    script.Do([=] {
        const Rect b = AppBench::Bounds(*sent);
        EXPECT_TRUE(within(Rect{70, 0, 729, 324}, b)) << b.left << "," << b.top << " " << b.right << "," << b.bottom;
        EXPECT_LE(b.top, date.bottom);
    });
    script.Settle().Do([] { AppBench::ExpectPanelMatches("main_page_midnight"); });
    EXPECT_TRUE(script.Run(30));
}

TEST(ApplicationTest, TheFirstClockPassDrawsEverythingEvenAtMidnightOnNewYearsDay)
{
    Script script;
    script.Do([] { SetClock(2015, 1, 1, 0, 0, 0); });
    ExpectPage(script, mainPageLayers);
    script.Do([] { AppBench::ExpectPanelMatches("main_page_new_year"); });
    EXPECT_TRUE(script.Run(30));
}

TEST(ApplicationTest, DigitalInputsPageShowsDirectAndExpandedInputs)
{
    Script script;
    script.Do([] {
        World& world = World::Get();
        // Direct inputs 0 and 3 high, 1 and 2 low; expanded inputs 0, 5, 16 and 31 high.
        world.DrivePin(5, 8, true);
        world.DrivePin(5, 9, false);
        world.DrivePin(1, 0, false);
        world.DrivePin(1, 1, true);
        for (int i = 0; i < 32; ++i)
            world.DriveExInput(i, i == 0 || i == 5 || i == 16 || i == 31);
    });
    ExpectPage(script, mainPageLayers);
    script.Tap(digitalInputsX, selectY);
    ExpectPage(script, digitalPageLayers);
    script.Do([] { AppBench::ExpectPanelMatches("digital_inputs"); });
    // A change while the page is shown redraws its lamp (expanded input 5 is number 9).
    script.Do([] { World::Get().DriveExInput(5, false); }).Wait(100).Settle();
    script.Do([] { AppBench::ExpectPanelMatches("digital_inputs_changed"); });
    EXPECT_TRUE(script.Run(30));
}

TEST(ApplicationTest, OutputButtonsSwitchDirectAndExpandedOutputs)
{
    Script script;
    bool direct = false, expanded = false;
    script.Do([&] {
        direct = Velmora::digitalOutputs[3].IsOn();
        expanded = World::Get().ExOutputLevel(0);
    });
    ExpectPage(script, mainPageLayers);
    script.Tap(digitalOutputsX, selectY);
    ExpectPage(script, digitalPageLayers);
    script.Tap(GridX(3), GridY(3)).Tap(GridX(4), GridY(4)).Settle();
    script.Do([&] {
        EXPECT_NE(direct, Velmora::digitalOutputs[3].IsOn());
        EXPECT_NE(direct, World::Get().PinLevel(6, 14)); // output 3 is PG14
        EXPECT_NE(expanded, World::Get().ExOutputLevel(0));
        EXPECT_EQ(Velmora::digitalOutputs[2].IsOn(), World::Get().PinLevel(6, 13));
        AppBench::ExpectPanelMatches("digital_outputs");
    });
    EXPECT_TRUE(script.Run(30));
}

// The chart draws one column per frame shown and wraps after 230. New levels shortly before the
// wrap show on both sides of it: at the chart's right end and again from its left edge up to the
// cursor, with the first sweep's levels still between.
TEST(ApplicationTest, AnalogChartsSweepAndWrap)
{
    auto setLevels = [](double a, double b, double c, double d) {
        // Full scale is 3.3 V at the pin; the page shows 5 V for it.
        const double volts[] = {a, b, c, d};
        for (int i = 0; i < 4; ++i)
            World::Get().SetAnalogInputVoltage(i, volts[i]);
    };
    auto shown = std::make_shared<uint64_t>(0);
    auto untilFrame = [shown](uint64_t frames) {
        return [shown, frames] { return AppBench::Panel().GetFrameCount() >= *shown + frames; };
    };
    Script script;
    script.Do([=] { setLevels(0.0, 1.1, 2.2, 3.3); });
    ExpectPage(script, mainPageLayers);
    script.Tap(analogInputsX, selectY);
    script.Until([] { return LayerCount() == analogPageLayers; }).Do([shown] {
        *shown = AppBench::Panel().GetFrameCount();
    });
    script.Until(untilFrame(200)).Do([=] { setLevels(3.3, 0.5, 1.65, 0.0); });
    script.Until(untilFrame(290)).Do([] { AppBench::ExpectPanelMatches("analog_inputs"); });
    EXPECT_TRUE(script.Run(30));
}

TEST(ApplicationTest, AnExceptionWhileAPageLivesDestroysItAndReachesTheHandler)
{
    Sim::Console::Clear();
    Script script;
    script.Do([] { SetClock(2014, 10, 14, 13, 5, 20); });
    ExpectPage(script, mainPageLayers);
    // The clock chip stops answering: reading it throws out of the main page.
    script.Do([] { World::Get().I2cBusOf(1).SetAbsent(0x68, true); }).Wait(1000);
    try
    {
        script.Run(10);
        ADD_FAILURE() << "the failure did not leave the application";
    }
    catch (const std::runtime_error& error)
    {
        EXPECT_STREQ("I2C: Timeout", error.what());
        // The page is gone: no layers, and its buttons no longer listen (a touch on one must
        // not reach a destroyed button).
        EXPECT_EQ(0u, LayerCount());
        World::Get().TouchPress(digitalInputsX, selectY);
        World::Get().RunFor(World::Milliseconds(60));
        World::Get().TouchRelease();
        World::Get().RunFor(World::Milliseconds(60));
        __gnu_cxx::__verbose_terminate_handler();
    }
    EXPECT_NE(std::string::npos, Sim::Console::Text().find("Unhandled Exception: I2C: Timeout"));
}

} // namespace
