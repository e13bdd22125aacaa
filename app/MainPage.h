#pragma once

#include "app/SelectAnalogInputsButton.h"
#include "app/SelectDigitalInputsButton.h"
#include "app/SelectDigitalOutputsButton.h"

namespace Velmora
{
class DateTime;
class ForegroundLayer;
}

// The hub: a large clock with a blinking colon, the date in words, the hardware and library
// versions, and one button for each I/O page.
class MainPage
{
public:
    MainPage();
    ~MainPage();
    MainPage(const MainPage&) = delete;
    MainPage& operator=(const MainPage&) = delete;

    // Shows the clock until one of the three selection buttons is released; returns the chosen
    // page: 1 digital inputs, 2 digital outputs, 3 analog inputs.
    int Run();

private:
    void DrawStaticContent();
    // Redraws what changed since `previous`; with `everything`, all of the clock and the date.
    void DrawClock(const Velmora::DateTime& current, const Velmora::DateTime& previous, bool everything);

    Velmora::ForegroundLayer* layer;
    SelectDigitalInputsButton digitalInputsButton;
    SelectDigitalOutputsButton digitalOutputsButton;
    SelectAnalogInputsButton analogInputsButton;
};
