// velmora-sim: the demo firmware on the virtual board, driven by a scenario file (headless) or by
// a person at a window.
//
// The command line is read by a start-up function that runs after the board exists and before
// the firmware's static constructors, so that a bad scenario is refused before any of the
// firmware runs, and so that a kept EEPROM image is in place before the touch driver reads its
// calibration from it.
#include "sim/Console.h"
#include "sim/Firmware.h"
#include "sim/World.h"
#include "sim/frontend/Options.h"
#include "sim/frontend/ScenarioRunner.h"
#include "sim/frontend/Window.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

int VelmoraApplicationMain();

namespace
{

// Built before the function below reads the command line into it.
Sim::Options m_options __attribute__((init_priority(102)));

// Runs first thing after the board is created (see sim/Host.cpp), before the firmware's static
// constructors. glibc hands the program's arguments to start-up functions.
__attribute__((constructor(103))) void ReadCommandLine(int argc, char** argv, char**)
{
    std::string error;
    const int status = Sim::ParseOptions(argc, argv, m_options, error);
    if (status >= 0)
    {
        Sim::Say(error);
        std::_Exit(status);
    }
    if (!Sim::PrepareBoard(Sim::World::Get(), m_options, error))
    {
        Sim::Say("velmora-sim: " + error + "\n");
        std::_Exit(2);
    }
}

} // namespace

int main()
{
    Sim::World& world = Sim::World::Get();
    // A front-end keeps going after a register access no model implements, as the chip would.
    world.board().SetStrict(false);
    std::unique_ptr<Sim::ScenarioRunner> runner;
    if (m_options.scenario.path.size() != 0)
    {
        runner = std::make_unique<Sim::ScenarioRunner>(world, m_options.scenario, m_options.screenshotDir, [&](int status) {
            std::string report;
            if (!runner->Written().empty())
                report += "velmora-sim: " + std::to_string(runner->Written().size()) + " screenshots in " +
                          m_options.screenshotDir + "\n";
            if (m_options.headless)
                report += "velmora-sim: console transcript in " + m_options.screenshotDir + "/console.txt\n";
            Sim::Say(report);
            Sim::EndRun(world, m_options, status, runner->Failure());
        });
        runner->Start();
    }
    if (!m_options.headless)
        Sim::StartWindow(world, m_options, runner.get());
    Sim::RunFirmware(VelmoraApplicationMain);
    // The firmware never returns on the board; if it does, the board idles on.
    for (;;)
        world.RunFor(Sim::World::Milliseconds(100));
}
