#pragma once

#include "graphics/Area.h"
#include "graphics/Path.h"

#include <string>

// A labelled on/off tile drawn on the background: bright green when on, dark green when off.
// It redraws only after its state changed.
class DIWidget
{
public:
    DIWidget(Velmora::Area area, std::string label);

    bool isOn() const;
    void On(bool value);
    // Off(true) turns it off, Off(false) on.
    void Off(bool value);
    void Render();

private:
    Velmora::Area area;
    Velmora::Path label;
    bool dirty;
    bool on;
};
