#include "sim/frontend/ScenarioRunner.h"

#include "sim/Console.h"
#include "sim/Screenshot.h"
#include "sim/World.h"
#include "sim/devices/SSD1963.h"

#include <cstdio>

namespace Sim
{

namespace
{

// Direct inputs 0..3 are PF8, PF9, PB0, PB1; direct outputs 0..3 are PB13, PE2, PG13, PG14.
const int inputPins[directChannelCount][2] = {{5, 8}, {5, 9}, {1, 0}, {1, 1}};
const int outputPins[directChannelCount][2] = {{1, 13}, {4, 2}, {6, 13}, {6, 14}};

// Where the demo's buttons are: the main page's three selection buttons, the I/O pages' back
// button and the 36 output buttons of the outputs page.
std::vector<std::pair<int, int>> Targets()
{
    std::vector<std::pair<int, int>> targets = {{155, 382}, {400, 382}, {645, 382}, {750, 442}, {750, 442}};
    for (int i = 0; i < digitalChannelCount; ++i)
        targets.emplace_back(44 + 88 * (i % 9), 108 + 88 * (i / 9));
    return targets;
}

} // namespace

void DriveDigitalInput(World& world, int channel, bool high)
{
    if (channel < directChannelCount)
        world.DrivePin(inputPins[channel][0], inputPins[channel][1], high);
    else
        world.DriveExInput(channel - directChannelCount, high);
}

bool DigitalInputLevel(World& world, int channel)
{
    if (channel < directChannelCount)
        return world.PinLevel(inputPins[channel][0], inputPins[channel][1]);
    return world.ExInputLevel(channel - directChannelCount);
}

bool DigitalOutputOn(World& world, int channel)
{
    if (channel < directChannelCount)
        return world.PinLevel(outputPins[channel][0], outputPins[channel][1]);
    return world.ExOutputLevel(channel - directChannelCount);
}

void SetAnalogVoltage(World& world, int channel, double volts)
{
    world.SetAnalogInputVoltage(channel, volts * 3.3 / analogFullScaleVolts);
}

ScenarioRunner::ScenarioRunner(World& world, Scenario scenario, std::string screenshotDir,
                               std::function<void(int status)> finished)
    : m_world(world), m_scenario(std::move(scenario)), m_screenshotDir(std::move(screenshotDir)),
      m_onFinished(std::move(finished))
{
}

void ScenarioRunner::Start()
{
    Next(0);
}

void ScenarioRunner::Next(Tick delay)
{
    m_world.ScheduleIn(delay, [this] { RunStep(); }, "scenario step");
}

std::string ScenarioRunner::Beside(const std::string& file) const
{
    if (file.empty() || file[0] == '/')
        return file;
    const size_t slash = m_scenario.path.rfind('/');
    return slash == std::string::npos ? file : m_scenario.path.substr(0, slash + 1) + file;
}

void ScenarioRunner::Fail(const Step& step, const std::string& what)
{
    m_failure = "line " + std::to_string(step.line) + ": " + what;
    Finish(1);
}

void ScenarioRunner::Finish(int status)
{
    if (m_finished)
        return;
    m_finished = true;
    m_status = status;
    if (m_onFinished)
        m_onFinished(status);
}

void ScenarioRunner::RunStep()
{
    if (m_finished)
        return;
    if (m_next >= m_scenario.steps.size())
    {
        Finish(0);
        return;
    }
    const Step& step = m_scenario.steps[m_next];
    switch (step.kind)
    {
    case Step::Kind::Wait:
        ++m_next;
        Next(step.duration);
        return;
    case Step::Kind::Touch:
        m_world.TouchPress(step.x, step.y);
        break;
    case Step::Kind::Release:
        m_world.TouchRelease();
        break;
    case Step::Kind::Tap:
    {
        m_world.TouchPress(step.x, step.y);
        ++m_next;
        m_world.ScheduleIn(step.hold, [this] {
            m_world.TouchRelease();
            RunStep();
        }, "scenario tap release");
        return;
    }
    case Step::Kind::SetInput:
        DriveDigitalInput(m_world, step.channel, step.on);
        break;
    case Step::Kind::SetVoltage:
        SetAnalogVoltage(m_world, step.channel, step.volts);
        break;
    case Step::Kind::SetClock:
        m_world.SetClockTime(step.time);
        break;
    case Step::Kind::ExpectOutput:
    {
        const bool on = DigitalOutputOn(m_world, step.channel);
        if (on != step.on)
            return Fail(step, "expect-output: output " + std::to_string(step.channel) + " is " + (on ? "on" : "off") +
                                  ", expected " + (step.on ? "on" : "off"));
        break;
    }
    case Step::Kind::ExpectInput:
    {
        const bool high = DigitalInputLevel(m_world, step.channel);
        if (high != step.on)
            return Fail(step, "expect-input: input " + std::to_string(step.channel) + " is " +
                                  (high ? "high" : "low") + ", expected " + (step.on ? "high" : "low"));
        break;
    }
    case Step::Kind::ExpectBuzzer:
    {
        const bool sounding = m_world.BuzzerSounding();
        if (sounding != step.on)
            return Fail(step, std::string("expect-buzzer: the buzzer is ") + (sounding ? "on" : "off") +
                                  ", expected " + (step.on ? "on" : "off"));
        break;
    }
    case Step::Kind::Screenshot:
    {
        const std::string path = m_screenshotDir + "/" + step.text;
        try
        {
            WritePng(TakeScreenshot(m_world.board().ssd1963()), path);
        }
        catch (const std::exception& e)
        {
            return Fail(step, std::string("screenshot: ") + e.what());
        }
        m_written.push_back(path);
        break;
    }
    case Step::Kind::ExpectScreenshot:
    {
        const Image actual = TakeScreenshot(m_world.board().ssd1963());
        Image golden;
        try
        {
            golden = ReadPng(Beside(step.text));
        }
        catch (const std::exception& e)
        {
            return Fail(step, std::string("expect-screenshot: ") + e.what());
        }
        if (golden != actual)
        {
            std::string what = "expect-screenshot: the panel differs from " + step.text;
            if (golden.width != actual.width || golden.height != actual.height)
                what += " (" + std::to_string(golden.width) + "x" + std::to_string(golden.height) + " golden, " +
                        std::to_string(actual.width) + "x" + std::to_string(actual.height) + " panel)";
            else
            {
                size_t differing = 0;
                size_t first = actual.rgb.size();
                for (size_t i = 0; i < actual.rgb.size(); i += 3)
                    if (actual.rgb[i] != golden.rgb[i] || actual.rgb[i + 1] != golden.rgb[i + 1] ||
                        actual.rgb[i + 2] != golden.rgb[i + 2])
                    {
                        ++differing;
                        if (first == actual.rgb.size())
                            first = i / 3;
                    }
                what += " in " + std::to_string(differing) + " pixels, the first at (" +
                        std::to_string(first % actual.width) + ", " + std::to_string(first / actual.width) + ")";
            }
            // Keep what the panel showed so that the two pictures can be compared by eye.
            const std::string kept = m_screenshotDir + "/actual-" + std::to_string(step.line) + ".png";
            try
            {
                WritePng(actual, kept);
                what += "; the panel's picture is in " + kept;
            }
            catch (const std::exception&)
            {
            }
            return Fail(step, what);
        }
        break;
    }
    case Step::Kind::ExpectConsole:
        if (Console::Text().find(step.text) != std::string::npos)
            break;
        if (step.duration == 0)
            return Fail(step, "expect-console: the console has not printed \"" + step.text + "\"");
        // Look again every 10 ms until the time allowed has passed.
        m_consoleDeadline = m_world.Now() + step.duration;
        ++m_next;
        WaitForConsole(step);
        return;
    case Step::Kind::ConsoleSend:
    {
        // A terminal on the USB port: the cable goes in and the port is opened if need be.
        UsbHost& host = m_world.Usb();
        host.Plug(true);
        host.OpenPort();
        host.Send(step.text);
        break;
    }
    case Step::Kind::Usb:
        m_world.Usb().Plug(step.on);
        break;
    case Step::Kind::InsertCard:
    {
        std::string error;
        if (!m_world.InsertCard(Beside(step.text), SdCard::Kind::Auto, &error))
            return Fail(step, "insert-card: " + error);
        break;
    }
    case Step::Kind::RemoveCard:
        m_world.RemoveCard();
        break;
    case Step::Kind::RandomTaps:
        m_random.seed(step.seed);
        m_randomEnd = m_world.Now() + step.duration;
        m_randomEvery = step.hold;
        ++m_next;
        RandomAction();
        return;
    }
    ++m_next;
    Next(0);
}

void ScenarioRunner::WaitForConsole(const Step& step)
{
    if (m_finished)
        return;
    if (Console::Text().find(step.text) != std::string::npos)
        return Next(0);
    if (m_world.Now() >= m_consoleDeadline)
        return Fail(step, "expect-console: the console has not printed \"" + step.text + "\" within the time allowed");
    m_world.ScheduleIn(10 * ticksPerMillisecond, [this, step] { WaitForConsole(step); }, "scenario console wait");
}

// One pseudo-random action of a random-taps step, then the next one `every` later; the taps hit
// the demo's buttons most of the time and anywhere on the panel otherwise, and inputs and
// voltages change between them. Only the generator's raw output is used, so a seed gives the same
// run with every standard library.
void ScenarioRunner::RandomAction()
{
    if (m_finished)
        return;
    if (m_world.Now() >= m_randomEnd)
    {
        RunStep();
        return;
    }
    static const std::vector<std::pair<int, int>> targets = Targets();
    const uint32_t choice = m_random() % 10;
    Tick pause = m_randomEvery;
    if (choice < 7)
    {
        int x = 0;
        int y = 0;
        if (choice < 6)
        {
            const auto& target = targets[m_random() % targets.size()];
            x = target.first;
            y = target.second;
        }
        else
        {
            x = static_cast<int>(m_random() % panelWidth);
            y = static_cast<int>(m_random() % panelHeight);
        }
        const Tick hold = (50 + m_random() % 250) * ticksPerMillisecond;
        m_world.TouchPress(x, y);
        m_world.ScheduleIn(hold, [this] { m_world.TouchRelease(); }, "random tap release");
        pause += hold;
    }
    else if (choice < 9)
        DriveDigitalInput(m_world, static_cast<int>(m_random() % digitalChannelCount), (m_random() & 1) != 0);
    else
        SetAnalogVoltage(m_world, static_cast<int>(m_random() % analogChannelCount),
                         static_cast<double>(m_random() % 5001) / 1000.0);
    m_world.ScheduleIn(pause, [this] { RandomAction(); }, "random action");
}

} // namespace Sim
