// velmora-sim: the demo firmware on the virtual board, driven by a scenario file (headless) or by
// a person at a window.
//
// The firmware is the demo's firmware image (velmora_firmware, next to this program), loaded only
// after the command line has been read and the board prepared: a bad scenario is refused before
// any of the firmware runs, a kept EEPROM image is in place before the touch driver reads its
// calibration from it, and a reset request maps a fresh copy (fresh statics, as from power-on).
#include "sim/Console.h"
#include "sim/Firmware.h"
#include "sim/World.h"
#include "sim/devices/SSD1963.h"
#include "sim/frontend/ConsolePty.h"
#include "sim/frontend/Options.h"
#include "sim/frontend/ScenarioRunner.h"
#include "sim/frontend/Window.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace
{

// The firmware image lies beside this program.
std::string FirmwareImagePath()
{
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string directory = ".";
    if (length > 0)
    {
        directory.assign(self, static_cast<size_t>(length));
        directory.erase(directory.find_last_of('/'));
    }
    return directory + "/" VELMORA_FIRMWARE_IMAGE_NAME;
}

} // namespace

int main(int argc, char** argv)
{
    Sim::Options options;
    std::string error;
    const int status = Sim::ParseOptions(argc, argv, options, error);
    if (status >= 0)
    {
        Sim::Say(error);
        return status;
    }
    Sim::World& world = Sim::World::Get();
    if (!Sim::PrepareBoard(world, options, error))
    {
        Sim::Say("velmora-sim: " + error + "\n");
        return 2;
    }
    // A front-end keeps going after a register access no model implements, as the chip would.
    world.board().SetStrict(false);
    // The terminal on the USB console is there before the board boots, as a person's would be.
    std::unique_ptr<Sim::ConsolePty> pty;
    if (options.consolePty)
    {
        pty = std::make_unique<Sim::ConsolePty>(world);
        if (!pty->Open(error))
        {
            Sim::Say("velmora-sim: " + error + "\n");
            return 2;
        }
        Sim::Say("velmora-sim: USB console on " + pty->Path() + "\n");
        pty->Start();
    }
    // Nothing here reads the panel's command log; a long run would only fill memory with it.
    world.board().ssd1963().SetCommandLogging(false);
    // The firmware boots (its start-up and static constructors) as it is loaded.
    Sim::FirmwareImage firmware(FirmwareImagePath());
    try
    {
        firmware.Load();
    }
    catch (const std::runtime_error& failure)
    {
        Sim::Say(std::string("velmora-sim: ") + failure.what() + "\n");
        return 2;
    }
    std::unique_ptr<Sim::ScenarioRunner> runner;
    if (options.scenario.path.size() != 0)
    {
        runner = std::make_unique<Sim::ScenarioRunner>(world, options.scenario, options.screenshotDir, [&](int status) {
            std::string report;
            if (!runner->Written().empty())
                report += "velmora-sim: " + std::to_string(runner->Written().size()) + " screenshots in " +
                          options.screenshotDir + "\n";
            if (options.headless)
                report += "velmora-sim: console transcript in " + options.screenshotDir + "/console.txt\n";
            Sim::Say(report);
            Sim::EndRun(world, options, status, runner->Failure());
        });
        runner->Start();
    }
    if (!options.headless)
        Sim::StartWindow(world, options, runner.get());
    firmware.Run();
    // The firmware never returns on the board; if it does, the board idles on.
    for (;;)
        world.RunFor(Sim::World::Milliseconds(100));
}
