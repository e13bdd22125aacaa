#include "app/DigitalOutputButton.h"

#include "app/Lamp.h"

#include "drivers/DigitalOutput.h"
#include "drivers/ExDigitalOutput.h"

using namespace Velmora;

DigitalOutputButton::DigitalOutputButton(Point center, unsigned int channel)
    : Button(Area(Point(center.x - 35.5f, center.y - 35.5f), 71, 71)), center(35.5f, 35.5f), channel(channel)
{
    SetOnTouched([this](Button&) {
        Toggle();
        Render();
    });
}

void DigitalOutputButton::RenderTouched() {}

void DigitalOutputButton::RenderReleased()
{
    // Read afresh every time, so the lamp shows the output's real state after a click.
    DrawLamp(*layer, center, 33.5f, IsOn(), channel);
}

bool DigitalOutputButton::IsOn() const
{
    if (channel < 4)
        return digitalOutputs[static_cast<int>(channel)].IsOn();
    return exDigitalOutputs[static_cast<int>(channel - 4)].IsOn();
}

void DigitalOutputButton::Toggle()
{
    if (channel < 4)
        digitalOutputs[static_cast<int>(channel)].Toggle();
    else
        exDigitalOutputs[static_cast<int>(channel - 4)].Toggle();
}
