#include "graphics/Driver/LCD.h"
#include "graphics/ForegroundLayer.h"
#include "graphics/LCD.h"
#include "graphics/PImpl/ForegroundLayer.h"
#include "graphics/PImpl/LCD.h"
#include "graphics/PImpl/LayerPixelFormat.h"
#include "graphics/Path.h"
#include "graphics/SolidBrush.h"

#include "tests/graphics/PanelBench.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

// Allocation failure on demand: the next allocation of exactly this many bytes throws.
namespace
{
std::size_t failAllocationOf = 0;
long liveBlocks = 0;
} // namespace

void* operator new(std::size_t size)
{
    if (size != 0 && size == failAllocationOf)
    {
        failAllocationOf = 0;
        throw std::bad_alloc();
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr)
        throw std::bad_alloc();
    ++liveBlocks;
    return block;
}

void operator delete(void* block) noexcept
{
    if (block == nullptr)
        return;
    --liveBlocks;
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    operator delete(block);
}

using namespace Velmora;

namespace
{

class LCDTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        lcd.EnableFlush(true);
        lcd.Clear();
        PanelBench::WaitForFlush();
    }

    Path Square(float left, float top, float size)
    {
        Path path;
        path.MoveTo(Point(left, top));
        path.LineTo(Point(left + size, top));
        path.LineTo(Point(left + size, top + size));
        path.LineTo(Point(left, top + size));
        path.Close();
        return path;
    }

    LCD& lcd = LCD::GetInstance();
    const SolidBrush white{Color(255, 255, 255, 255)};
};

uint8_t Alpha(ForegroundLayer& layer, int x, int y)
{
    return layer.GetPImpl().GetPImpl().GetPixel(x, y)->alpha;
}

} // namespace

TEST_F(LCDTest, PanelGeometryAndFlushSwitches)
{
    EXPECT_EQ(lcd.GetWidth(), 800);
    EXPECT_EQ(lcd.GetHeight(), 480);
    EXPECT_EQ(lcd.GetArea().GetLeft(), 0);
    EXPECT_TRUE(lcd.IsFlushEnabled());
    EXPECT_FALSE(lcd.HasChanges());

    // Drawn between DisableFlush and EnableFlush: nothing reaches the panel before EnableFlush.
    lcd.DisableFlush(true);
    EXPECT_FALSE(lcd.IsFlushEnabled());
    lcd.FillRectangle(Area(Point(10, 10), 20, 20), white);
    lcd.FillRectangle(Area(Point(100, 10), 20, 20), 5, white);
    EXPECT_TRUE(lcd.HasChanges());
    PanelBench::WaitFrames(2);
    EXPECT_EQ(PanelBench::Panel().GetMemoryPixel(15, 15), 0x0000);
    EXPECT_EQ(Driver::LCD::GetInstance().GetFramebuffer()[15 * 800 + 15].value, 0x0000);
    lcd.EnableFlush(true);
    EXPECT_EQ(Driver::LCD::GetInstance().GetFramebuffer()[15 * 800 + 15].value, 0xFFFF);
    PanelBench::WaitForFlush();
    EXPECT_EQ(PanelBench::Panel().GetMemoryPixel(15, 15), 0xFFFF);
    EXPECT_EQ(PanelBench::Panel().GetMemoryPixel(110, 20), 0xFFFF);
    EXPECT_FALSE(lcd.HasChanges());
}

TEST_F(LCDTest, MeasurePathCoversEveryTouchedPixelInWholeNumbers)
{
    const Stroke hairline(0.001f, LineCap::Butt, LineJoin::Miter);
    // Outline vertices on pixel boundaries: the cells where the right and bottom edges lie count.
    const Area exact = lcd.MeasurePath(Square(10, 20, 30), hairline);
    EXPECT_EQ(exact.GetLeft(), 10.0f);
    EXPECT_EQ(exact.GetTop(), 20.0f);
    EXPECT_EQ(exact.GetWidth(), 31.0f);
    EXPECT_EQ(exact.GetHeight(), 31.0f);

    const Area between = lcd.MeasurePath(Square(10.3f, 20.7f, 5.1f), Stroke(2, LineCap::Butt, LineJoin::Miter));
    for (float v : {between.GetLeft(), between.GetTop(), between.GetWidth(), between.GetHeight()})
    {
        EXPECT_EQ(v, std::floor(v));
    }
    EXPECT_EQ(between.GetLeft(), 9.0f);
    EXPECT_EQ(between.GetTop(), 19.0f);
    EXPECT_EQ(between.GetRight(), 17.0f);

    // No outline at all: an empty area at the origin, not the rasteriser's initial extremes.
    const Area empty = lcd.MeasurePath(Path(), hairline);
    EXPECT_EQ(empty.GetLeft(), 0.0f);
    EXPECT_EQ(empty.GetTop(), 0.0f);
    EXPECT_EQ(empty.GetWidth(), 0.0f);
    EXPECT_EQ(empty.GetHeight(), 0.0f);
    EXPECT_FALSE(lcd.HasChanges()); // measuring draws nothing
}

TEST_F(LCDTest, ClearingPartOfALayerClipsToTheLayer)
{
    ForegroundLayer layer(PixelArea(PixelPoint(100, 50), 40, 30));
    layer.FillPath(Square(0, 0, 40), white);
    PanelBench::WaitForFlush();
    ASSERT_EQ(Alpha(layer, 0, 0), 255);

    lcd.DisableFlush(true);
    layer.Clear(PixelArea(PixelPoint(-5, -5), 10, 10));
    for (int y = 0; y < 30; ++y)
    {
        for (int x = 0; x < 40; ++x)
        {
            ASSERT_EQ(Alpha(layer, x, y), (x < 5 && y < 5) ? 0 : 255) << x << "," << y;
        }
    }
    // Registered at its panel position, clipped to the layer.
    const PImpl::Changes& changes = Driver::LCD::GetInstance().GetChanges();
    EXPECT_EQ(changes.firstRow, 50);
    EXPECT_EQ(changes.lastRow, 54);
    EXPECT_EQ(changes.rows[50].spans[0].start, 100);
    EXPECT_EQ(changes.rows[50].spans[0].length, 5);
    lcd.EnableFlush(true);
    PanelBench::WaitForFlush();
    EXPECT_EQ(PanelBench::Panel().GetMemoryPixel(102, 52), 0x0000);
    EXPECT_EQ(PanelBench::Panel().GetMemoryPixel(106, 52), 0xFFFF);

    // Entirely beside the layer: nothing changes, nothing is registered.
    layer.Clear(PixelArea(PixelPoint(40, 0), 10, 10));
    layer.Clear(PixelArea(PixelPoint(0, 0), 0, 10));
    EXPECT_FALSE(lcd.HasChanges());

    layer.Clear();
    PanelBench::WaitForFlush();
    EXPECT_EQ(PanelBench::Panel().GetMemoryPixel(120, 60), 0x0000);
}

TEST_F(LCDTest, ClearingWholeRowsOfALayerLeavesTheRowsAroundThem)
{
    // Rows as wide as the layer are cleared as one run: it must stop where the rows do. An odd
    // width puts the rows' starts at every offset from a word boundary.
    ForegroundLayer layer(PixelArea(PixelPoint(100, 50), 37, 30));
    layer.FillPath(Square(0, 0, 40), white);
    lcd.DisableFlush(true);
    layer.Clear(PixelArea(PixelPoint(-3, 7), 50, 13));
    for (int y = 0; y < 30; ++y)
    {
        for (int x = 0; x < 37; ++x)
        {
            const Color pixel = *layer.GetPImpl().GetPImpl().GetPixel(x, y);
            const unsigned alpha = pixel.alpha;
            const unsigned rgb = pixel.rgb.value;
            const bool cleared = y >= 7 && y < 20;
            ASSERT_EQ(alpha, cleared ? 0u : 255u) << x << "," << y;
            ASSERT_EQ(rgb, cleared ? 0x0000u : 0xFFFFu) << x << "," << y;
        }
    }
    lcd.EnableFlush(true);
}

TEST_F(LCDTest, ClearingPartOfTheBackgroundClipsToThePanel)
{
    lcd.FillRectangle(Area(Point(0, 0), 800, 480), white);
    PanelBench::WaitForFlush();
    lcd.Clear(PixelArea(PixelPoint(790, 470), 20, 20));
    PanelBench::WaitForFlush();
    EXPECT_EQ(PanelBench::Panel().GetMemoryPixel(789, 475), 0xFFFF);
    EXPECT_EQ(PanelBench::Panel().GetMemoryPixel(790, 470), 0x0000);
    EXPECT_EQ(PanelBench::Panel().GetMemoryPixel(799, 479), 0x0000);
    lcd.Clear(PixelArea(PixelPoint(800, 0), 5, 5));
    EXPECT_FALSE(lcd.HasChanges());
}

// The layer stack is full to its capacity, so the next layer makes it grow, and that growth fails:
// the new layer must not be left behind, neither on the stack nor on the heap.
TEST_F(LCDTest, ALayerIsNotLeakedWhenTheStackCannotGrow)
{
    PImpl::LCD& compositor = PImpl::LCD::GetInstance();
    std::vector<PImpl::ForegroundLayer*> made;
    made.reserve(64);
    // At least one layer, then as many as the stack holds without growing.
    while (made.empty() || compositor.GetLayers().size() < compositor.GetLayers().capacity())
        made.push_back(compositor.CreateForegroundLayer(PixelArea(PixelPoint(static_cast<int16_t>(made.size()), 0), 1, 1)));
    const std::size_t layers = compositor.GetLayers().size();
    const long blocksBefore = liveBlocks;

    failAllocationOf = 2 * compositor.GetLayers().capacity() * sizeof(PImpl::ForegroundLayer*);
    EXPECT_THROW(compositor.CreateForegroundLayer(PixelArea(PixelPoint(100, 0), 1, 1)), std::bad_alloc);
    EXPECT_EQ(failAllocationOf, 0u) << "the stack's growth was not the allocation that failed";
    EXPECT_EQ(compositor.GetLayers().size(), layers);
    EXPECT_EQ(liveBlocks, blocksBefore);

    for (PImpl::ForegroundLayer* layer : made)
        compositor.DestroyForegroundLayer(*layer);
    PanelBench::WaitForFlush();
}

TEST_F(LCDTest, LayersMadeByTheDisplayAreListedAndDestroyed)
{
    ForegroundLayer& layer = lcd.CreateForegroundLayer(PixelArea(PixelPoint(300, 200), 50, 50));
    EXPECT_EQ(PImpl::LCD::GetInstance().GetLayers().size(), 1u);
    layer.FillCircle(Point(25, 25), 20, white);
    layer.DrawLine(Point(0, 0), Point(50, 50), Stroke(3, LineCap::Round, LineJoin::Round), white);
    PanelBench::WaitForFlush();
    EXPECT_EQ(PanelBench::Panel().GetMemoryPixel(325, 225), 0xFFFF);

    lcd.DestroyForegroundLayer(layer);
    EXPECT_TRUE(PImpl::LCD::GetInstance().GetLayers().empty());
    PanelBench::WaitForFlush();
    EXPECT_EQ(PanelBench::Panel().GetMemoryPixel(325, 225), 0x0000);
}

TEST(LayerPixelFormatTest, BlendWeighsTheColourByTheExistingOpacity)
{
    using Blender = PImpl::blender_argb8565;
    // Into a transparent pixel: the pure source colour, the coverage as opacity.
    Color p(0, 0, 0, 0);
    Blender::blend_pix(&p, 255, 0, 0, 100, 255);
    EXPECT_EQ(p.alpha, 100);
    EXPECT_EQ(uint16_t(p.rgb.value), 0xF800);

    // Into an opaque pixel with partial opacity: unchanged.
    Color opaque(0, 0, 255, 255);
    Blender::blend_pix(&opaque, 255, 255, 255, 128, 128);
    EXPECT_EQ(opaque.alpha, 255);
    EXPECT_EQ(uint16_t(opaque.rgb.value), 0x001F);

    // Into a half-transparent pixel: alpha grows, colour mixes by the old opacity.
    Color half(0, 0, 0, 128);
    Blender::blend_pix(&half, 248, 252, 248, 128, 128);
    EXPECT_EQ(half.alpha, 128 + ((127 * 128 + 1 + ((127 * 128) >> 8)) >> 8));
    const unsigned y = 248 * 127;
    EXPECT_EQ(uint16_t(half.rgb.value) >> 11, (y + 1 + (y >> 8)) >> 11);

    // The full-coverage path goes through make_pix: the colour with opacity 255.
    const Color made = Blender::make_pix(17, 27, 85);
    EXPECT_EQ(made.alpha, 255);
    EXPECT_EQ(uint16_t(made.rgb.value), Color565(17, 27, 85).value);
}
