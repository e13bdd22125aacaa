// The simulator program's command line, the board's set-up before the firmware starts, and the
// end of a run (transcript, kept state, exit status).
#pragma once

#include "sim/frontend/Scenario.h"

#include <string>

namespace Sim
{

class World;

struct Options
{
    bool headless = false;
    Scenario scenario; // path empty when none was given
    std::string screenshotDir = ".";
    std::string stateDir; // empty: nothing is kept between runs
    bool consolePty = false; // the USB console on a pseudo-terminal
};

// Reads the arguments and the whole scenario file. Returns -1 when the run may go ahead; otherwise
// the exit status, with what to print (usage, or the problem) in `message`.
int ParseOptions(int argc, char** argv, Options& options, std::string& message);

// Before the firmware starts: the kept EEPROM image and clock (with the time that passed since,
// as the clock chip's battery keeps it running), or the host's local time; then the scenario's
// clock when it gives one. False with `error` when the kept state cannot be used.
bool PrepareBoard(World& world, const Options& options, std::string& error);

// Saves the kept state to `options.stateDir` (when given); false with `error` when it fails.
bool SaveState(World& world, const Options& options, std::string& error);

// Ends the process from inside the run: writes the console transcript next to the screenshots
// (headless), keeps the state, reports, and exits with `status` (2 when the state could not be
// kept). The firmware's main never returns, so the run ends without unwinding it.
[[noreturn]] void EndRun(World& world, const Options& options, int status, const std::string& failure = "");

// Prints on the terminal, past the board's console capture.
void Say(const std::string& text);

} // namespace Sim
