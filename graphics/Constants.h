#pragma once

// Named colours and pens shared by every unit that draws. They have internal linkage on purpose:
// each unit gets its own copies, built by its own static initialisation, so no unit depends on
// the initialisation order of another.

#include "graphics/Color.h"
#include "graphics/SolidBrush.h"
#include "graphics/Stroke.h"

namespace Velmora
{

static const Color white(255, 255, 255, 255);
static const Color white0(255, 255, 255, 0);
static const Color white25(255, 255, 255, 63); // a quarter of 255, rounded down
static const Color white50(255, 255, 255, 127); // half of 255, rounded down
static const Color green(0, 255, 0, 255);
static const Color veryDarkLimeGreen(34, 85, 34, 255);
static const Color veryDarkBlue(17, 27, 85, 255);

static const SolidBrush whiteBrush(white);
static const SolidBrush white25Brush(white25);
static const SolidBrush white50Brush(white50);

static const Stroke stroke1(1.0f, LineCap::Butt, LineJoin::Miter);
static const Stroke stroke2(2.0f, LineCap::Butt, LineJoin::Miter);
static const Stroke stroke4(4.0f, LineCap::Butt, LineJoin::Miter);

} // namespace Velmora
