#include "graphics/PImpl/Graphics.h"

#include <gtest/gtest.h>

using namespace PImpl;
using Velmora::PixelArea;
using Velmora::PixelPoint;

TEST(GraphicsTest, SurfacesStartWhiteOrTransparentAndViewTheirBuffer)
{
    BackgroundGraphics background(PixelArea(PixelPoint(0, 0), 800, 480), 0xFF);
    EXPECT_EQ(background.GetByteCount(), 768000u);
    EXPECT_EQ(background.GetPixel(799, 479)->value, 0xFFFF);
    EXPECT_EQ(background.GetRenderingBuffer().stride(), 1600);
    EXPECT_EQ(background.GetRenderingBuffer().row_ptr(3), reinterpret_cast<unsigned char*>(background.GetPixel(0, 3)));

    ForegroundGraphics layer(PixelArea(PixelPoint(-5, 7), 10, 4), 0x00);
    EXPECT_EQ(layer.GetByteCount(), 120u);
    EXPECT_EQ(layer.GetRenderingBuffer().stride(), 30);
    EXPECT_EQ(layer.GetArea().GetLeft(), -5);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(layer.GetPixel(x, y)->alpha, 0);

    // The renderer's clip box is the surface itself, in surface coordinates.
    EXPECT_EQ(layer.GetRenderer().xmin(), 0);
    EXPECT_EQ(layer.GetRenderer().ymax(), 3);
}

TEST(GraphicsTest, RenderersPaintTheirOwnPixelsOnly)
{
    BackgroundGraphics background(PixelArea(PixelPoint(0, 0), 8, 2), 0xFF);
    background.GetRenderer().copy_hline(-3, 1, 2, agg::rgba8(0, 0, 0));
    EXPECT_EQ(background.GetPixel(0, 1)->value, 0x0000);
    EXPECT_EQ(background.GetPixel(2, 1)->value, 0x0000);
    EXPECT_EQ(background.GetPixel(3, 1)->value, 0xFFFF);
    EXPECT_EQ(background.GetPixel(0, 0)->value, 0xFFFF);

    // Opaque paint on a transparent layer: the made pixel, full opacity; nothing spills into
    // the neighbouring 3-byte pixels.
    ForegroundGraphics layer(PixelArea(PixelPoint(0, 0), 4, 1), 0x00);
    layer.GetRenderer().copy_hline(1, 0, 2, agg::rgba8(255, 0, 0));
    EXPECT_EQ(layer.GetPixel(0, 0)->alpha, 0);
    EXPECT_EQ(layer.GetPixel(1, 0)->alpha, 255);
    EXPECT_EQ(uint16_t(layer.GetPixel(1, 0)->rgb.value), 0xF800);
    EXPECT_EQ(uint16_t(layer.GetPixel(2, 0)->rgb.value), 0xF800);
    EXPECT_EQ(layer.GetPixel(3, 0)->alpha, 0);
    EXPECT_EQ(uint16_t(layer.GetPixel(3, 0)->rgb.value), 0);

    // Partial coverage into a transparent pixel keeps the pure colour and carries the coverage.
    layer.GetRenderer().blend_hline(0, 0, 0, agg::rgba8(0, 255, 0), 128);
    EXPECT_EQ(uint16_t(layer.GetPixel(0, 0)->rgb.value), 0x07E0);
    EXPECT_EQ(layer.GetPixel(0, 0)->alpha, 128);
}
