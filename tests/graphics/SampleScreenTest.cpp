// A screen as an application would build it: gradient background, translucent rounded panels,
// text from 16 to 240 pixels, and a stroked path and a circle on their own layer.

#include "graphics/DefaultFont.h"
#include "graphics/ForegroundLayer.h"
#include "graphics/LCD.h"
#include "graphics/LinearGradientBrush.h"
#include "graphics/Path.h"
#include "graphics/SolidBrush.h"
#include "graphics/VelmoraExtensions.h"

#include "Golden.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Velmora;

TEST(SampleScreenTest, ComposedScreen)
{
    LCD& lcd = LCD::GetInstance();
    lcd.EnableFlush(true);
    lcd.Clear();
    TestPanel::VerticalRefresh();

    MemoryStream& font = DefaultFont::GetInstance();
    const SolidBrush white(Color(255, 255, 255, 255));
    const SolidBrush white25(Color(255, 255, 255, 63));
    const SolidBrush white50(Color(255, 255, 255, 127));

    // Everything is drawn with flushing off and reaches the panel at once.
    lcd.DisableFlush(true);
    lcd.FillRectangle(Area(Point(0, 0), 800, 480),
                      LinearGradientBrush(GradientStop(Point(0, 0), Color(17, 27, 85, 255)),
                                          GradientStop(Point(0, 480), Color(34, 85, 34, 255))));

    FillText(Area(Point(0, 0), 800, 150), "12:34", font, 240, white25, HorizontalAlignment::Center,
             VerticalAlignment::Top);

    lcd.FillRectangle(Area(Point(20, 300), 360, 160), 16, white25);
    lcd.FillRectangle(Area(Point(420, 300), 360, 160), 16, white50);
    lcd.DrawRectangle(Area(Point(420.5f, 300.5f), 359, 159), 16, Stroke(1, LineCap::Butt, LineJoin::Miter), white);

    const float sizes[] = {16, 20, 24, 32, 48};
    float y = 310;
    for (float size : sizes)
    {
        FillText(Area(Point(36, y), 330, size), "Size " + ToString(static_cast<int>(size)), font, size, white,
                 HorizontalAlignment::Left, VerticalAlignment::Top);
        y += size + 4;
    }
    FillText(Area(Point(420, 300), 360, 160), "Panel", font, 64, white, HorizontalAlignment::Center,
             VerticalAlignment::Center);

    ForegroundLayer layer(PixelArea(PixelPoint(560, 20), 220, 260));
    Path wave;
    wave.MoveTo(Point(10, 200));
    for (int i = 1; i <= 20; ++i)
    {
        const float x = 10.0f + i * 10.0f;
        wave.LineTo(Point(x, 200.0f - 40.0f * static_cast<float>(std::sin(i * 0.6))));
    }
    layer.DrawPath(wave, Stroke(4, LineCap::Round, LineJoin::Round),
                   SolidBrush(Color(255, 200, 40, 255)));
    layer.FillCircle(Point(110, 80), 60, white50);
    layer.DrawCircle(Point(110, 80), 60, Stroke(2, LineCap::Butt, LineJoin::Miter), white);
    FillText(layer, Area(Point(50, 40), 120, 80), "23 \xC2\xB0" "C", font, 28, white, HorizontalAlignment::Center,
             VerticalAlignment::Center);

    // Nothing has reached the panel yet.
    TestPanel::VerticalRefresh();
    EXPECT_EQ(TestPanel::Pixel(400, 240), 0x0000);
    EXPECT_TRUE(lcd.HasChanges());

    lcd.EnableFlush(true);
    Golden::ExpectPanelMatches("sample_screen");
}
