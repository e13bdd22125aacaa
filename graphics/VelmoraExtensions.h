#pragma once

#include "graphics/Area.h"
#include "graphics/PixelArea.h"

namespace Velmora
{

// Rounds each of left, top, width and height to the nearest whole number, halves away from zero.
// The right edge is not rounded on its own: the pixel width is the rounded float width.
PixelArea ToPixelArea(const Area& area);

// The float area spanning the same pixels; its right edge is one past the last column.
Area ToArea(const PixelArea& area);

} // namespace Velmora
