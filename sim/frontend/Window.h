// The interactive front-end: a window with the panel at 1:1 and a side panel for the board's
// inputs, analog voltages, output lamps and the buzzer.
#pragma once

namespace Sim
{

class World;
class ScenarioRunner;
struct Options;

// Opens the window and schedules its frames in virtual time; each frame shows the panel, takes
// the mouse and keys, and waits so that virtual time runs at real time. Closing the window ends
// the run (the state is kept). Exits with status 2 when no window can be opened.
void StartWindow(World& world, const Options& options, ScenarioRunner* runner);

} // namespace Sim
