// Runs a scenario's steps on the virtual board as scheduled events in virtual time, beside the
// firmware: it never calls into the firmware, it only acts on the board's devices and reads them.
#pragma once

#include "sim/frontend/Scenario.h"

#include <functional>
#include <memory>
#include <random>
#include <string>

namespace Sim
{

class World;

// The board's digital channels in the application's numbering (0 to 3 direct pins, 4 and up the
// expanders), as a switch wired to an input or a lamp on an output sees them.
void DriveDigitalInput(World& world, int channel, bool high);
bool DigitalInputLevel(World& world, int channel);
bool DigitalOutputOn(World& world, int channel);
// An analog input's voltage at the board's terminal (0 to 5 V).
void SetAnalogVoltage(World& world, int channel, double volts);
// The firmware's heap in use: bytes in the live blocks of both SRAM banks.
size_t FirmwareHeapInUse();

class ScenarioRunner
{
public:
    // Screenshots go to `screenshotDir`; relative golden files and card images are found next to
    // the scenario file. `finished` is called (from inside the run) with 0 when every step held,
    // 1 when one did not.
    ScenarioRunner(World& world, Scenario scenario, std::string screenshotDir,
                   std::function<void(int status)> finished);
    ~ScenarioRunner() { *m_alive = false; }
    ScenarioRunner(const ScenarioRunner&) = delete;
    ScenarioRunner& operator=(const ScenarioRunner&) = delete;

    // Schedules the first step at the current virtual time.
    void Start();

    bool Finished() const { return m_finished; }
    int Status() const { return m_status; }
    // What went wrong, "line N: ..." (empty when every step held).
    const std::string& Failure() const { return m_failure; }
    // The screenshots written so far.
    const std::vector<std::string>& Written() const { return m_written; }
    // After random taps: how often the main page came back once every page had been seen, with the
    // heap in use at each.
    int MainPageReturns() const { return m_mainPageReturns; }
    size_t HeapInUseOnMainPage() const { return m_heapInUse; }

private:
    void RunStep();
    void Next(Tick delay);
    void Fail(const Step& step, const std::string& what);
    void Finish(int status);
    std::string Beside(const std::string& file) const;
    void RandomAction();
    void WaitForConsole(const Step& step);
    void Watch();

    World& m_world;
    // The watch goes on while the run does; a runner that is gone (a test's) leaves it idle.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    Scenario m_scenario;
    std::string m_screenshotDir;
    std::function<void(int)> m_onFinished;
    size_t m_next = 0;
    bool m_finished = false;
    int m_status = 0;
    std::string m_failure;
    std::vector<std::string> m_written;
    Tick m_consoleDeadline = 0;
    // random-taps in progress
    Tick m_randomEnd = 0;
    Tick m_randomEvery = 0;
    std::mt19937 m_random;
    // What the soak watches meanwhile: the step, the console text before it, diagnostics of the
    // board, whether the main page was shown at the last look, the I/O pages seen so far (by the
    // last tap before each left the main page), and the heap in use at the first return to the
    // main page once every page has been seen.
    size_t m_soakStep = 0;
    size_t m_consoleBefore = 0;
    std::vector<std::string> m_diagnostics;
    int m_lastTapX = -1;
    int m_lastTapY = -1;
    unsigned m_pagesSeen = 0;
    bool m_onMainPage = false;
    bool m_soaking = false;
    bool m_heapDue = false;
    bool m_heapKnown = false;
    size_t m_heapInUse = 0;
    int m_mainPageReturns = 0;
};

} // namespace Sim
