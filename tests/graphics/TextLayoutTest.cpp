#include "graphics/DefaultFont.h"
#include "graphics/Driver/LCD.h"
#include "graphics/ForegroundLayer.h"
#include "graphics/LCD.h"
#include "graphics/PImpl/ForegroundLayer.h"
#include "graphics/Path.h"
#include "graphics/SolidBrush.h"
#include "graphics/VelmoraExtensions.h"

#include "tests/graphics/PanelBench.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Velmora;

namespace
{

struct Ink
{
    int left = 10000;
    int top = 10000;
    int right = -1; // last inked column
    int bottom = -1; // last inked row
    bool Empty() const { return right < 0; }
};

Ink FindInk(int width, int height, const std::function<bool(int, int)>& inked)
{
    Ink ink;
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            if (inked(x, y))
            {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
        }
    }
    return ink;
}

class TextLayoutTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LCD& lcd = LCD::GetInstance();
        lcd.EnableFlush(true);
        lcd.Clear();
        PanelBench::WaitForFlush();
    }

    // Draws on a black background and returns the box of the white pixels.
    Ink Draw(const Area& area, const std::string& text, float size, HorizontalAlignment horizontal,
             VerticalAlignment vertical)
    {
        LCD::GetInstance().Clear();
        FillText(area, text, DefaultFont::GetInstance(), size, brush, horizontal, vertical);
        const Color565* frame = Driver::LCD::GetInstance().GetFramebuffer();
        return FindInk(800, 480, [frame](int x, int y) { return frame[y * 800 + x].value != 0; });
    }

    Ink DrawOnLayer(ForegroundLayer& layer, const Area& area, const std::string& text, float size,
                    HorizontalAlignment horizontal, VerticalAlignment vertical)
    {
        layer.Clear();
        FillText(layer, area, text, DefaultFont::GetInstance(), size, brush, horizontal, vertical);
        PImpl::ForegroundGraphics& surface = layer.GetPImpl().GetPImpl();
        return FindInk(layer.GetWidth(), layer.GetHeight(),
                       [&surface](int x, int y) { return surface.GetPixel(x, y)->alpha != 0; });
    }

    Area Measure(const std::string& text, float size)
    {
        return LCD::GetInstance().MeasurePath(Path::Text(Point(0, 0), DefaultFont::GetInstance(), text, size, 0),
                                              Stroke(0.001f, LineCap::Butt, LineJoin::Miter));
    }

    const SolidBrush brush{Color(255, 255, 255, 255)};
};

} // namespace

// At size 20 the probes measure a = 15 (top of the f) and d = 5 (the y's descender, counting the
// pixel cell its lowest outline point lies on). Measured widths likewise count the cell on which
// the outline's right edge lies, so right-aligned ink ends one pixel short of area.right.

TEST_F(TextLayoutTest, LeftTopPutsTheInkAndTheAscentAtTheCorner)
{
    const Area area(Point(100, 100), 200, 60);
    const Ink ink = Draw(area, "Hxfy", 20, HorizontalAlignment::Left, VerticalAlignment::Top);
    EXPECT_EQ(ink.left, 100);
    EXPECT_EQ(ink.top, 100);

    // Without tall letters the text still sits on the same baseline: the ascent comes from the
    // probe, not from the text.
    const Ink low = Draw(area, "xxx", 20, HorizontalAlignment::Left, VerticalAlignment::Top);
    EXPECT_EQ(low.left, 100);
    EXPECT_GT(low.top, 100);
    EXPECT_EQ(low.bottom, 114); // baseline at area.top + a = 115
}

TEST_F(TextLayoutTest, RightAndCenterUseTheInkBox)
{
    const Area area(Point(100, 100), 200, 60);
    const Ink right = Draw(area, "Hxfy", 20, HorizontalAlignment::Right, VerticalAlignment::Top);
    EXPECT_EQ(right.right, 298);

    const Ink centred = Draw(area, "Hxfy", 20, HorizontalAlignment::Center, VerticalAlignment::Top);
    EXPECT_NEAR((centred.left + centred.right + 1) / 2.0, 200.0, 1.0);

    // Centring in an area 100 wide from x = 10 puts the ink's centre at 60.
    const Ink other = Draw(Area(Point(10, 300), 100, 40), "Velmora", 20, HorizontalAlignment::Center,
                           VerticalAlignment::Top);
    EXPECT_NEAR((other.left + other.right + 1) / 2.0, 60.0, 1.0);
}

TEST_F(TextLayoutTest, TextWiderThanTheAreaOverhangsBothEdgesEqually)
{
    const Area narrow(Point(300, 200), 20, 30);
    const Ink ink = Draw(narrow, "Wide text", 30, HorizontalAlignment::Center, VerticalAlignment::Top);
    const int overLeft = 300 - ink.left;
    const int overRight = ink.right + 1 - 320;
    EXPECT_GT(overLeft, 30);
    EXPECT_NEAR(overLeft, overRight, 1);

    // Left and right alignment in it still anchor at their own edge and run past the other.
    const Ink left = Draw(narrow, "Wide text", 30, HorizontalAlignment::Left, VerticalAlignment::Top);
    EXPECT_EQ(left.left, 300);
    EXPECT_GT(left.right, 320);
    const Ink right = Draw(narrow, "Wide text", 30, HorizontalAlignment::Right, VerticalAlignment::Top);
    EXPECT_EQ(right.right, 318);
    EXPECT_LT(right.left, 300);
}

TEST_F(TextLayoutTest, BottomAndCenterUseTheFontsDescentAndAscent)
{
    const Area area(Point(100, 100), 200, 60);
    const Ink bottom = Draw(area, "Hxfy", 20, HorizontalAlignment::Left, VerticalAlignment::Bottom);
    EXPECT_EQ(bottom.bottom, 158);
    // Text without descenders stays the probe's descent above the bottom: baseline at 155.
    const Ink noDescent = Draw(area, "Hx", 20, HorizontalAlignment::Left, VerticalAlignment::Bottom);
    EXPECT_EQ(noDescent.bottom, 154);

    // The band from baseline to ascent is centred: as much room above the f as below the baseline.
    const Ink centred = Draw(area, "Hf", 20, HorizontalAlignment::Left, VerticalAlignment::Center);
    const int above = centred.top - 100;
    const int below = 160 - (centred.bottom + 1);
    EXPECT_NEAR(above, below, 1);
}

TEST_F(TextLayoutTest, UnknownAlignmentValuesActAsLeftAndTop)
{
    const Area area(Point(100, 100), 200, 60);
    const Ink expected = Draw(area, "Hxfy", 20, HorizontalAlignment::Left, VerticalAlignment::Top);
    for (int value : {-1, -5, 2, 7})
    {
        const Ink ink = Draw(area, "Hxfy", 20, static_cast<HorizontalAlignment>(value),
                             static_cast<VerticalAlignment>(value));
        EXPECT_EQ(ink.left, expected.left) << value;
        EXPECT_EQ(ink.top, expected.top) << value;
        EXPECT_EQ(ink.right, expected.right) << value;
        EXPECT_EQ(ink.bottom, expected.bottom) << value;
    }
}

TEST_F(TextLayoutTest, LayerVariantPlacesLikeTheBackgroundInLayerCoordinates)
{
    ForegroundLayer layer(PixelArea(PixelPoint(50, 60), 400, 120));
    const Area area(Point(20, 10), 300, 80);
    const HorizontalAlignment horizontals[] = {HorizontalAlignment::Left, HorizontalAlignment::Center,
                                               HorizontalAlignment::Right};
    const VerticalAlignment verticals[] = {VerticalAlignment::Top, VerticalAlignment::Center,
                                           VerticalAlignment::Bottom};
    for (HorizontalAlignment h : horizontals)
    {
        for (VerticalAlignment v : verticals)
        {
            const Ink onLayer = DrawOnLayer(layer, area, "Layer fy", 24, h, v);
            const Ink onBackground = Draw(Area(Point(70, 70), 300, 80), "Layer fy", 24, h, v);
            // The layer moves the measured outline by a possibly fractional offset instead of
            // rebuilding it, so an edge may spread into the next pixel.
            EXPECT_NEAR(onLayer.left + 50, onBackground.left, 1);
            EXPECT_NEAR(onLayer.right + 50, onBackground.right, 1);
            EXPECT_NEAR(onLayer.top + 60, onBackground.top, 1);
            EXPECT_NEAR(onLayer.bottom + 60, onBackground.bottom, 1);
        }
    }
}

TEST_F(TextLayoutTest, EmptyTextDrawsNothing)
{
    const Area area(Point(100, 100), 200, 60);
    EXPECT_TRUE(Draw(area, "", 20, HorizontalAlignment::Center, VerticalAlignment::Center).Empty());
    ForegroundLayer layer(PixelArea(PixelPoint(0, 0), 100, 100));
    EXPECT_TRUE(DrawOnLayer(layer, area, "", 20, HorizontalAlignment::Right, VerticalAlignment::Bottom).Empty());
    EXPECT_THROW(Draw(area, "\xC3", 20, HorizontalAlignment::Left, VerticalAlignment::Top), std::exception);
}
