#pragma once

// The frame every I/O page shares: the background and the centred title, and the hand-over to
// the next page once the user has left.

#include "graphics/Area.h"

#include <string>

namespace PageFrame
{

// Stops flushing, clears the screen and draws the dark blue background with the title, centred
// at the top of titleArea.
void Begin(const std::string& title, const Velmora::Area& titleArea, float size);

// Lets everything the page drew (the released back button included) reach the panel, then stops
// flushing, so that tearing the page down is not shown.
void End();

} // namespace PageFrame
