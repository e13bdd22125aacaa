#pragma once

#include "app/Button.h"

// The main page's button for the digital outputs page: an arrow out of a circle.
class SelectDigitalOutputsButton : public Button
{
public:
    explicit SelectDigitalOutputsButton(Velmora::Area area);

    void RenderTouched() override;
    void RenderReleased() override;
};
