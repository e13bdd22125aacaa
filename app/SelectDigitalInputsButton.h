#pragma once

#include "app/Button.h"

// The main page's button for the digital inputs page: an arrow into a circle.
class SelectDigitalInputsButton : public Button
{
public:
    explicit SelectDigitalInputsButton(Velmora::Area area);

    void RenderTouched() override;
    void RenderReleased() override;
};
