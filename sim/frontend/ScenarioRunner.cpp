#include "sim/frontend/ScenarioRunner.h"

#include "sim/Console.h"
#include "sim/Memory.h"
#include "sim/Screenshot.h"
#include "sim/World.h"
#include "sim/devices/SSD1963.h"
#include "sim/frontend/Options.h"

#include <cstdio>
#include <cstring>

namespace Sim
{

namespace
{

// Direct inputs 0..3 are PF8, PF9, PB0, PB1; direct outputs 0..3 are PB13, PE2, PG13, PG14.
const int inputPins[directChannelCount][2] = {{5, 8}, {5, 9}, {1, 0}, {1, 1}};
const int outputPins[directChannelCount][2] = {{1, 13}, {4, 2}, {6, 13}, {6, 14}};

// Where the demo's buttons are: the main page's three selection buttons and the I/O pages' back
// button, which move between pages, and the 36 output buttons of the outputs page.
const std::vector<std::pair<int, int>> pageButtons = {{155, 382}, {400, 382}, {645, 382}, {750, 442}};
std::vector<std::pair<int, int>> OutputButtons()
{
    std::vector<std::pair<int, int>> targets;
    for (int i = 0; i < digitalChannelCount; ++i)
        targets.emplace_back(44 + 88 * (i % 9), 108 + 88 * (i / 9));
    return targets;
}

// The demo's main page is the one page on a green background: its top-left corner is green, every
// I/O page's is blue, and the blank panel's black.
// The I/O page (as a bit: 1 inputs, 2 outputs, 4 analog) whose selection button holds a point of
// the main page, or 0.
unsigned PageSelectedAt(int x, int y)
{
    if (y < 360 || y >= 405)
        return 0;
    for (unsigned page = 0; page < 3; ++page)
        if (x >= 50 + 245 * static_cast<int>(page) && x < 260 + 245 * static_cast<int>(page))
            return 1u << page;
    return 0;
}
constexpr unsigned everyPage = 7;

bool MainPageShown(World& world)
{
    const uint16_t pixel = world.board().ssd1963().GetPanelImage()[5 * panelWidth + 5];
    const int green = (pixel >> 5) & 0x3F;
    const int blue = pixel & 0x1F;
    return green > 2 * blue + 8;
}

// The main page spends its time reading the clock chip over I2C1, each transaction an atomic call
// made from thread mode (the supervisor call the only exception active); at such an access none of
// its drawing is under way, so none of the drawing's passing allocations is live.
bool FirmwareReadsTheClock(World& world)
{
    const Core& core = world.board().core();
    return core.Depth() == 1 && core.ActiveException() == excSvCall &&
           world.board().LastAccess().rfind("I2C1+", 0) == 0;
}

} // namespace

// Read from the board's memory as a debugger would read it: each bank holds its blocks from its
// first address on, in address order and linked, each behind a 20-byte header (user size,
// previous, next, a free flag, and a check word holding the user area's address).
size_t FirmwareHeapInUse()
{
    struct Bank
    {
        uint32_t base;
        uint32_t end;
    };
    const Bank banks[] = {{0x20000000, 0x20020000}, {0x60000000, 0x60000000 + 4096000}};
    constexpr uint32_t headerSize = 20;
    size_t inUse = 0;
    for (const Bank& bank : banks)
    {
        uint32_t address = bank.base;
        while (address >= bank.base && address <= bank.end - headerSize)
        {
            bool dmaReachable = false;
            const uint8_t* header = Memory::At(address, headerSize, dmaReachable);
            if (header == nullptr)
                break;
            uint32_t size = 0, next = 0, check = 0;
            std::memcpy(&size, header, 4);
            std::memcpy(&next, header + 8, 4);
            std::memcpy(&check, header + 16, 4);
            if (check != address + headerSize)
                break; // no block here: the bank is empty
            if (header[12] == 0)
                inUse += size;
            if (next <= address)
                break;
            address = next;
        }
    }
    return inUse;
}

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
    Watch();
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
        m_lastTapX = static_cast<int>(step.x);
        m_lastTapY = static_cast<int>(step.y);
        m_world.TouchPress(step.x, step.y);
        break;
    case Step::Kind::Release:
        m_world.TouchRelease();
        break;
    case Step::Kind::Tap:
    {
        m_lastTapX = static_cast<int>(step.x);
        m_lastTapY = static_cast<int>(step.y);
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
        m_soakStep = m_next;
        m_consoleBefore = Console::Text().size();
        m_diagnostics.clear();
        // What would stop the board in strict mode is collected, shown and fails the step.
        m_world.board().SetDiagnosticSink([this](const std::string& text, bool error) {
            Say(std::string("virtual board: ") + (error ? "error" : "warning") + ": " + text + "\n");
            if (error)
                m_diagnostics.push_back(text);
        });
        m_soaking = true;
        m_mainPageReturns = 0;
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
        m_soaking = false;
        m_world.board().SetDiagnosticSink(nullptr);
        if (m_heapKnown)
            Say("velmora-sim: random taps: the main page came back " + std::to_string(m_mainPageReturns) +
                " times after every page had been shown, with " + std::to_string(m_heapInUse) +
                " bytes of the firmware's heap in use each time\n");
        else
            Say("velmora-sim: random taps: not every page was shown, so the heap was not compared\n");
        RunStep();
        return;
    }
    static const std::vector<std::pair<int, int>> outputButtons = OutputButtons();
    const uint32_t choice = m_random() % 10;
    Tick pause = m_randomEvery;
    if (choice < 7)
    {
        int x = 0;
        int y = 0;
        if (choice < 6)
        {
            // Half of these go to a button that changes the page, so that a run visits every page
            // many times.
            const auto& targets = choice < 3 ? pageButtons : outputButtons;
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
        m_lastTapX = x;
        m_lastTapY = y;
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

// Every millisecond of the run: which pages have been shown (by the tap that left the main page);
// while random taps run, also no firmware exception, no panel protocol error, no diagnostic of
// the board, and the same heap in use at every return to the main page (a page that leaks, even
// a little, shows as growth over many visits). The first visit of a page may leave what is meant
// to last (the text metrics of a font size not drawn before), so the heap is compared from the
// first return after every page has been shown.
void ScenarioRunner::Watch()
{
    if (m_finished)
        return;
    m_world.ScheduleIn(ticksPerMillisecond, [this, alive = m_alive] {
        if (*alive)
            Watch();
    }, "scenario watch");
    const bool onMainPage = MainPageShown(m_world);
    if (!onMainPage && m_onMainPage)
        m_pagesSeen |= PageSelectedAt(m_lastTapX, m_lastTapY);
    if (onMainPage && !m_onMainPage)
        m_heapDue = m_pagesSeen == everyPage;
    m_onMainPage = onMainPage;
    if (m_soaking)
    {
        const Step& step = m_scenario.steps[m_soakStep];
        const std::vector<std::string>& panelErrors = m_world.board().ssd1963().GetProtocolErrors();
        if (!panelErrors.empty())
            return Fail(step, "random-taps: panel protocol error: " + panelErrors.front());
        const std::string& console = Console::Text();
        const size_t exception = console.find("Unhandled Exception", m_consoleBefore);
        if (exception != std::string::npos)
            return Fail(step, "random-taps: the firmware printed \"" +
                                  console.substr(exception, console.find_first_of("\r\n", exception) - exception) +
                                  "\"");
        if (!m_diagnostics.empty())
            return Fail(step, "random-taps: the virtual board reported: " + m_diagnostics.front());
    }
    if (m_heapDue && FirmwareReadsTheClock(m_world))
    {
        m_heapDue = false;
        const size_t inUse = FirmwareHeapInUse();
        // Outside random taps the reference follows the firmware (steps may change what it holds).
        if (!m_heapKnown || !m_soaking)
        {
            m_heapKnown = true;
            m_heapInUse = inUse;
        }
        else
        {
            ++m_mainPageReturns;
            if (inUse != m_heapInUse)
                return Fail(m_scenario.steps[m_soakStep],
                            "random-taps: " + std::to_string(inUse) + " bytes of the firmware's heap in use at " +
                                "return " + std::to_string(m_mainPageReturns) + " to the main page, " +
                                std::to_string(m_heapInUse) + " when every page had been shown");
        }
    }
}

} // namespace Sim
