#pragma once

#include "app/Button.h"

// The main page's button for the analog inputs page: a sine wave in a circle.
class SelectAnalogInputsButton : public Button
{
public:
    explicit SelectAnalogInputsButton(Velmora::Area area);

    void RenderTouched() override;
    void RenderReleased() override;
};
