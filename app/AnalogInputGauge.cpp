#include "app/AnalogInputGauge.h"

#include "drivers/AnalogInput.h"
#include "graphics/Constants.h"
#include "graphics/DefaultFont.h"
#include "graphics/ForegroundLayer.h"
#include "graphics/LCD.h"
#include "graphics/LinearGradientBrush.h"
#include "graphics/SolidBrush.h"
#include "graphics/VelmoraExtensions.h"

#include <cstdio>
#include <memory>

using namespace Velmora;

namespace
{

// Two panels side by side and two rows fit between the title and the back button, 15 pixels
// apart and from the edges.
const float width = (LCD::GetInstance().GetWidth() - 30 - 15) * 0.5f;
const float height = (LCD::GetInstance().GetHeight() - 94 - 75 - 15) * 0.5f;

Area GaugeArea(unsigned int channel)
{
    return Area(Point(15 + (channel % 2) * (width + 15), 94 + (channel / 2) * (height + 15)), width, height);
}

} // namespace

AnalogInputGauge::AnalogInputGauge(unsigned int channel)
    : channel(channel), area(GaugeArea(channel)), valueLayer(nullptr), chartLayer(nullptr), column(0),
      firstRender(true)
{
    const float third = area.GetWidth() / 3;
    std::unique_ptr<ForegroundLayer> value(new ForegroundLayer(ToPixelArea(Area(
        Point(area.GetRight() - third, area.GetTop() + 0.5f * (area.GetHeight() - 32)), third, 32))));
    chartLayer = new ForegroundLayer(ToPixelArea(
        Area(Point(area.GetLeft() + 20, area.GetTop() + 20), 2 * third - 20, area.GetHeight() - 40)));
    valueLayer = value.release();
}

AnalogInputGauge::~AnalogInputGauge()
{
    const bool wasEnabled = lcd.IsFlushEnabled();
    lcd.DisableFlush(true);
    delete chartLayer;
    delete valueLayer;
    lcd.EnableFlush(wasEnabled);
}

void AnalogInputGauge::Render()
{
    FiniteStreamReader& font = DefaultFont::GetInstance();
    if (firstRender)
    {
        lcd.FillRectangle(area, 20.0f, LinearGradientBrush(GradientStop(area.GetTopLeft(), white50),
                                                           GradientStop(area.GetBottomRight(), white0)));
        const Stroke outline(2.0f, LineCap::Butt, LineJoin::Miter);
        lcd.DrawRectangle(area, 20.0f, outline, white50Brush);
        const std::string label = "Channel " + ToString(channel);
        const Point labelOrigin(area.GetRight() - 85, area.GetTop() + 20);
        // Twice over itself, for a bolder label.
        lcd.FillText(labelOrigin, font, label, 16, whiteBrush);
        lcd.FillText(labelOrigin, font, label, 16, whiteBrush);
        lcd.DrawRectangle(ToArea(chartLayer->GetArea()), outline, white50Brush);
        firstRender = false;
    }

    valueLayer->Clear();
    const float volts = analogInputs[static_cast<int>(channel)].GetValue() * 5.0f / 4096.0f;
    char text[16];
    std::snprintf(text, sizeof text, "%0.2fV", static_cast<double>(volts));
    FillText(*valueLayer, Area(Point(0, 0), valueLayer->GetWidth(), valueLayer->GetHeight()), text, font, 32,
             whiteBrush, HorizontalAlignment::Center, VerticalAlignment::Center);

    const float bars = chartLayer->GetHeight() - 2;
    const float x = static_cast<float>(column + 1);
    chartLayer->Clear(PixelArea(PixelPoint(static_cast<int16_t>(x), 1), 1, static_cast<uint16_t>(bars)));
    const Stroke hairline(1.0f, LineCap::Butt, LineJoin::Miter);
    chartLayer->DrawLine(Point(x + 0.5f, bars + 1), Point(x + 0.5f, bars - bars * volts / 5 + 1), hairline,
                         SolidBrush(Color(0, 255, 0, 127)));

    column = (column + 1) % (chartLayer->GetWidth() - 2);
    const float cursor = static_cast<float>(column + 1);
    chartLayer->DrawLine(Point(cursor + 0.5f, 1), Point(cursor + 0.5f, bars + 1), hairline,
                         SolidBrush(Color(255, 255, 0, 127)));
}

void AnalogInputGauge::Refresh()
{
    Render();
}
