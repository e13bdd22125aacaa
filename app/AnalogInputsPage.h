#pragma once

#include "app/AnalogInputGauge.h"
#include "app/BackButton.h"

// The four analog inputs as gauges with their voltage and a scrolling chart, refreshed once per
// completed flush until the back button is released.
class AnalogInputsPage
{
public:
    AnalogInputsPage();
    ~AnalogInputsPage();
    AnalogInputsPage(const AnalogInputsPage&) = delete;
    AnalogInputsPage& operator=(const AnalogInputsPage&) = delete;

    // Shows the page until its back button is released.
    void Run();

private:
    static const unsigned int gaugeCount = 4;

    BackButton backButton;
    AnalogInputGauge* gauges[gaugeCount];
};
