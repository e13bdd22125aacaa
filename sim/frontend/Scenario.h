// Scenario files: timed steps in virtual time that stand for the world outside the board (a
// finger on the panel, switches on the inputs, voltages, the clock chip's time, cards) and check
// what the board shows (output lamps, panel pictures, console text).
#pragma once

#include "sim/Clock.h"
#include "sim/devices/DS3231.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace Sim
{

// The application's channel numbering: 0 to 3 are the direct channels, 4 to 35 the expanded ones.
constexpr int digitalChannelCount = 36;
constexpr int directChannelCount = 4;
constexpr int analogChannelCount = 4;
// The analog inputs span 0 to 5 V at the board's terminals (the chip's pin sees 3.3 V at full scale).
constexpr double analogFullScaleVolts = 5.0;
constexpr int panelWidth = 800;
constexpr int panelHeight = 480;

struct Step
{
    enum class Kind
    {
        Wait,             // wait: 1.5s
        Touch,            // touch: [x, y] (press, or drag the pressed finger there)
        Release,          // release: {}
        Tap,              // tap: {at: [x, y], hold: 200ms}
        SetInput,         // set-input: {channel: N, level: high|low}
        SetVoltage,       // set-voltage: {channel: N, volts: V}
        SetClock,         // set-clock: "2026-12-08 13:05:00"
        ExpectOutput,     // expect-output: {channel: N, on: true}
        ExpectInput,      // expect-input: {channel: N, level: high|low}
        ExpectBuzzer,     // expect-buzzer: on|off
        Screenshot,       // screenshot: name.png
        ExpectScreenshot, // expect-screenshot: {file: golden.png}
        ExpectConsole,    // expect-console: "text the console has printed" or {text: "...", within: 2s}
        ConsoleSend,      // console-send: "text\n" (a terminal on the USB port types it)
        Usb,              // usb: {plugged: false}
        InsertCard,       // insert-card: {image: card.img}
        RemoveCard,       // remove-card: {}
        RandomTaps,       // random-taps: {duration: 10min, seed: 7, every: 300ms}
    };

    Kind kind = Kind::Wait;
    int line = 0; // 1-based line of the step in its file
    Tick duration = 0;
    Tick hold = 0;
    double x = 0;
    double y = 0;
    int channel = 0;
    bool on = false;
    double volts = 0;
    CalendarTime time;
    std::string text; // file name, console text
    unsigned seed = 0;
};

struct Scenario
{
    std::string path; // where it was read from; relative files are found next to it
    bool clockGiven = false;
    CalendarTime clock; // the clock chip's time at start when given
    std::vector<Step> steps;
};

// A scenario that cannot be run: what() is "FILE:LINE: problem".
class ScenarioError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Reads and checks a whole scenario; throws ScenarioError at the first problem, before anything
// runs. `name` is what errors call the file.
Scenario ParseScenario(const std::string& text, const std::string& name);
Scenario LoadScenario(const std::string& path);

// "1.5s", "200ms", "10min", "250us" -> ticks; false when the text is not such a duration.
bool ParseDuration(const std::string& text, Tick& ticks);
// "2026-12-08 13:05:00" -> a valid calendar time between 2000 and 2099; false otherwise.
bool ParseClockTime(const std::string& text, CalendarTime& time);
std::string FormatClockTime(const CalendarTime& time);

} // namespace Sim
