#pragma once

#include "graphics/Point.h"

namespace Velmora
{
class ForegroundLayer;
}

// A round lamp, 70 pixels wide on its own layer, that shows one digital input. Inputs 0 to 3 are
// the board's own, 4 and up the port expanders' (4 is the first expanded input).
class DigitalInputIndicator
{
public:
    DigitalInputIndicator(Velmora::Point center, unsigned int number);
    ~DigitalInputIndicator();
    DigitalInputIndicator(const DigitalInputIndicator&) = delete;
    DigitalInputIndicator& operator=(const DigitalInputIndicator&) = delete;

    // Draws the state read last.
    void Render();
    // Reads the input and redraws the lamp only if it changed.
    void Refresh();

private:
    bool IsOn() const;

    Velmora::ForegroundLayer* layer;
    Velmora::Point center;
    unsigned int number;
    bool state;
};
