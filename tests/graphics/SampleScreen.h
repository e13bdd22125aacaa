#pragma once

// A screen as an application would build it: gradient background, translucent rounded panels,
// text from 16 to 240 pixels, and a stroked path and a circle on their own layer. Drawn with
// flushing off by whoever builds it; the layer lives as long as the object. Shared by the host's
// golden-picture test and the emulated Cortex-M4 check, which must draw the same pixels.

#include "graphics/Constants.h"
#include "graphics/DefaultFont.h"
#include "graphics/ForegroundLayer.h"
#include "graphics/LCD.h"
#include "graphics/LinearGradientBrush.h"
#include "graphics/Path.h"
#include "graphics/SolidBrush.h"
#include "graphics/VelmoraExtensions.h"

#include <cmath>

class SampleScreen
{
public:
    SampleScreen() : m_layer(Velmora::PixelArea(Velmora::PixelPoint(560, 20), 220, 260))
    {
        using namespace Velmora;
        LCD& lcd = LCD::GetInstance();
        MemoryStream& font = DefaultFont::GetInstance();

        lcd.FillRectangle(Area(Point(0, 0), 800, 480),
                          LinearGradientBrush(GradientStop(Point(0, 0), veryDarkBlue),
                                              GradientStop(Point(0, 480), veryDarkLimeGreen)));

        FillText(Area(Point(0, 0), 800, 150), "12:34", font, 240, white25Brush, HorizontalAlignment::Center,
                 VerticalAlignment::Top);

        lcd.FillRectangle(Area(Point(20, 300), 360, 160), 16, white25Brush);
        lcd.FillRectangle(Area(Point(420, 300), 360, 160), 16, white50Brush);
        lcd.DrawRectangle(Area(Point(420.5f, 300.5f), 359, 159), 16, stroke1, whiteBrush);

        const float sizes[] = {16, 20, 24, 32, 48};
        float y = 310;
        for (float size : sizes)
        {
            FillText(Area(Point(36, y), 330, size), "Size " + ToString(static_cast<int>(size)), font, size,
                     whiteBrush, HorizontalAlignment::Left, VerticalAlignment::Top);
            y += size + 4;
        }
        FillText(Area(Point(420, 300), 360, 160), "Panel", font, 64, whiteBrush, HorizontalAlignment::Center,
                 VerticalAlignment::Center);

        Path wave;
        wave.MoveTo(Point(10, 200));
        for (int i = 1; i <= 20; ++i)
        {
            const float x = 10.0f + i * 10.0f;
            wave.LineTo(Point(x, 200.0f - 40.0f * static_cast<float>(std::sin(i * 0.6))));
        }
        m_layer.DrawPath(wave, Stroke(4, LineCap::Round, LineJoin::Round), SolidBrush(Color(255, 200, 40, 255)));
        m_layer.FillCircle(Point(110, 80), 60, white50Brush);
        m_layer.DrawCircle(Point(110, 80), 60, stroke2, whiteBrush);
        FillText(m_layer, Area(Point(50, 40), 120, 80), "23 \xC2\xB0" "C", font, 28, whiteBrush,
                 HorizontalAlignment::Center, VerticalAlignment::Center);
    }

private:
    Velmora::ForegroundLayer m_layer;
};
