// Scenario files: what is refused before a run (with the line), and what the steps do to the
// board and find on it, run beside a firmware stand-in that only idles.
#include "sim/Screenshot.h"
#include "sim/Console.h"
#include "sim/World.h"
#include "sim/devices/SSD1963.h"
#include "sim/frontend/Scenario.h"
#include "sim/frontend/ScenarioRunner.h"
#include "tests/sim/TempFolder.h"
#include "usb/Driver/VCP.h"

#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

extern "C" int _write(int fd, const char* buffer, int count);

namespace
{

std::string Refusal(const std::string& text)
{
    try
    {
        Sim::ParseScenario(text, "s.yaml");
    }
    catch (const Sim::ScenarioError& e)
    {
        return e.what();
    }
    return "accepted";
}

TEST(ScenarioTest, MistakesAreRefusedWithTheirLine)
{
    EXPECT_EQ(Refusal("- wait: 1s\n- tapp: {at: [1, 2]}\n").rfind("s.yaml:2: unknown step \"tapp\"", 0), 0u);
    EXPECT_EQ(Refusal("- wait: 1s\n\n- tap: {at: [800, 2]}\n"),
              "s.yaml:3: tap at [800, 2] is off the panel (x 0 to 799, y 0 to 479)");
    EXPECT_EQ(Refusal("- touch: [10, -1]\n").rfind("s.yaml:1: touch [10, -1] is off the panel", 0), 0u);
    EXPECT_EQ(Refusal("- wait: 1.5 seconds\n").rfind("s.yaml:1: wait \"1.5 seconds\" is not a duration", 0), 0u);
    EXPECT_EQ(Refusal("- wait: -1s\n").rfind("s.yaml:1: wait \"-1s\" is not a duration", 0), 0u);
    EXPECT_EQ(Refusal("- wait: 2\n").rfind("s.yaml:1: wait \"2\" is not a duration", 0), 0u);
    EXPECT_EQ(Refusal("- set-clock: \"2026-02-29 10:00:00\"\n").rfind("s.yaml:1: set-clock", 0), 0u);
    EXPECT_EQ(Refusal("- set-clock: \"2026-12-08 24:00:00\"\n").rfind("s.yaml:1: set-clock", 0), 0u);
    EXPECT_EQ(Refusal("- set-input: {channel: 36, level: high}\n").rfind("s.yaml:1: set-input channel", 0), 0u);
    EXPECT_EQ(Refusal("- set-input: {channel: 1, level: on}\n").rfind("s.yaml:1: set-input level must be high", 0),
              0u);
    EXPECT_EQ(Refusal("- set-input: {channel: 1}\n"), "s.yaml:1: set-input needs \"level\"");
    EXPECT_EQ(Refusal("- set-voltage: {channel: 0, volts: 5.5}\n"),
              "s.yaml:1: set-voltage volts must be from 0 to 5");
    EXPECT_EQ(Refusal("- tap: {at: [1, 2], hlod: 1s}\n"), "s.yaml:1: tap has no field \"hlod\"");
    EXPECT_EQ(Refusal("- screenshot: ../x.png\n").rfind("s.yaml:1: screenshot must be a plain file name", 0), 0u);
    EXPECT_EQ(Refusal("steps:\n  - wait: 1s\n  - wait: [1s\n").rfind("s.yaml:", 0), 0u);
    EXPECT_EQ(Refusal("name: x\nsteep: []\n").rfind("s.yaml:2: a scenario has", 0), 0u);
    EXPECT_EQ(Refusal("- wait: 1s\n  release: {}\n").rfind("s.yaml:1: a step is one", 0), 0u);

    const Sim::Scenario scenario = Sim::ParseScenario(
        "clock: \"2024-02-29 23:59:58\"\nsteps:\n  - wait: 250us\n  - tap: {at: [799, 479], hold: 1.5s}\n"
        "  - random-taps: {duration: 10min, seed: 3}\n",
        "s.yaml");
    ASSERT_EQ(scenario.steps.size(), 3u);
    EXPECT_TRUE(scenario.clockGiven);
    EXPECT_EQ(scenario.clock.day, 29);
    EXPECT_EQ(scenario.steps[0].duration, 250 * Sim::ticksPerMicrosecond);
    EXPECT_EQ(scenario.steps[1].line, 4);
    EXPECT_EQ(scenario.steps[1].hold, 3 * Sim::ticksPerSecond / 2);
    EXPECT_EQ(scenario.steps[2].duration, 600 * Sim::ticksPerSecond);
}

struct Outcome
{
    bool done = false;
    int status = -1;
};

Outcome RunText(const std::string& text, const std::string& dir, Sim::Tick limit, std::string* failure = nullptr)
{
    Sim::World& world = Sim::World::Get();
    Outcome run;
    Sim::ScenarioRunner runner(world, Sim::ParseScenario(text, dir + "/s.yaml"), dir, [&](int status) {
        run.done = true;
        run.status = status;
    });
    runner.Start();
    world.RunUntil([&] { return run.done; }, limit);
    if (failure)
        *failure = runner.Failure();
    return run;
}

TEST(ScenarioTest, StepsActOnTheBoardInVirtualTime)
{
    Sim::World& world = Sim::World::Get();
    const TempFolder folder("scenario-test");
    const std::string& dir = folder.Path();
    const Sim::Tick start = world.Now();
    const Outcome run = RunText("- set-input: {channel: 2, level: high}\n- set-input: {channel: 5, level: high}\n"
                            "- wait: 20ms\n- set-clock: \"2030-06-01 08:00:00\"\n- wait: 1s\n"
                            "- expect-input: {channel: 2, level: high}\n- expect-input: {channel: 5, level: high}\n"
                            "- expect-input: {channel: 4, level: low}\n- screenshot: a.png\n",
                            dir, 5 * Sim::ticksPerSecond);
    ASSERT_TRUE(run.done);
    EXPECT_EQ(run.status, 0);
    EXPECT_GE(world.Now() - start, Sim::ticksPerSecond + 20 * Sim::ticksPerMillisecond);
    EXPECT_LT(world.Now() - start, Sim::ticksPerSecond + 25 * Sim::ticksPerMillisecond);
    EXPECT_TRUE(world.PinLevel(1, 0)); // direct input 2 is PB0
    EXPECT_TRUE(world.ExInputLevel(1));
    const Sim::CalendarTime clock = world.ClockTime();
    EXPECT_EQ(clock.year, 2030);
    EXPECT_EQ(clock.hours, 8);
    EXPECT_EQ(clock.seconds, 1);
    EXPECT_EQ(Sim::ReadPng(dir + "/a.png"), Sim::TakeScreenshot(world.board().ssd1963()));

    // A scenario without steps holds at once (its runner's watch has no step to blame).
    const Outcome empty = RunText("steps: []\n", dir, Sim::ticksPerSecond);
    ASSERT_TRUE(empty.done);
    EXPECT_EQ(empty.status, 0);
}

TEST(ScenarioTest, AFailedExpectationStopsTheRunWithItsLine)
{
    const TempFolder folder("scenario-test");
    const std::string& dir = folder.Path();
    std::string failure;
    Outcome run = RunText("- set-input: {channel: 0, level: low}\n- expect-input: {channel: 0, level: high}\n"
                      "- wait: 10min\n",
                      dir, Sim::ticksPerSecond, &failure);
    ASSERT_TRUE(run.done);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(failure, "line 2: expect-input: input 0 is low, expected high");

    run = RunText("- expect-output: {channel: 7, on: true}\n", dir, Sim::ticksPerSecond, &failure);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(failure, "line 1: expect-output: output 7 is off, expected on");

    // A golden picture that differs by one pixel: named, counted, and the panel's picture kept.
    Sim::Image golden = Sim::TakeScreenshot(Sim::World::Get().board().ssd1963());
    golden.rgb[3 * (800 * 2 + 5)] ^= 0x80;
    Sim::WritePng(golden, dir + "/golden.png");
    run = RunText("- wait: 1ms\n- expect-screenshot: {file: golden.png}\n", dir, Sim::ticksPerSecond, &failure);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(failure.rfind("line 2: expect-screenshot: the panel differs from golden.png in 1 pixels, the first at "
                            "(5, 2)",
                            0),
              0u)
        << failure;
    EXPECT_NO_THROW(Sim::ReadPng(dir + "/actual-2.png"));

    run = RunText("- expect-screenshot: {file: missing.png}\n", dir, Sim::ticksPerSecond, &failure);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(failure.rfind("line 1: expect-screenshot: ", 0), 0u);
}

TEST(ScenarioTest, ConsoleStepsTypeOnTheUsbTerminalAndWaitForTheAnswer)
{
    EXPECT_EQ(Refusal("- wait: 1s\n- usb: {plugged: maybe}\n"), "s.yaml:2: usb plugged must be true or false, not \"maybe\"");
    EXPECT_EQ(Refusal("- console-send: \"\"\n"), "s.yaml:1: console-send needs some text");
    EXPECT_EQ(Refusal("- expect-console: {txt: a}\n"), "s.yaml:1: expect-console has no field \"txt\"");
    EXPECT_EQ(Refusal("- expect-console: {text: a, within: soon}\n").rfind("s.yaml:1: expect-console within", 0), 0u);

    // The firmware's USB console, with what it prints going out through its system call.
    Sim::Console::SetSystemCall(_write);
    SystemInit();
    VCPInit();
    Sim::World& world = Sim::World::Get();
    const TempFolder folder("scenario-test");
    const std::string& dir = folder.Path();
    std::string failure;
    Outcome run = RunText("- console-send: \"date_and_time 2015 2 30 1 2 3\\n\"\n"
                          "- expect-console: {text: \"date_and_time rejected\", within: 2s}\n",
                          dir, 3 * Sim::ticksPerSecond, &failure);
    ASSERT_TRUE(run.done);
    EXPECT_EQ(run.status, 0) << failure;
    EXPECT_TRUE(world.Usb().Configured());
    ASSERT_TRUE(world.RunUntil([&world] { return world.Usb().Received().find("\r\n") != std::string::npos; },
                               50 * Sim::ticksPerMillisecond));
    EXPECT_EQ("date_and_time rejected: Not a valid value for the day of the month\r\n", world.Usb().Received());

    run = RunText("- usb: {plugged: false}\n- expect-console: {text: \"never printed\", within: 100ms}\n", dir,
                  Sim::ticksPerSecond, &failure);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(failure, "line 2: expect-console: the console has not printed \"never printed\" within the time allowed");
    EXPECT_FALSE(world.Usb().Plugged());
    EXPECT_FALSE(VCPIsConnected());
}

TEST(ScenarioTest, TapsPressAndReleaseTheTouchScreenAndRandomTapsRepeat)
{
    Sim::World& world = Sim::World::Get();
    const TempFolder folder("scenario-test");
    const std::string& dir = folder.Path();
    const Sim::Tick start = world.Now();
    const Outcome run = RunText("- tap: {at: [100, 200], hold: 300ms}\n- random-taps: {duration: 5s, seed: 1}\n"
                            "- release: {}\n",
                            dir, 20 * Sim::ticksPerSecond);
    ASSERT_TRUE(run.done);
    EXPECT_EQ(run.status, 0);
    EXPECT_GE(world.Now() - start, 5 * Sim::ticksPerSecond + 300 * Sim::ticksPerMillisecond);
}

} // namespace
