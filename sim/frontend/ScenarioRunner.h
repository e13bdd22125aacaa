// Runs a scenario's steps on the virtual board as scheduled events in virtual time, beside the
// firmware: it never calls into the firmware, it only acts on the board's devices and reads them.
#pragma once

#include "sim/frontend/Scenario.h"

#include <functional>
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

class ScenarioRunner
{
public:
    // Screenshots go to `screenshotDir`; relative golden files and card images are found next to
    // the scenario file. `finished` is called (from inside the run) with 0 when every step held,
    // 1 when one did not.
    ScenarioRunner(World& world, Scenario scenario, std::string screenshotDir,
                   std::function<void(int status)> finished);

    // Schedules the first step at the current virtual time.
    void Start();

    bool Finished() const { return m_finished; }
    int Status() const { return m_status; }
    // What went wrong, "line N: ..." (empty when every step held).
    const std::string& Failure() const { return m_failure; }
    // The screenshots written so far.
    const std::vector<std::string>& Written() const { return m_written; }

private:
    void RunStep();
    void Next(Tick delay);
    void Fail(const Step& step, const std::string& what);
    void Finish(int status);
    std::string Beside(const std::string& file) const;
    void RandomAction();
    void WaitForConsole(const Step& step);

    World& m_world;
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
};

} // namespace Sim
