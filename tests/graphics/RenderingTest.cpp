// Whole-pipeline pictures: drawing calls paint layers, closing each refresh bracket recomposites
// the changed runs, and a tearing pulse sends them to the panel, whose picture is compared with a
// golden image.

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

namespace
{

const Color black(0, 0, 0, 255);
const Color white(255, 255, 255, 255);
const Color red(230, 40, 40, 255);
const Color orange(250, 150, 20, 255);
const Color teal(20, 160, 150, 255);
const Color navy(17, 27, 85, 255);

class RenderingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The firmware's start-up: flushing on, black screen sent.
        LCD& lcd = LCD::GetInstance();
        lcd.EnableFlush(true);
        lcd.Clear();
        PanelBench::WaitForFlush();
    }

    LCD& lcd = LCD::GetInstance();
};

Path Star(float cx, float cy, float r)
{
    // A five-pointed star drawn in one stroke: the filling rule (non-zero) fills its centre.
    Path path;
    for (int i = 0; i < 5; ++i)
    {
        const double angle = -1.5707963 + i * 2.5132741; // 144 degrees a point
        const Point p(cx + static_cast<float>(r * std::cos(angle)), cy + static_cast<float>(r * std::sin(angle)));
        if (i == 0)
            path.MoveTo(p);
        else
            path.LineTo(p);
    }
    path.Close();
    return path;
}

Path Wave(float x, float y)
{
    Path path;
    path.MoveTo(Point(x, y));
    path.CurveTo(Point(x + 40, y - 60), Point(x + 80, y));
    path.CurveTo(Point(x + 120, y + 60), Point(x + 160, y));
    path.LineTo(Point(x + 160, y + 40));
    path.LineTo(Point(x, y + 40));
    path.Close();
    return path;
}

} // namespace

TEST_F(RenderingTest, ShapesOnTheBackground)
{
    lcd.FillRectangle(Area(Point(20, 20), 160, 90), SolidBrush(red));
    lcd.FillRectangle(Area(Point(200.5f, 20.5f), 160, 90), 18, SolidBrush(teal));
    lcd.DrawRectangle(Area(Point(380, 20), 160, 90), Stroke(2, LineCap::Butt, LineJoin::Miter), SolidBrush(white));
    lcd.DrawRectangle(Area(Point(560.5f, 20.5f), 160, 90), 25, Stroke(6, LineCap::Butt, LineJoin::Round),
                      SolidBrush(orange));
    lcd.FillPath(Star(100, 220, 80), SolidBrush(white));
    lcd.FillPath(Wave(220, 220), SolidBrush(Color(120, 120, 255, 255)));
    // Translucent over what is already there.
    lcd.FillRectangle(Area(Point(60, 180), 300, 60), 10, SolidBrush(Color(255, 255, 255, 100)));
    lcd.FillText(Point(420, 250), DefaultFont::GetInstance(), "Background 32px", 32, SolidBrush(white));
    lcd.FillText(Point(420, 290), DefaultFont::GetInstance(), "Latin-1: äöü ß éè °C ± ½", 20,
                 SolidBrush(orange));
    lcd.FillText(Point(420, 330), DefaultFont::GetInstance(), "Missing: Ж 中", 20, SolidBrush(teal));
    for (int i = 0; i < 8; ++i)
    {
        lcd.FillText(Point(20.0f + i * 95.0f, 400), DefaultFont::GetInstance(), "Ag", 8.0f + i * 6.0f,
                     SolidBrush(white));
    }
    Golden::ExpectPanelMatches("shapes_background");
}

TEST_F(RenderingTest, StrokesOnALayer)
{
    lcd.FillRectangle(Area(Point(0, 0), 800, 480), SolidBrush(navy));
    ForegroundLayer layer(PixelArea(PixelPoint(40, 30), 720, 420));
    const LineCap caps[] = {LineCap::Butt, LineCap::Round, LineCap::Square};
    const LineJoin joins[] = {LineJoin::Miter, LineJoin::Round, LineJoin::Bevel};
    for (int i = 0; i < 3; ++i)
    {
        const float y = 40.0f + i * 50.0f;
        layer.DrawLine(Point(40, y), Point(300, y + 20), Stroke(16, caps[i], LineJoin::Miter), SolidBrush(white));
        // The thin centre line shows where the ends are.
        layer.DrawLine(Point(40, y), Point(300, y + 20), Stroke(1, LineCap::Butt, LineJoin::Miter), SolidBrush(red));

        Path zigzag;
        zigzag.MoveTo(Point(360, y + 30));
        zigzag.LineTo(Point(420, y - 10));
        zigzag.LineTo(Point(480, y + 30));
        zigzag.LineTo(Point(540, y - 10));
        layer.DrawPath(zigzag, Stroke(14, LineCap::Butt, joins[i]), SolidBrush(orange));
    }
    layer.DrawCircle(Point(150, 300), 80, Stroke(1, LineCap::Butt, LineJoin::Miter), SolidBrush(white));
    layer.DrawCircle(Point(150, 300), 60, Stroke(5, LineCap::Butt, LineJoin::Miter), SolidBrush(teal));
    layer.DrawRectangle(Area(Point(300.5f, 220.5f), 200, 150), 30, Stroke(3, LineCap::Butt, LineJoin::Miter),
                        SolidBrush(Color(255, 255, 255, 160)));
    layer.DrawPath(Star(620, 310, 90), Stroke(4, LineCap::Round, LineJoin::Round), SolidBrush(Color(255, 80, 80, 200)));
    Golden::ExpectPanelMatches("strokes_layer");
}

TEST_F(RenderingTest, GradientsOnTheBackgroundAndOnALayer)
{
    lcd.FillRectangle(Area(Point(0, 0), 800, 160),
                      LinearGradientBrush(GradientStop(Point(100, 0), Color(255, 0, 0, 255)),
                                          GradientStop(Point(700, 0), Color(0, 0, 255, 255))));
    lcd.FillRectangle(Area(Point(0, 160), 400, 320),
                      LinearGradientBrush(GradientStop(Point(0, 160), Color(0, 0, 0, 255)),
                                          GradientStop(Point(0, 480), Color(0, 255, 0, 255))));
    lcd.FillRectangle(Area(Point(400, 160), 400, 320), 40,
                      LinearGradientBrush(GradientStop(Point(400, 160), Color(255, 255, 0, 255)),
                                          GradientStop(Point(800, 480), Color(0, 255, 255, 255))));

    // On a layer the stops are in layer coordinates; translucent stops fade the layer out.
    ForegroundLayer layer(PixelArea(PixelPoint(100, 60), 600, 360));
    layer.FillCircle(Point(300, 180), 170,
                     LinearGradientBrush(GradientStop(Point(130, 0), Color(255, 255, 255, 255)),
                                         GradientStop(Point(470, 0), Color(255, 255, 255, 0))));
    layer.FillText(Point(140, 200), DefaultFont::GetInstance(), "Gradient", 72,
                   LinearGradientBrush(GradientStop(Point(140, 140), Color(255, 0, 255, 255)),
                                       GradientStop(Point(140, 200), Color(0, 0, 0, 255))));
    Golden::ExpectPanelMatches("gradients");
}

TEST_F(RenderingTest, TextAndLayersInTheirStackingOrder)
{
    lcd.FillRectangle(Area(Point(0, 0), 800, 480), SolidBrush(Color(40, 40, 40, 255)));
    FillText(Area(Point(0, 0), 800, 60), "Background, centred", DefaultFont::GetInstance(), 28, SolidBrush(white),
             HorizontalAlignment::Center, VerticalAlignment::Center);

    ForegroundLayer lower(PixelArea(PixelPoint(100, 100), 400, 250));
    ForegroundLayer upper(PixelArea(PixelPoint(300, 200), 400, 250));
    lower.FillPath(
        [] {
            Path p;
            p.MoveTo(Point(0, 0));
            p.LineTo(Point(400, 0));
            p.LineTo(Point(400, 250));
            p.LineTo(Point(0, 250));
            p.Close();
            return p;
        }(),
        SolidBrush(Color(200, 60, 60, 255)));
    upper.FillCircle(Point(200, 125), 120, SolidBrush(Color(60, 200, 60, 140)));
    FillText(lower, Area(Point(10, 10), 380, 230), "lower, bottom right", DefaultFont::GetInstance(), 24,
             SolidBrush(white), HorizontalAlignment::Right, VerticalAlignment::Bottom);
    FillText(upper, Area(Point(0, 0), 400, 250), "upper", DefaultFont::GetInstance(), 64,
             SolidBrush(Color(255, 255, 255, 200)), HorizontalAlignment::Center, VerticalAlignment::Center);

    // Partly off the panel: only its visible part is composited.
    ForegroundLayer edge(PixelArea(PixelPoint(700, 400), 200, 200));
    edge.FillCircle(Point(100, 100), 90, SolidBrush(Color(80, 80, 255, 255)));

    // A cleared corner of the lower layer lets the background through again.
    lower.Clear(PixelArea(PixelPoint(-20, -20), 80, 60));

    {
        // A destroyed layer leaves what lay beneath it.
        ForegroundLayer gone(PixelArea(PixelPoint(20, 380), 200, 80));
        gone.FillCircle(Point(100, 40), 38, SolidBrush(white));
        PanelBench::WaitForFlush();
    }
    Golden::ExpectPanelMatches("text_layers");
}
