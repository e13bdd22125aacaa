#include "app/DIWidget.h"

#include "graphics/DefaultFont.h"
#include "graphics/LCD.h"
#include "graphics/SolidBrush.h"

#include <cmath>

using namespace Velmora;

namespace
{

Path CenteredLabel(const Area& area, const std::string& text)
{
    FiniteStreamReader& font = DefaultFont::GetInstance();
    const Area ink = lcd.MeasureText(Point(0, 0), font, text, 32.0f);
    const Point origin(area.GetLeft() + 0.5f * (area.GetWidth() - ink.GetWidth()),
                       area.GetTop() + 0.5f * (area.GetHeight() - ink.GetHeight()) + ink.GetHeight());
    return Path::Text(origin, font, text, 32.0f, 0.0f);
}

int16_t Nearest(float value)
{
    return static_cast<int16_t>(std::lround(value));
}

} // namespace

DIWidget::DIWidget(Area area, std::string label) : area(area), label(CenteredLabel(area, label)), dirty(true), on(false)
{
}

bool DIWidget::isOn() const
{
    return on;
}

void DIWidget::On(bool value)
{
    if (value != on)
    {
        on = value;
        dirty = true;
    }
}

void DIWidget::Off(bool value)
{
    On(!value);
}

void DIWidget::Render()
{
    if (!dirty)
        return;
    // The outline's anti-aliased edge reaches past the area; clear 2 pixels around it.
    lcd.Clear(PixelArea(PixelPoint(static_cast<int16_t>(Nearest(area.GetLeft()) - 2),
                                   static_cast<int16_t>(Nearest(area.GetTop()) - 2)),
                        static_cast<uint16_t>(Nearest(area.GetWidth()) + 4),
                        static_cast<uint16_t>(Nearest(area.GetHeight()) + 4)));
    const Color white(255, 255, 255, 255);
    lcd.FillRectangle(area, 20.0f, SolidBrush(on ? Color(0, 255, 0, 255) : Color(0, 85, 0, 255)));
    lcd.DrawRectangle(area, 20.0f, Stroke(3.0f, LineCap::Butt, LineJoin::Miter), SolidBrush(white));
    lcd.FillPath(label, SolidBrush(white));
    dirty = false;
}
