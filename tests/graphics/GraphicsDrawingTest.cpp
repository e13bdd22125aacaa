// Measuring works out the rasteriser's bounds without rasterising; these cases hold it to what
// the rasteriser itself gives for the same outline, to the pixel.

#include "graphics/DefaultFont.h"
#include "graphics/PImpl/Graphics.h"
#include "graphics/PImpl/Path.h"
#include "graphics/Stroke.h"
#include "graphics/VelmoraExtensions.h"

#include <agg_conv_curve.h>
#include <agg_conv_stroke.h>
#include <agg_rasterizer_scanline_aa.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace PImpl;
using Velmora::Area;
using Velmora::LineCap;
using Velmora::LineJoin;
using Velmora::PixelArea;
using Velmora::PixelPoint;
using Velmora::Point;
using Velmora::Stroke;

namespace
{

typedef agg::rasterizer_scanline_aa<agg::rasterizer_sl_clip<agg::ras_conv_int>> Reference;

Area Bounds(Reference& rasterizer)
{
    if (!rasterizer.rewind_scanlines())
        return Area(Point(0.0f, 0.0f), 0.0f, 0.0f);
    const float left = static_cast<float>(rasterizer.min_x());
    const float top = static_cast<float>(rasterizer.min_y());
    return Area(Point(left, top), static_cast<float>(rasterizer.max_x()) - left + 1.0f,
                static_cast<float>(rasterizer.max_y()) - top + 1.0f);
}

Area RasterisedStroke(const Path& path, const Stroke& stroke)
{
    AggPath copy = path.GetAggPath();
    agg::conv_curve<AggPath> curve(copy);
    agg::conv_stroke<agg::conv_curve<AggPath>> outline(curve);
    outline.width(stroke.GetWidth());
    outline.line_cap(stroke.GetCap() == LineCap::Butt     ? agg::butt_cap
                     : stroke.GetCap() == LineCap::Square ? agg::square_cap
                                                          : agg::round_cap);
    outline.line_join(stroke.GetJoin() == LineJoin::Miter   ? agg::miter_join
                      : stroke.GetJoin() == LineJoin::Bevel ? agg::bevel_join
                                                            : agg::round_join);
    Reference rasterizer;
    rasterizer.add_path(outline);
    return Bounds(rasterizer);
}

Area RasterisedFill(const Path& path)
{
    AggPath copy = path.GetAggPath();
    agg::conv_curve<AggPath> curve(copy);
    Reference rasterizer;
    rasterizer.add_path(curve);
    return Bounds(rasterizer);
}

::testing::AssertionResult SameArea(const Area& measured, const Area& rasterised)
{
    if (measured.GetLeft() == rasterised.GetLeft() && measured.GetTop() == rasterised.GetTop() &&
        measured.GetWidth() == rasterised.GetWidth() && measured.GetHeight() == rasterised.GetHeight())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "measured " << measured.GetLeft() << "," << measured.GetTop() << " "
                                         << measured.GetWidth() << "x" << measured.GetHeight() << ", rasterised "
                                         << rasterised.GetLeft() << "," << rasterised.GetTop() << " "
                                         << rasterised.GetWidth() << "x" << rasterised.GetHeight();
}

const Stroke strokes[] = {Stroke(0.001f, LineCap::Butt, LineJoin::Miter), Stroke(1.0f, LineCap::Round, LineJoin::Round),
                          Stroke(3.0f, LineCap::Square, LineJoin::Bevel), Stroke(0.3f, LineCap::Butt, LineJoin::Miter)};

} // namespace

TEST(GraphicsDrawingTest, TextMeasuresAsRasterised)
{
    ForegroundGraphics layer(PixelArea(PixelPoint(0, 0), 4, 4), 0x00);
    const char* const texts[] = {"0123456789", "fy", "x", ":", "10", "08", "Wig", ".", "-"};
    const float sizes[] = {6.0f, 8.0f, 11.0f, 14.0f, 17.0f, 24.0f, 31.0f, 40.0f, 57.0f, 80.0f, 113.0f, 160.0f, 240.0f};
    for (const char* text : texts)
    {
        for (float size : sizes)
        {
            Path path = Path::Text(Point(0.0f, 0.0f), Velmora::DefaultFont::GetInstance(), Velmora::ToUTF32(text), size, 0.0f);
            for (int shifted = 0; shifted < 2; ++shifted)
            {
                for (const Stroke& stroke : strokes)
                {
                    EXPECT_TRUE(SameArea(layer.MeasurePath(path, stroke), RasterisedStroke(path, stroke)))
                        << text << " at " << size << (shifted ? ", shifted" : "") << ", width " << stroke.GetWidth();
                }
                EXPECT_TRUE(SameArea(layer.MeasureFill(path), RasterisedFill(path))) << text << " at " << size;
                // Fractional origins put the outline's extremes anywhere within their pixels.
                path.Translate(0.371f, 0.613f);
            }
        }
    }
}

TEST(GraphicsDrawingTest, RandomOutlinesMeasureAsRasterised)
{
    // Lines and curves of every length from none to hundreds of pixels, open and closed,
    // with repeated points, reversals and sharp corners.
    std::mt19937 random(19);
    std::uniform_real_distribution<float> coordinate(-40.0f, 840.0f);
    std::uniform_real_distribution<float> nearby(-3.0f, 3.0f);
    std::uniform_int_distribution<int> choice(0, 9);
    BackgroundGraphics background(PixelArea(PixelPoint(0, 0), 4, 4), 0xFF);
    for (int round = 0; round < 3000; ++round)
    {
        Path path;
        const int contours = 1 + choice(random) % 3;
        for (int contour = 0; contour < contours; ++contour)
        {
            Point at(coordinate(random), coordinate(random) * 0.6f);
            path.MoveTo(at);
            const int segments = choice(random);
            for (int segment = 0; segment < segments; ++segment)
            {
                const int kind = choice(random);
                // Mostly short steps, as a flattened outline has; now and then a long one.
                const float reach = kind == 0 ? 100.0f : kind == 1 ? 0.0f : kind == 2 ? 0.01f : 1.0f + kind;
                const auto step = [&] {
                    return Point(at.x + nearby(random) * reach, at.y + nearby(random) * reach);
                };
                if (kind == 3)
                {
                    // Straight back along the way it came.
                    const Point back(at.x - (at.x - step().x) * 2.0f, at.y);
                    path.LineTo(back);
                    at = back;
                }
                else if (kind == 4 || kind == 5)
                {
                    const Point control = step();
                    at = step();
                    path.CurveTo(control, at);
                }
                else if (kind == 6)
                {
                    const Point control1 = step();
                    const Point control2 = step();
                    at = step();
                    path.CurveTo(control1, control2, at);
                }
                else
                {
                    at = step();
                    path.LineTo(at);
                }
            }
            if (choice(random) < 5)
                path.Close();
        }
        for (const Stroke& stroke : strokes)
        {
            ASSERT_TRUE(SameArea(background.MeasurePath(path, stroke), RasterisedStroke(path, stroke)))
                << "round " << round << ", width " << stroke.GetWidth();
        }
        ASSERT_TRUE(SameArea(background.MeasureFill(path), RasterisedFill(path))) << "round " << round;
    }
}
