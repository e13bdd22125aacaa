#pragma once

// The round on/off lamp shared by the output buttons and the input indicators. Its colours have
// internal linkage on purpose, like the library's shared colours: each unit that includes this
// header builds its own copies at static initialisation.

#include "graphics/Color.h"
#include "graphics/Constants.h"
#include "graphics/ForegroundLayer.h"
#include "graphics/LinearGradientBrush.h"
#include "graphics/SolidBrush.h"
#include "graphics/VelmoraExtensions.h"
#include "graphics/DefaultFont.h"

namespace
{

[[maybe_unused]] const Velmora::Color green0(0, 255, 0, 0);
[[maybe_unused]] const Velmora::SolidBrush darkGreenBrush(Velmora::Color(0, 85, 0, 255));
[[maybe_unused]] const Velmora::SolidBrush brightGreenBrush(Velmora::Color(0, 255, 0, 255));

// Clears the layer and draws the lamp: a disc lit green or grey by a gradient from the top-left
// to the bottom-right of the layer's inner rectangle, a translucent rim, and the number in the
// middle.
inline void DrawLamp(Velmora::ForegroundLayer& layer, Velmora::Point center, float radius, bool on, unsigned int number)
{
    using namespace Velmora;
    layer.Clear();
    const Area inner(Point(2, 2), layer.GetWidth() - 4, layer.GetHeight() - 4);
    const LinearGradientBrush light(GradientStop(inner.GetTopLeft(), on ? green : white50),
                                    GradientStop(inner.GetBottomRight(), on ? green0 : white0));
    layer.FillCircle(center, radius, light);
    layer.DrawCircle(center, radius, stroke2, white50Brush);
    FillText(layer, inner, ToString(number), DefaultFont::GetInstance(), 20, whiteBrush, HorizontalAlignment::Center,
             VerticalAlignment::Center);
}

} // namespace
