#pragma once

#include "app/Button.h"

// A round button that switches one digital output and shows whether it is on. Outputs 0 to 3
// are the board's own, 4 and up the port expanders' (4 is the first expanded output).
class DigitalOutputButton : public Button
{
public:
    DigitalOutputButton(Velmora::Point center, unsigned int channel);

    // The pressed look is the released one: the lamp shows the output, not the finger.
    void RenderTouched() override;
    void RenderReleased() override;

private:
    bool IsOn() const;
    void Toggle();

    Velmora::Point center;
    unsigned int channel;
};
