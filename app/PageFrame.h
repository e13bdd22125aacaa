#pragma once

// The frame every I/O page shares: the background and the centred title, and the hand-over to
// the next page once the user has left.

#include "app/Button.h"

#include "graphics/Area.h"

#include <functional>
#include <string>

namespace PageFrame
{

// Stops flushing, clears the screen and draws the dark blue background with the title, centred
// at the top of titleArea.
void Begin(const std::string& title, const Velmora::Area& titleArea, float size);

// Lets everything the page drew (the released back button included) reach the panel, then stops
// flushing, so that tearing the page down is not shown.
void End();

// A click handler that writes a local of the page's Run (its exit flag or the chosen page): set
// for as long as this object, a local of Run declared after that variable, lives. The page and
// its buttons outlive Run until main destroys the page, and a click meanwhile (or while an
// exception unwinds Run) must not write the dead stack slot.
class ExitHandler
{
public:
    ExitHandler(Button& button, std::function<void(Button&)> handler);
    ~ExitHandler();
    ExitHandler(const ExitHandler&) = delete;
    ExitHandler& operator=(const ExitHandler&) = delete;

private:
    Button& button;
};

} // namespace PageFrame
