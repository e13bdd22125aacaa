#include "app/SelectAnalogInputsButton.h"

#include "graphics/Constants.h"
#include "graphics/ForegroundLayer.h"
#include "graphics/Path.h"

#include <cmath>

using namespace Velmora;

SelectAnalogInputsButton::SelectAnalogInputsButton(Area area) : Button(area) {}

void SelectAnalogInputsButton::RenderTouched()
{
    DrawPressedFrame();
}

void SelectAnalogInputsButton::RenderReleased()
{
    DrawSelectionLook(
        [this](Point center, float) {
            // One and a bit periods of a sine, 40 pixels wide, from just left of the centre.
            Path wave;
            wave.MoveTo(center);
            for (int degrees = -20; degrees <= 380; degrees += 20)
            {
                const float a = static_cast<float>(degrees);
                wave.LineTo(Point(center.x + a / 14, center.y - 6 * std::sin(a * 3.14f / 180)));
            }
            layer->DrawPath(wave, Stroke(3.0f, LineCap::Butt, LineJoin::Miter), whiteBrush);
        },
        "Analog Inputs");
}
