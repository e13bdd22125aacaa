// The layer compositor on the virtual board: what RenderScanline builds in the framebuffer, and
// the whole pipeline from layer pixels to the panel.
#include "graphics/Driver/LCD.h"
#include "graphics/PImpl/LCD.h"

#include "sim/Screenshot.h"
#include "tests/graphics/PanelBench.h"

#include <gtest/gtest.h>

#include <cstring>

using PImpl::BackgroundGraphics;
using PImpl::ForegroundLayer;
using Velmora::Color;
using Velmora::Color565;
using Velmora::PixelArea;
using Velmora::PixelPoint;

namespace
{

void PaintBackground(uint16_t value)
{
    BackgroundGraphics& background = PImpl::LCD::GetBackgroundLayer();
    for (int i = 0; i < 800 * 480; ++i)
        background.GetBuffer()[i].value = value;
}

// Writes the pixels directly, marking them in the layer's ink map as every writer must.
void PaintLayer(ForegroundLayer& layer, const PixelArea& local, const Color& color)
{
    for (int y = local.GetTop(); y <= local.GetBottom(); ++y)
    {
        for (int x = local.GetLeft(); x < local.GetLeft() + local.GetWidth(); ++x)
            *layer.GetPImpl().GetPixel(x, y) = color;
        layer.GetPImpl().GetPixelFormat().MarkInk(local.GetLeft(), y, local.GetWidth());
    }
}

uint16_t Framebuffer(int x, int y)
{
    return Driver::LCD::GetInstance().GetFramebuffer()[y * 800 + x].value;
}

uint16_t Blend(uint16_t under, const Color& over)
{
    Color565 result(0, 0, 0);
    result.value = under;
    result.AlphaBlend(over.rgb, over.alpha);
    return result.value;
}

} // namespace

TEST(CompositorTest, WithoutLayersARunIsACopyOfTheBackground)
{
    PImpl::LCD& compositor = PImpl::LCD::GetInstance();
    BackgroundGraphics& background = PImpl::LCD::GetBackgroundLayer();
    EXPECT_EQ(background.GetPixel(799, 479)->value, 0xFFFF);
    for (int x = 0; x < 800; ++x)
        background.GetPixel(x, 7)->value = static_cast<uint16_t>(x * 81);
    compositor.RenderScanline(PixelPoint(0, 7), 800);
    for (int x = 0; x < 800; ++x)
        ASSERT_EQ(Framebuffer(x, 7), static_cast<uint16_t>(x * 81)) << x;
    // Only the run is rebuilt.
    background.GetPixel(5, 7)->value = 1;
    background.GetPixel(9, 7)->value = 1;
    compositor.RenderScanline(PixelPoint(6, 7), 3);
    EXPECT_EQ(Framebuffer(5, 7), 5 * 81);
    EXPECT_EQ(Framebuffer(9, 7), 9 * 81);
}

TEST(CompositorTest, LayersBlendInCreationOrderOnlyWhereTheyCover)
{
    PImpl::LCD& compositor = PImpl::LCD::GetInstance();
    PaintBackground(0x0000);
    ForegroundLayer* lower = compositor.CreateForegroundLayer(PixelArea(PixelPoint(100, 50), 40, 10));
    ForegroundLayer* upper = compositor.CreateForegroundLayer(PixelArea(PixelPoint(120, 55), 40, 10));
    const Color red(255, 0, 0, 255);
    const Color halfGreen(0, 255, 0, 128);
    PaintLayer(*lower, PixelArea(PixelPoint(0, 0), 40, 10), red);
    PaintLayer(*upper, PixelArea(PixelPoint(0, 0), 20, 10), halfGreen);
    PaintLayer(*upper, PixelArea(PixelPoint(20, 0), 20, 10), Color(0, 0, 255, 255));

    compositor.RenderScanline(PixelPoint(90, 57), 80);
    EXPECT_EQ(Framebuffer(99, 57), 0x0000);                    // left of both layers
    EXPECT_EQ(Framebuffer(100, 57), 0xF800);                   // lower layer's left edge
    EXPECT_EQ(Framebuffer(119, 57), 0xF800);                   // lower only
    EXPECT_EQ(Framebuffer(120, 57), Blend(0xF800, halfGreen)); // upper over lower
    EXPECT_EQ(Framebuffer(139, 57), Blend(0xF800, halfGreen));
    EXPECT_EQ(Framebuffer(140, 57), 0x001F);                   // upper's opaque half, lower ends at 139
    EXPECT_EQ(Framebuffer(159, 57), 0x001F);
    EXPECT_EQ(Framebuffer(160, 57), 0x0000);

    // Compositing twice gives the same pixels: the background rewrites the run first.
    compositor.RenderScanline(PixelPoint(90, 57), 80);
    EXPECT_EQ(Framebuffer(120, 57), Blend(0xF800, halfGreen));

    // A row covered by the lower layer only.
    compositor.RenderScanline(PixelPoint(90, 52), 80);
    EXPECT_EQ(Framebuffer(125, 52), 0xF800);
    EXPECT_EQ(Framebuffer(145, 52), 0x0000);
}

TEST(CompositorTest, NewLayersAreTransparentAndRegisterTheirArea)
{
    PImpl::LCD& compositor = PImpl::LCD::GetInstance();
    Driver::LCD& lcd = Driver::LCD::GetInstance();
    PaintBackground(0x1234);
    lcd.DisableRefresh(true);
    ForegroundLayer* layer = compositor.CreateForegroundLayer(PixelArea(PixelPoint(10, 20), 30, 5));
    EXPECT_EQ(compositor.GetLayers().back(), layer);
    EXPECT_EQ(lcd.GetChanges().firstRow, 20);
    EXPECT_EQ(lcd.GetChanges().lastRow, 24);
    EXPECT_EQ(lcd.GetChanges().rows[22].spans[0].start, 10);
    EXPECT_EQ(lcd.GetChanges().rows[22].spans[0].length, 30);
    EXPECT_FALSE(lcd.IsRefreshEnabled()); // the bracket restored the disabled state

    compositor.RenderScanline(PixelPoint(0, 22), 800);
    EXPECT_EQ(Framebuffer(10, 22), 0x1234);
    EXPECT_EQ(Framebuffer(39, 22), 0x1234);
}

TEST(CompositorTest, ALayerPartlyOffThePanelIsCompositedWhereItLies)
{
    PImpl::LCD& compositor = PImpl::LCD::GetInstance();
    Driver::LCD& lcd = Driver::LCD::GetInstance();
    PaintBackground(0x0000);
    lcd.DisableRefresh(true);
    ForegroundLayer* layer = compositor.CreateForegroundLayer(PixelArea(PixelPoint(-10, 475), 20, 10));
    EXPECT_EQ(lcd.GetChanges().lastRow, 479);
    EXPECT_EQ(lcd.GetChanges().rows[477].spans[0].start, 0);
    EXPECT_EQ(lcd.GetChanges().rows[477].spans[0].length, 10);
    // Layer column 10 is panel column 0; layer row 2 is panel row 477.
    for (int x = 0; x < 20; ++x)
        *layer->GetPImpl().GetPixel(x, 2) = Color(0, 0, static_cast<uint8_t>(x * 8), 255);
    layer->GetPImpl().GetPixelFormat().MarkInk(0, 2, 20);
    compositor.RenderScanline(PixelPoint(0, 477), 12);
    EXPECT_EQ(Framebuffer(0, 477), Color565(0, 0, 80).value);
    EXPECT_EQ(Framebuffer(9, 477), Color565(0, 0, 152).value);
    EXPECT_EQ(Framebuffer(10, 477), 0x0000);
}

TEST(CompositorTest, DestroyingALayerUncoversWhatLiesBeneath)
{
    PImpl::LCD& compositor = PImpl::LCD::GetInstance();
    Driver::LCD& lcd = Driver::LCD::GetInstance();
    PaintBackground(0x0000);
    ForegroundLayer* lower = compositor.CreateForegroundLayer(PixelArea(PixelPoint(0, 0), 20, 4));
    ForegroundLayer* upper = compositor.CreateForegroundLayer(PixelArea(PixelPoint(10, 0), 20, 4));
    PaintLayer(*lower, PixelArea(PixelPoint(0, 0), 20, 4), Color(255, 0, 0, 255));
    PaintLayer(*upper, PixelArea(PixelPoint(0, 0), 20, 4), Color(0, 0, 255, 255));
    compositor.RenderScanline(PixelPoint(0, 1), 40);
    EXPECT_EQ(Framebuffer(15, 1), 0x001F);

    lcd.EnableRefresh(true);
    compositor.DestroyForegroundLayer(*upper);
    EXPECT_EQ(compositor.GetLayers().size(), 1u);
    EXPECT_EQ(compositor.GetLayers().capacity(), 1u);
    // Recomposited while the bracket closed, with the cleared layer still in the stack.
    EXPECT_EQ(Framebuffer(15, 1), 0xF800);
    EXPECT_EQ(Framebuffer(25, 1), 0x0000);

    PanelBench::WaitForFlush();
    EXPECT_EQ(PanelBench::Panel().GetMemoryPixel(15, 1), 0xF800);
    EXPECT_EQ(PanelBench::Panel().GetMemoryPixel(25, 1), 0x0000);

    compositor.DestroyForegroundLayer(*lower);
    EXPECT_TRUE(compositor.GetLayers().empty());
    EXPECT_EQ(compositor.GetLayers().capacity(), 0u);
    EXPECT_EQ(Framebuffer(15, 1), 0x0000);
}

// The whole pipeline: background and two overlapping layers reach the panel intact after the
// next tearing interrupt, and only the changed spans travel over the bus.
TEST(CompositorTest, ThePanelShowsTheCompositedImageAfterTheNextFrame)
{
    Driver::LCD& lcd = Driver::LCD::GetInstance();
    PImpl::LCD& compositor = PImpl::LCD::GetInstance();
    Sim::SSD1963& panel = PanelBench::Panel();
    lcd.SetBacklightBrightness(255);

    // The first recomposition sends the white panel; wait for it.
    lcd.DisableRefresh(true);
    lcd.RegisterChange(lcd.GetArea());
    lcd.EnableRefresh(true);
    PanelBench::WaitForFlush();
    const uint64_t tornBefore = panel.GetTearingCount();

    lcd.DisableRefresh(true);
    BackgroundGraphics& background = PImpl::LCD::GetBackgroundLayer();
    for (int y = 200; y < 260; ++y)
        for (int x = 300; x < 500; ++x)
            background.GetPixel(x, y)->value = static_cast<uint16_t>((x * 7) ^ (y << 5));
    lcd.RegisterChange(PixelArea(PixelPoint(300, 200), 200, 60));
    ForegroundLayer* first = compositor.CreateForegroundLayer(PixelArea(PixelPoint(320, 210), 100, 30));
    ForegroundLayer* second = compositor.CreateForegroundLayer(PixelArea(PixelPoint(380, 220), 100, 30));
    for (int y = 0; y < 30; ++y)
    {
        for (int x = 0; x < 100; ++x)
        {
            *first->GetPImpl().GetPixel(x, y) = Color(255, 128, 0, static_cast<uint8_t>(x * 2 + 55));
            *second->GetPImpl().GetPixel(x, y) = Color(0, static_cast<uint8_t>(y * 8), 255, x < 50 ? 255 : 90);
        }
        first->GetPImpl().GetPixelFormat().MarkInk(0, y, 100);
        second->GetPImpl().GetPixelFormat().MarkInk(0, y, 100);
    }
    lcd.RegisterChange(first->GetPImpl().GetArea());
    lcd.RegisterChange(second->GetPImpl().GetArea());

    panel.ClearCommandLog();
    lcd.EnableRefresh(true);
    PanelBench::WaitForFlush();
    // The flush runs ahead of the scan; one more frame and every row has been scanned out.
    PanelBench::WaitFrames(2);

    Sim::Image expected = Sim::FromRgb565(&lcd.GetFramebuffer()[0].value, 800, 480);
    EXPECT_TRUE(Sim::TakeScreenshot(panel) == expected);
    EXPECT_EQ(panel.GetMemoryPixel(400, 225), lcd.GetFramebuffer()[225 * 800 + 400].value);
    EXPECT_NE(panel.GetMemoryPixel(400, 225), 0xFFFF);

    // Rows 200..259, one span each (the layers' spans merged into the background's), nothing else.
    unsigned pages = 0, columns = 0, pixels = 0;
    for (const auto& command : panel.GetCommandLog())
    {
        pages += command.code == 0x2B;
        columns += command.code == 0x2A;
        pixels += command.pixelCount;
    }
    EXPECT_EQ(pages, 60u);
    EXPECT_EQ(columns, 60u);
    EXPECT_EQ(pixels, 60u * 200u);
    EXPECT_TRUE(panel.GetProtocolErrors().empty());
    // The flush starts at a frame start and keeps ahead of the scan.
    EXPECT_EQ(panel.GetTearingCount(), tornBefore);
}
