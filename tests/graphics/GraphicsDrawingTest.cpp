// Measuring works out the rasteriser's bounds without rasterising; these cases hold it to what
// the rasteriser itself gives for the same outline, to the pixel.

#include "graphics/DefaultFont.h"
#include "graphics/PImpl/Graphics.h"
#include "graphics/PImpl/Path.h"
#include "graphics/PImpl/Rasterizer.h" // ahead of AGG's rasteriser, whose cell walks it declares
#include "graphics/PImpl/StrokeBounds.h"
#include "graphics/Stroke.h"
#include "graphics/VelmoraExtensions.h"

#include <agg_conv_curve.h>
#include <agg_conv_stroke.h>
#include <agg_rasterizer_scanline_aa.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iomanip>
#include <limits>
#include <random>
#include <string>
#include <vector>

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

template <typename Generator> void Configure(Generator& generator, const Stroke& stroke)
{
    generator.width(stroke.GetWidth());
    generator.line_cap(stroke.GetCap() == LineCap::Butt     ? agg::butt_cap
                       : stroke.GetCap() == LineCap::Square ? agg::square_cap
                                                            : agg::round_cap);
    generator.line_join(stroke.GetJoin() == LineJoin::Miter   ? agg::miter_join
                        : stroke.GetJoin() == LineJoin::Bevel ? agg::bevel_join
                                                              : agg::round_join);
}

Area RasterisedStroke(const Path& path, const Stroke& stroke)
{
    AggPath copy = path.GetAggPath();
    agg::conv_curve<AggPath> curve(copy);
    agg::conv_stroke<agg::conv_curve<AggPath>> outline(curve);
    Configure(outline, stroke);
    Reference rasterizer;
    rasterizer.add_path(outline);
    return Bounds(rasterizer);
}

struct Extremes
{
    double minX;
    double minY;
    double maxX;
    double maxY;
};

// The extremes of every vertex the outline puts out.
template <typename Outline> Extremes ExtremesOf(Outline& outline)
{
    const double infinity = std::numeric_limits<double>::infinity();
    Extremes extremes{infinity, infinity, -infinity, -infinity};
    double x;
    double y;
    outline.rewind(0);
    for (unsigned command; !agg::is_stop(command = outline.vertex(&x, &y));)
    {
        if (agg::is_vertex(command))
        {
            extremes.minX = std::min(extremes.minX, x);
            extremes.minY = std::min(extremes.minY, y);
            extremes.maxX = std::max(extremes.maxX, x);
            extremes.maxY = std::max(extremes.maxY, y);
        }
    }
    return extremes;
}

// The extremes of every point AGG's own stroke generator puts out.
Extremes GeneratedExtremes(const Path& path, const Stroke& stroke)
{
    AggPath copy = path.GetAggPath();
    agg::conv_curve<AggPath> curve(copy);
    agg::conv_stroke<agg::conv_curve<AggPath>> outline(curve);
    Configure(outline, stroke);
    return ExtremesOf(outline);
}

Extremes StandInExtremes(const Path& path, const Stroke& stroke)
{
    return FollowStroke(
        path, [&](StrokeBounds& bounds) { Configure(bounds, stroke); },
        [](const StrokeBounds& bounds) {
            return Extremes{bounds.GetMinX(), bounds.GetMinY(), bounds.GetMaxX(), bounds.GetMaxY()};
        });
}

::testing::AssertionResult SameExtremes(const Path& path, const Stroke& stroke)
{
    const Extremes generated = GeneratedExtremes(path, stroke);
    const Extremes standIn = StandInExtremes(path, stroke);
    if (std::memcmp(&generated, &standIn, sizeof generated) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::setprecision(17) << "generated " << generated.minX << ","
                                         << generated.minY << " to " << generated.maxX << "," << generated.maxY
                                         << ", stand-in " << standIn.minX << "," << standIn.minY << " to "
                                         << standIn.maxX << "," << standIn.maxY;
}

// Polylines given in double precision, as flattened curves give them: turns and lengths far
// finer than single-precision paths can hold.
class Polylines
{
public:
    void MoveTo(double x, double y) { m_vertices.push_back({x, y, agg::path_cmd_move_to}); }
    void LineTo(double x, double y) { m_vertices.push_back({x, y, agg::path_cmd_line_to}); }
    void Close() { m_vertices.push_back({0.0, 0.0, agg::path_cmd_end_poly | agg::path_flags_close}); }
    void rewind(unsigned) { m_next = 0; }
    unsigned vertex(double* x, double* y)
    {
        if (m_next == m_vertices.size())
            return agg::path_cmd_stop;
        const Command& command = m_vertices[m_next++];
        *x = command.x;
        *y = command.y;
        return command.command;
    }

private:
    struct Command
    {
        double x;
        double y;
        unsigned command;
    };
    std::vector<Command> m_vertices;
    std::size_t m_next = 0;
};


::testing::AssertionResult SameExtremes(Polylines& polylines, const Stroke& stroke)
{
    agg::conv_stroke<Polylines> generator(polylines);
    Configure(generator, stroke);
    const Extremes generated = ExtremesOf(generator);
    agg::conv_adaptor_vcgen<Polylines, StrokeBounds> standIn(polylines);
    Configure(standIn.generator(), stroke);
    ExtremesOf(standIn);
    standIn.generator().Finish();
    const StrokeBounds& bounds = standIn.generator();
    const Extremes found{bounds.GetMinX(), bounds.GetMinY(), bounds.GetMaxX(), bounds.GetMaxY()};
    if (std::memcmp(&generated, &found, sizeof generated) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::setprecision(17) << "generated " << generated.minX << ","
                                         << generated.minY << " to " << generated.maxX << "," << generated.maxY
                                         << ", stand-in " << found.minX << "," << found.minY << " to " << found.maxX
                                         << "," << found.maxY;
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

// Lines and curves of every length from none to hundreds of pixels, open and closed, with
// repeated points, reversals, sharp corners and runs of nearly straight steps.
Path RandomPath(std::mt19937& random)
{
    std::uniform_real_distribution<float> coordinate(-40.0f, 840.0f);
    std::uniform_real_distribution<float> nearby(-3.0f, 3.0f);
    std::uniform_int_distribution<int> choice(0, 9);
    Path path;
    const int contours = 1 + choice(random) % 3;
    for (int contour = 0; contour < contours; ++contour)
    {
        Point at(coordinate(random), coordinate(random) * 0.6f);
        Point heading(1.0f, 0.0f);
        path.MoveTo(at);
        const int segments = choice(random) + (choice(random) == 0 ? 20 : 0);
        for (int segment = 0; segment < segments; ++segment)
        {
            const int kind = choice(random);
            // Mostly short steps, as a flattened outline has; now and then a long one.
            const float reach = kind == 0 ? 100.0f : kind == 1 ? 0.0f : kind == 2 ? 0.01f : 1.0f + kind;
            const auto step = [&] {
                return Point(at.x + nearby(random) * reach, at.y + nearby(random) * reach);
            };
            Point to(at);
            if (kind == 3)
            {
                // Straight back along the way it came.
                to = Point(at.x - (at.x - step().x) * 2.0f, at.y);
                path.LineTo(to);
            }
            else if (kind == 4 || kind == 5)
            {
                const Point control = step();
                to = step();
                path.CurveTo(control, to);
            }
            else if (kind == 6)
            {
                const Point control1 = step();
                const Point control2 = step();
                to = step();
                path.CurveTo(control1, control2, to);
            }
            else if (kind == 7)
            {
                // On in almost the same direction: turns of a few float steps.
                const float length = 0.5f + std::abs(nearby(random)) * 4.0f;
                to = Point(at.x + heading.x * length * (1.0f + nearby(random) * 1e-7f),
                           at.y + heading.y * length * (1.0f + nearby(random) * 1e-7f));
                path.LineTo(to);
            }
            else
            {
                to = step();
                path.LineTo(to);
            }
            const float length = std::hypot(to.x - at.x, to.y - at.y);
            if (length > 0.0f)
                heading = Point((to.x - at.x) / length, (to.y - at.y) / length);
            at = to;
        }
        if (choice(random) < 5)
            path.Close();
    }
    return path;
}

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
    std::mt19937 random(19);
    BackgroundGraphics background(PixelArea(PixelPoint(0, 0), 4, 4), 0xFF);
    for (int round = 0; round < 3000; ++round)
    {
        const Path path = RandomPath(random);
        for (const Stroke& stroke : strokes)
        {
            ASSERT_TRUE(SameArea(background.MeasurePath(path, stroke), RasterisedStroke(path, stroke)))
                << "round " << round << ", width " << stroke.GetWidth();
        }
        ASSERT_TRUE(SameArea(background.MeasureFill(path), RasterisedFill(path))) << "round " << round;
    }
}

// Measuring a stroke leaves out the joins that cannot reach its extremes: the extremes must be
// the stroke generator's own, to the last bit, for glyphs and for any outline.
TEST(GraphicsDrawingTest, StrokeExtremesAreTheGenerators)
{
    const char* const texts[] = {"0123456789", "fy", "Wig", ":", "08", "12", "35", "@&%"};
    for (const char* text : texts)
    {
        for (float size : {8.0f, 17.0f, 40.0f, 113.0f, 240.0f})
        {
            Path path = Path::Text(Point(0.0f, 0.0f), Velmora::DefaultFont::GetInstance(), Velmora::ToUTF32(text), size, 0.0f);
            // Fractional origins, and far ones, where single precision keeps fewer fractional bits.
            const Point shifts[] = {Point(0.371f, 0.613f), Point(3187.25f, -2411.875f), Point(-60000.3f, 41000.7f),
                                    Point(0.0f, 0.0f)};
            for (const Point& shift : shifts)
            {
                for (const Stroke& stroke : strokes)
                    EXPECT_TRUE(SameExtremes(path, stroke)) << text << " at " << size << ", width " << stroke.GetWidth();
                path.Translate(shift.x, shift.y);
            }
        }
    }
    // The clock's numbers, at its size and near it, each from origins anywhere within a pixel.
    std::mt19937 random(1908);
    std::uniform_real_distribution<float> fraction(0.0f, 1.0f);
    for (int number = 0; number < 60; number += 1 + number % 3)
    {
        char text[3] = {char('0' + number / 10), char('0' + number % 10), 0};
        for (float size : {233.0f, 240.0f})
        {
            Path path = Path::Text(Point(0.0f, 0.0f), Velmora::DefaultFont::GetInstance(), Velmora::ToUTF32(text), size, 0.0f);
            for (int shift = 0; shift < 3; ++shift)
            {
                for (const Stroke& stroke : strokes)
                    EXPECT_TRUE(SameExtremes(path, stroke)) << text << " at " << size << ", width " << stroke.GetWidth();
                path.Translate(fraction(random) * 100.0f, fraction(random) * 100.0f);
            }
        }
    }
    for (int round = 0; round < 3000; ++round)
    {
        const Path path = RandomPath(random);
        for (const Stroke& stroke : strokes)
            ASSERT_TRUE(SameExtremes(path, stroke)) << "round " << round << ", width " << stroke.GetWidth();
    }
}

// A vertex just inside extremes that another polyline has set, at every kind of turn (none, too
// little to intersect the offset lines reliably, gentle, square, sharp, reversed), its corner
// mostly facing those extremes, with segments from far below a width to far above it and the
// extremes from none to a few widths beyond it: the reach each rule grants a vertex's joins and
// caps is probed from both sides, and the extremes must stay the generator's.
TEST(GraphicsDrawingTest, StrokeExtremesAtEveryTurn)
{
    const double pi = 3.14159265358979323846;
    const double turns[] = {0.0, 1e-15, 1e-12, 1e-9, 1e-6, 1e-4, 0.05, 1.0,       pi / 2,     1.9, 1.96,
                            1.99, 2.01, 2.03, 2.05, 2.2, 2.6, 3.0, pi - 1e-7, pi - 1e-12, pi};
    const double lengths[] = {1e-12, 1e-9, 0.004, 0.3, 0.7, 1.3, 2.5, 40.0, 700.0};
    std::mt19937 random(2024);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> choice(0, 1 << 20);
    for (const Stroke& stroke : strokes)
    {
        const double width = std::fabs(stroke.GetWidth());
        for (int round = 0; round < 12000; ++round)
        {
            const double turn = choice(random) % 2 ? turns[choice(random) % 21] : unit(random) * pi;
            const double sign = choice(random) % 2 ? 1.0 : -1.0;
            // The direction of the extremes the probe's corner may pass, and the heading into the
            // corner that makes the corner's outer side face them (give or take a little).
            const int side = choice(random) % 4;
            const double towards = side * pi / 2;
            const double jitter = choice(random) % 2 ? 0.0 : (unit(random) - 0.5) * 0.6;
            const double heading = choice(random) % 4 == 0 ? unit(random) * 2.0 * pi
                                                           : towards + sign * (pi / 2 - turn / 2) + jitter;
            const double scale = choice(random) % 2 ? width : 1.0;
            const double first = lengths[choice(random) % 9] * scale;
            const double second = lengths[choice(random) % 9] * scale;
            const double far = choice(random) % 3 == 0 ? 0.0 : 1000.0;
            const double x = far * (unit(random) - 0.3);
            const double y = far * (unit(random) - 0.3);
            // The extremes a stroke's width and `inside` beyond the corner: a long level segment
            // (whose stroke's sides lie half a width either side of it) drawn first.
            const double inside = (choice(random) % 2 ? 0.8 + unit(random) * 0.3 : unit(random) * 3.5) * width;
            const double level = inside - width / 2;
            Polylines polylines;
            const double frameX = x + level * std::cos(towards);
            const double frameY = y + level * std::sin(towards);
            polylines.MoveTo(frameX - 5000.0 * std::sin(towards), frameY - 5000.0 * std::cos(towards));
            polylines.LineTo(frameX + 5000.0 * std::sin(towards), frameY + 5000.0 * std::cos(towards));
            // The probe: in along the heading to the corner, turned, on.
            const double inX = x - first * std::cos(heading);
            const double inY = y - first * std::sin(heading);
            const double outX = x + second * std::cos(heading + sign * turn);
            const double outY = y + second * std::sin(heading + sign * turn);
            polylines.MoveTo(inX, inY);
            polylines.LineTo(x, y);
            polylines.LineTo(outX, outY);
            const int ending = choice(random) % 3;
            if (ending == 0)
                polylines.Close();
            else if (ending == 1)
                polylines.LineTo(outX - first * std::cos(heading), outY - first * std::sin(heading));
            ASSERT_TRUE(SameExtremes(polylines, stroke))
                << "turn " << turn << ", round " << round << ", width " << stroke.GetWidth() << ", inside "
                << inside / width << " widths";
        }
    }
}

// Miter joins are worked out in pairs (forwards and backwards share their offsets) and their
// limits mostly from squared distances: corners whose miter lies right at the outer limit or
// whose inner miter lies right at the shorter segment's length, straight runs and reversals
// (where the offset lines do not meet), with axes through zeros of either sign, every corner an
// extreme of its own little polyline.
TEST(GraphicsDrawingTest, StrokeExtremesAtMiterLimits)
{
    const double pi = 3.14159265358979323846;
    std::mt19937 random(4711);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> choice(0, 1 << 20);
    const double nudges[] = {0.0, 1e-16, -1e-16, 1e-13, -1e-13, 1e-10, -1e-10, 1e-8, -1e-8, 1e-3, -1e-3};
    for (const double width : {0.001, 0.3, 1.0, 7.0, -2.0})
    {
        const Stroke stroke(static_cast<float>(width), LineCap::Butt, LineJoin::Miter);
        const double half = std::fabs(static_cast<float>(width)) / 2;
        for (int round = 0; round < 6000; ++round)
        {
            const double nudge = nudges[choice(random) % 11];
            const int kind = choice(random) % 4;
            // The angle between the two segments at the corner.
            double angle;
            double first = (0.5 + unit(random) * 20.0) * half;
            double second = (0.5 + unit(random) * 20.0) * half;
            if (kind == 0)
            {
                // The outer miter's length, half a width over the sine of half the angle, at its limit of four.
                angle = 2.0 * std::asin(0.25) * (1.0 + nudge);
            }
            else if (kind == 1)
            {
                // The inner miter's length at the shorter segment's.
                angle = 0.2 + unit(random) * 2.5;
                first = half / std::sin(angle / 2) * (1.0 + nudge);
                second = first * (1.0 + unit(random) * 3.0);
            }
            else if (kind == 2)
            {
                angle = choice(random) % 2 ? pi : 0.0; // straight on, or back
            }
            else
            {
                angle = unit(random) * pi;
            }
            const double heading = choice(random) % 2 ? unit(random) * 2.0 * pi : (choice(random) % 4) * pi / 2;
            const double x = choice(random) % 2 ? (choice(random) % 2 ? 0.0 : -0.0) : (unit(random) - 0.5) * 500.0;
            const double y = choice(random) % 2 ? (choice(random) % 2 ? 0.0 : -0.0) : (unit(random) - 0.5) * 500.0;
            // Axis-aligned segments keep exact zeros in their differences.
            const auto snap = [](double v) { return std::fabs(v) < 1e-12 ? 0.0 : v; };
            const double inX = x - first * snap(std::cos(heading));
            const double inY = y - first * snap(std::sin(heading));
            const double turn = (choice(random) % 2 ? 1.0 : -1.0) * (pi - angle);
            const double outX = x + second * snap(std::cos(heading + turn));
            const double outY = y + second * snap(std::sin(heading + turn));
            Polylines polylines;
            polylines.MoveTo(inX, inY);
            polylines.LineTo(x, y);
            polylines.LineTo(outX, outY);
            if (choice(random) % 2)
                polylines.Close();
            ASSERT_TRUE(SameExtremes(polylines, stroke))
                << "kind " << kind << ", angle " << angle << ", round " << round << ", width " << width;
        }
    }
}
