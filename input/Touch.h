#pragma once

#include "graphics/Point.h"

#include <functional>

namespace Driver
{
class Touch;
}

namespace Velmora
{

// The touch screen in screen pixels. Raw readings are calibrated with the coefficients stored in
// the EEPROM, kept in a window of the last eight points and filtered against wild points; the
// start of a touch is reported with the eighth pressed pair, its end at the driver's release.
// The callbacks run in the touch interrupt.
class Touch
{
public:
    static Touch& GetInstance();

    // Replace the callback for the start, or the end, of a touch (made safe against the touch
    // interrupt; the previous callback is destroyed after the swap).
    void SetOnTouch(std::function<void(Point)> callback);
    void SetOnRelease(std::function<void(Point)> callback);

    Touch(const Touch&) = delete;
    Touch& operator=(const Touch&) = delete;

private:
    Touch();

    Driver::Touch* m_driver;
};

extern Touch& touch;

} // namespace Velmora
