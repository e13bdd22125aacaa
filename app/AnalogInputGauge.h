#pragma once

#include "graphics/Area.h"

namespace Velmora
{
class ForegroundLayer;
}

// One analog input as a translucent panel with its voltage and a bar chart that sweeps left to
// right, one column a refresh, and wraps; a yellow cursor marks the column drawn next. Channels 0
// and 1 sit in the upper row, 2 and 3 in the lower.
class AnalogInputGauge
{
public:
    explicit AnalogInputGauge(unsigned int channel);
    ~AnalogInputGauge();
    AnalogInputGauge(const AnalogInputGauge&) = delete;
    AnalogInputGauge& operator=(const AnalogInputGauge&) = delete;

    // The first call draws the panel; every call reads the input, shows its voltage and adds a
    // bar to the chart.
    void Render();
    void Refresh();

private:
    unsigned int channel;
    Velmora::Area area;
    Velmora::ForegroundLayer* valueLayer;
    Velmora::ForegroundLayer* chartLayer;
    int column;
    bool firstRender;
};
