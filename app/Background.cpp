#include "app/Background.h"

#include "graphics/LCD.h"
#include "graphics/LinearGradientBrush.h"
#include "graphics/Path.h"
#include "graphics/SolidBrush.h"
#include "graphics/VelmoraExtensions.h"

#include <cstdint>

using namespace Velmora;

Color GetHighlightColor(Color color)
{
    const uint16_t rgb = color.rgb.value;
    const unsigned red = ((rgb >> 11) & 0x1F) * 8u;
    const unsigned green = ((rgb >> 5) & 0x3F) * 4u;
    const unsigned blue = (rgb & 0x1F) * 8u;
    return Color(static_cast<uint8_t>(red * 3), static_cast<uint8_t>(green * 3), static_cast<uint8_t>(blue * 3), 255);
}

void DrawBackground(Color color)
{
    const float width = lcd.GetWidth();
    const float height = lcd.GetHeight();
    lcd.Clear();
    lcd.FillRectangle(ToArea(lcd.GetArea()), SolidBrush(color));

    Color highlight = GetHighlightColor(color);
    highlight.alpha = 170;
    const Color transparent(0, 0, 0, 0);

    Path swathe;
    swathe.MoveTo(Point(0, 100));
    swathe.CurveTo(Point(200, 350), Point(width, 160));
    swathe.LineTo(Point(width, height));
    swathe.LineTo(Point(0, height));
    swathe.Close();
    lcd.FillPath(swathe, LinearGradientBrush(GradientStop(Point(0, 100), highlight),
                                             GradientStop(Point(width, height), transparent)));

    swathe.Clear();
    swathe.MoveTo(Point(700, 0));
    swathe.CurveTo(Point(500, 100), Point(180, 480));
    swathe.LineTo(Point(width, height));
    swathe.LineTo(Point(width, 0));
    swathe.Close();
    lcd.FillPath(swathe, LinearGradientBrush(GradientStop(Point(width, 0), highlight),
                                             GradientStop(Point(100, height), transparent)));
}
