#pragma once

#include "graphics/Color.h"

// Paints the page background on the background layer: the colour everywhere, and two soft swathes
// of a lighter shade (each channel of the colour tripled, wrapping past 255) that fade out across
// the screen.
void DrawBackground(Velmora::Color color);

// The swathes' colour before its alpha is set: each 8-bit channel of color's RGB565 value (low
// bits zero) times three, modulo 256.
Velmora::Color GetHighlightColor(Velmora::Color color);
