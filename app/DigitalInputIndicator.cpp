#include "app/DigitalInputIndicator.h"

#include "app/Lamp.h"

#include "drivers/DigitalInput.h"
#include "drivers/ExDigitalInput.h"
#include "graphics/LCD.h"

using namespace Velmora;

DigitalInputIndicator::DigitalInputIndicator(Point center, unsigned int number)
    : layer(&lcd.CreateForegroundLayer(PixelArea(
          PixelPoint(static_cast<int16_t>(center.x - 35.3f), static_cast<int16_t>(center.y - 35.3f)), 70, 70))),
      center(35.3f, 35.3f), number(number), state(false)
{
    try
    {
        state = IsOn();
    }
    catch (...)
    {
        lcd.DestroyForegroundLayer(*layer);
        throw;
    }
}

DigitalInputIndicator::~DigitalInputIndicator()
{
    lcd.DestroyForegroundLayer(*layer);
}

void DigitalInputIndicator::Render()
{
    DrawLamp(*layer, center, 33.3f, state, number);
}

void DigitalInputIndicator::Refresh()
{
    const bool now = IsOn();
    if (now == state)
        return;
    state = now;
    Render();
}

bool DigitalInputIndicator::IsOn() const
{
    if (number < 4)
        return digitalInputs[static_cast<int>(number)].IsOn();
    return exDigitalInputs[static_cast<int>(number - 4)].IsOn();
}
