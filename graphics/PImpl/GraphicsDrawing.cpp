#include "graphics/Driver/LCD.h"
#include "graphics/PImpl/Brush.h"
#include "graphics/PImpl/Graphics.h"
#include "graphics/PImpl/Path.h"

#include <agg_conv_curve.h>
#include <agg_conv_stroke.h>

namespace PImpl
{

namespace
{

agg::line_cap_e ToAgg(Velmora::LineCap cap)
{
    switch (cap)
    {
    case Velmora::LineCap::Butt:
        return agg::butt_cap;
    case Velmora::LineCap::Square:
        return agg::square_cap;
    case Velmora::LineCap::Round:
    default:
        return agg::round_cap;
    }
}

agg::line_join_e ToAgg(Velmora::LineJoin join)
{
    switch (join)
    {
    case Velmora::LineJoin::Miter:
        return agg::miter_join;
    case Velmora::LineJoin::Bevel:
        return agg::bevel_join;
    case Velmora::LineJoin::Round:
    default:
        return agg::round_join;
    }
}

// Rasterises the stroke outline of path into rasterizer.
void AddStroke(Rasterizer& rasterizer, const Path& path, const Velmora::Stroke& stroke)
{
    AggPath copy = path.GetAggPath();
    agg::conv_curve<AggPath> curve(copy);
    agg::conv_stroke<agg::conv_curve<AggPath>> outline(curve);
    outline.width(stroke.GetWidth());
    outline.line_cap(ToAgg(stroke.GetCap()));
    outline.line_join(ToAgg(stroke.GetJoin()));
    rasterizer.add_path(outline);
}

void AddFill(Rasterizer& rasterizer, const Path& path)
{
    AggPath copy = path.GetAggPath();
    agg::conv_curve<AggPath> curve(copy);
    rasterizer.add_path(curve);
}

// Layer pixels and the change record are written with the vertical-refresh interrupt masked; the
// remembered state is restored even when painting fails.
template <typename Surface> void Paint(Surface& surface, Rasterizer& rasterizer, Brush& brush)
{
    Driver::LCD& driver = Driver::LCD::GetInstance();
    const bool wasEnabled = driver.IsRefreshEnabled();
    driver.DisableRefresh(true);
    try
    {
        brush.Render(surface.GetArea(), rasterizer, surface.GetScanline(), surface.GetRenderer());
    }
    catch (...)
    {
        driver.EnableRefresh(wasEnabled);
        throw;
    }
    driver.EnableRefresh(wasEnabled);
}

} // namespace

template <typename Pixel, typename PixFmt> void Graphics<Pixel, PixFmt>::FillPath(const Path& path, Brush& brush)
{
    Rasterizer rasterizer;
    AddFill(rasterizer, path);
    Paint(*this, rasterizer, brush);
}

template <typename Pixel, typename PixFmt>
void Graphics<Pixel, PixFmt>::StrokePath(const Path& path, const Velmora::Stroke& stroke, Brush& brush)
{
    Rasterizer rasterizer;
    AddStroke(rasterizer, path, stroke);
    Paint(*this, rasterizer, brush);
}

namespace
{

// The whole pixels the rasterised outline touches; an empty area at the origin when it has none.
Velmora::Area Bounds(Rasterizer& rasterizer)
{
    // Sorting the cells settles the bounds; without cells they would keep their initial extremes.
    if (!rasterizer.rewind_scanlines())
    {
        return Velmora::Area(Velmora::Point(0.0f, 0.0f), 0.0f, 0.0f);
    }
    const float left = static_cast<float>(rasterizer.min_x());
    const float top = static_cast<float>(rasterizer.min_y());
    return Velmora::Area(Velmora::Point(left, top), static_cast<float>(rasterizer.max_x()) - left + 1.0f,
                         static_cast<float>(rasterizer.max_y()) - top + 1.0f);
}

} // namespace

template <typename Pixel, typename PixFmt>
Velmora::Area Graphics<Pixel, PixFmt>::MeasurePath(const Path& path, const Velmora::Stroke& stroke)
{
    Rasterizer rasterizer;
    AddStroke(rasterizer, path, stroke);
    return Bounds(rasterizer);
}

template <typename Pixel, typename PixFmt> Velmora::Area Graphics<Pixel, PixFmt>::MeasureFill(const Path& path)
{
    Rasterizer rasterizer;
    AddFill(rasterizer, path);
    return Bounds(rasterizer);
}

template class Graphics<Velmora::Color565, BackgroundPixelFormat>;
template class Graphics<Velmora::Color, ForegroundPixelFormat>;

} // namespace PImpl
