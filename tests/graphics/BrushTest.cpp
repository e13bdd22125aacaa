#include "graphics/Constants.h"
#include "graphics/Driver/LCD.h"
#include "graphics/ForegroundLayer.h"
#include "graphics/LCD.h"
#include "graphics/LinearGradientBrush.h"
#include "graphics/PImpl/Brush.h"
#include "graphics/PImpl/ForegroundLayer.h"
#include "graphics/PImpl/LCD.h"
#include "graphics/PImpl/LinearGradientBrush.h"
#include "graphics/PImpl/Path.h"
#include "graphics/PImpl/SolidBrush.h"
#include "graphics/Path.h"
#include "graphics/SolidBrush.h"

#include "tests/graphics/PanelBench.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace Velmora;

namespace
{

struct ChangedRun
{
    int x;
    int y;
    int length;
};

// The spans recorded in the driver's change record, row by row.
std::vector<ChangedRun> RecordedRuns()
{
    std::vector<ChangedRun> runs;
    const PImpl::Changes& changes = Driver::LCD::GetInstance().GetChanges();
    if (!changes.HasChanges())
    {
        return runs;
    }
    for (int row = changes.firstRow; row <= changes.lastRow; ++row)
    {
        for (const PImpl::Span& span : changes.rows[row].spans)
        {
            if (span.length == 0)
            {
                break;
            }
            runs.push_back(ChangedRun{span.start, row, span.length});
        }
    }
    return runs;
}

// The closed rectangle from (left, top) to (right, bottom), drawn corner by corner.
Path Box(float left, float top, float right, float bottom)
{
    Path path;
    path.MoveTo(Point(left, top));
    path.LineTo(Point(right, top));
    path.LineTo(Point(right, bottom));
    path.LineTo(Point(left, bottom));
    path.Close();
    return path;
}

// Start-up as the firmware does it, then the first frame sent.
void StartDisplay()
{
    LCD& lcd = LCD::GetInstance();
    lcd.EnableFlush(true);
    lcd.Clear();
    PanelBench::WaitForFlush();
    ASSERT_FALSE(lcd.HasChanges());
}

const Color red(255, 0, 0, 255);
const Color blue(0, 0, 255, 255);

} // namespace

TEST(BrushTest, ColourConversionLeavesTheLowBitsZero)
{
    const agg::rgba8 c = PImpl::Brush::ToAgg(white);
    EXPECT_EQ(c.r, 248);
    EXPECT_EQ(c.g, 252);
    EXPECT_EQ(c.b, 248);
    EXPECT_EQ(c.a, 255);
    const agg::rgba8 d = PImpl::Brush::ToAgg(Color(0x12, 0x34, 0x56, 7));
    EXPECT_EQ(d.r, 0x10);
    EXPECT_EQ(d.g, 0x34);
    EXPECT_EQ(d.b, 0x50);
    EXPECT_EQ(d.a, 7);
    EXPECT_EQ(SolidBrush(red).GetType(), 0);
    EXPECT_EQ(whiteBrush.GetType(), 0);
    EXPECT_EQ(uint16_t(static_cast<PImpl::SolidBrush&>(white25Brush.GetPImpl()).GetColor().alpha), 63);
    EXPECT_EQ(uint16_t(static_cast<PImpl::SolidBrush&>(white50Brush.GetPImpl()).GetColor().alpha), 127);
    EXPECT_EQ(LinearGradientBrush(GradientStop(Point(0, 0), red), GradientStop(Point(1, 0), blue)).GetType(), 1);
}

TEST(BrushTest, GradientTableRunsFromStartToEndWithOnlyTheLastEntryPure)
{
    PImpl::LinearGradientBrush brush(GradientStop(Point(0, 0), Color(0, 0, 0, 255)),
                                     GradientStop(Point(100, 0), Color(255, 255, 255, 255)));
    brush.ComputeGradient(PixelArea(PixelPoint(0, 0), 800, 480));
    EXPECT_EQ(brush.GetTableEntry(0).r, 0);
    EXPECT_EQ(brush.GetTableEntry(1).r, 0); // k = 0
    EXPECT_EQ(brush.GetTableEntry(255).r, 248);
    EXPECT_EQ(brush.GetTableEntry(255).g, 252);
    // Entry 254 is k = 254, one step short of the end colour.
    EXPECT_EQ(brush.GetTableEntry(254).r, 247);
    EXPECT_EQ(brush.GetTableEntry(254).g, 251);
    for (unsigned i = 1; i < 255; ++i)
    {
        EXPECT_LE(brush.GetTableEntry(i).r, brush.GetTableEntry(i + 1).r) << i;
    }
    EXPECT_EQ(brush.GetD1(), 0.0f);
    EXPECT_EQ(brush.GetD2(), 100.0f);

    // Falling channels interpolate downwards the same way.
    PImpl::LinearGradientBrush down(GradientStop(Point(0, 0), Color(255, 255, 255, 255)),
                                    GradientStop(Point(0, 3.9f), Color(0, 0, 0, 0)));
    down.ComputeGradient(PixelArea(PixelPoint(0, 0), 800, 480));
    EXPECT_EQ(down.GetTableEntry(254).r, 1);
    EXPECT_EQ(down.GetTableEntry(254).a, 1);
    EXPECT_EQ(down.GetTableEntry(255).a, 0);
    EXPECT_EQ(down.GetD2(), 3.0f); // whole-pixel distance
}

TEST(BrushTest, HorizontalGradientOnTheBackground)
{
    StartDisplay();
    LCD& lcd = LCD::GetInstance();
    const LinearGradientBrush brush(GradientStop(Point(0, 0), Color(0, 0, 0, 255)),
                                    GradientStop(Point(100, 0), Color(255, 255, 255, 255)));
    lcd.FillRectangle(Area(Point(0, 0), 200, 20), brush);
    const Color565* frame = Driver::LCD::GetInstance().GetFramebuffer();
    EXPECT_EQ(frame[0].value, 0x0000);
    EXPECT_EQ(frame[150].value, 0xFFFF);
    EXPECT_EQ(frame[199].value, 0xFFFF);
    const unsigned mid = frame[50].value >> 11;
    EXPECT_GE(mid, 14u);
    EXPECT_LE(mid, 17u);
    for (int y = 1; y < 20; ++y)
    {
        for (int x = 0; x < 200; ++x)
        {
            ASSERT_EQ(frame[y * 800 + x].value, frame[x].value) << x << "," << y;
        }
    }
    EXPECT_EQ(frame[200].value, 0x0000); // outside the rectangle: still the cleared background
}

TEST(BrushTest, AntiAliasedEdgeOnAFreshLayerKeepsThePureColourAndCarriesCoverageInAlpha)
{
    StartDisplay();
    ForegroundLayer layer(PixelArea(PixelPoint(10, 10), 20, 20));
    const SolidBrush brush(Color(255, 0, 0, 255));
    // Left edge half way through column 5, right edge a quarter into column 15.
    layer.FillPath(
        Box(5.5f, 2, 15.25f, 12),
        brush);
    PImpl::ForegroundGraphics& surface = layer.GetPImpl().GetPImpl();
    EXPECT_EQ(surface.GetPixel(4, 5)->alpha, 0);
    EXPECT_EQ(surface.GetPixel(10, 5)->alpha, 255);
    EXPECT_EQ(uint16_t(surface.GetPixel(10, 5)->rgb.value), 0xF800);
    const Color left = *surface.GetPixel(5, 5);
    const Color right = *surface.GetPixel(15, 5);
    EXPECT_EQ(uint16_t(left.rgb.value), 0xF800);
    EXPECT_EQ(uint16_t(right.rgb.value), 0xF800);
    EXPECT_NEAR(left.alpha, 128, 2);
    EXPECT_NEAR(right.alpha, 64, 2);
    EXPECT_EQ(surface.GetPixel(16, 5)->alpha, 0);
}

TEST(BrushTest, HalfCoveredEdgeOverAnOpaqueLayerPixelLeavesItUnchanged)
{
    StartDisplay();
    ForegroundLayer layer(PixelArea(PixelPoint(0, 0), 20, 20));
    layer.FillPath(
        Box(0, 0, 20, 20),
        SolidBrush(blue));
    PImpl::ForegroundGraphics& surface = layer.GetPImpl().GetPImpl();
    ASSERT_EQ(surface.GetPixel(5, 5)->alpha, 255);
    ASSERT_EQ(uint16_t(surface.GetPixel(5, 5)->rgb.value), 0x001F);

    const Path half = Box(5.5f, 0, 10, 10);
    layer.FillPath(half, SolidBrush(red));
    EXPECT_EQ(surface.GetPixel(5, 5)->alpha, 255);
    EXPECT_EQ(uint16_t(surface.GetPixel(5, 5)->rgb.value), 0x001F);
    EXPECT_EQ(uint16_t(surface.GetPixel(7, 5)->rgb.value), 0xF800); // fully covered: the new colour
}

TEST(BrushTest, PaintingAnOffsetLayerRegistersScreenPositions)
{
    StartDisplay();
    LCD& lcd = LCD::GetInstance();
    ForegroundLayer layer(PixelArea(PixelPoint(200, 100), 50, 50));
    PanelBench::WaitForFlush();
    ASSERT_FALSE(lcd.HasChanges());

    lcd.DisableFlush(true);
    layer.FillPath(
        Box(10, 20, 15, 22),
        SolidBrush(Color(0, 0, 0, 0))); // invisible, yet registered
    const std::vector<ChangedRun> runs = RecordedRuns();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].x, 210);
    EXPECT_EQ(runs[0].y, 120);
    EXPECT_EQ(runs[0].length, 5);
    EXPECT_EQ(runs[1].x, 210);
    EXPECT_EQ(runs[1].y, 121);
}

TEST(BrushTest, EmptyPathOrShapeOffTheSurfaceRegistersNothing)
{
    StartDisplay();
    LCD& lcd = LCD::GetInstance();
    ForegroundLayer layer(PixelArea(PixelPoint(100, 100), 50, 50));
    PanelBench::WaitForFlush();
    ASSERT_FALSE(lcd.HasChanges());

    lcd.FillPath(Path(), whiteBrush);
    layer.FillPath(Path(), whiteBrush);
    layer.DrawPath(Path(), stroke4, whiteBrush);
    EXPECT_FALSE(lcd.HasChanges());

    // Paint that falls beside the layer is not painted and so not registered.
    layer.FillCircle(Point(-30, 25), 10, whiteBrush);
    EXPECT_FALSE(lcd.HasChanges());
    layer.FillCircle(Point(-5, 25), 10, whiteBrush);
    for (const ChangedRun& run : RecordedRuns())
    {
        EXPECT_GE(run.x, 100);
        EXPECT_LE(run.x + run.length, 105);
    }
    EXPECT_FALSE(RecordedRuns().empty());
}

TEST(BrushTest, FillingTwiceOnTheBackgroundDeepensOnlyTheEdges)
{
    StartDisplay();
    LCD& lcd = LCD::GetInstance();
    const Color565* frame = Driver::LCD::GetInstance().GetFramebuffer();
    const SolidBrush brush(Color(255, 255, 255, 255));
    lcd.FillPath(
        Box(10.5f, 10, 20, 20),
        brush);
    const uint16_t edge = frame[15 * 800 + 10].value;
    EXPECT_EQ(frame[15 * 800 + 12].value, 0xFFFF);
    EXPECT_NE(edge, 0x0000);
    EXPECT_NE(edge, 0xFFFF);
    lcd.FillPath(
        Box(10.5f, 10, 20, 20),
        brush);
    EXPECT_EQ(frame[15 * 800 + 12].value, 0xFFFF);
    EXPECT_GT(frame[15 * 800 + 10].value >> 11, edge >> 11);
}

namespace
{

// A brush whose painting fails part-way, as when a gradient cannot get its table.
class FailingBrush : public PImpl::Brush
{
public:
    uint8_t GetType() const override { return 0xFF; }
    void Render(const PixelArea&, PImpl::Rasterizer&, agg::scanline_u8&, PImpl::BackgroundRenderer&) override
    {
        throw std::runtime_error("brush failed");
    }
    void Render(const PixelArea&, PImpl::Rasterizer&, agg::scanline_u8&, PImpl::ForegroundRenderer&) override
    {
        throw std::runtime_error("brush failed");
    }
};

} // namespace

// Painting runs with the vertical-refresh interrupt masked; a failing brush must leave it as it was,
// armed or not, or the panel would stop updating (or start flushing inside a caller's bracket).
TEST(BrushTest, AFailingBrushLeavesRefreshAsItWas)
{
    StartDisplay();
    LCD& lcd = LCD::GetInstance();
    ForegroundLayer layer(PixelArea(PixelPoint(200, 100), 50, 50));
    PImpl::ForegroundGraphics& surface = layer.GetPImpl().GetPImpl();
    FailingBrush brush;
    for (bool enabled : {true, false})
    {
        lcd.EnableFlush(enabled);
        EXPECT_THROW(surface.FillPath(PImpl::Path::Circle(Point(25, 25), 10), brush), std::runtime_error);
        EXPECT_EQ(lcd.IsFlushEnabled(), enabled);
        EXPECT_THROW(surface.StrokePath(PImpl::Path::Circle(Point(25, 25), 10), stroke2, brush), std::runtime_error);
        EXPECT_EQ(lcd.IsFlushEnabled(), enabled);
    }
    lcd.EnableFlush(true);
}
