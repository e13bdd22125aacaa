#include "graphics/Driver/LCD.h"
#include "graphics/PImpl/Brush.h"
#include "graphics/PImpl/Graphics.h"
#include "graphics/PImpl/MeasureCache.h"
#include "graphics/PImpl/Path.h"
#include "graphics/PImpl/SolidBrush.h"
#include "graphics/PImpl/StrokeBounds.h"
#include "graphics/PImpl/SweepCache.h"

#include <agg_conv_curve.h>
#include <agg_conv_stroke.h>

#include <algorithm>
#include <cmath>
#include <limits>

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

// Sets the stroke generator (or anything configured the same way) up for stroke.
template <typename Generator> void Configure(Generator& generator, const Velmora::Stroke& stroke)
{
    generator.width(stroke.GetWidth());
    generator.line_cap(ToAgg(stroke.GetCap()));
    generator.line_join(ToAgg(stroke.GetJoin()));
}

// Rasterises the stroke outline of path into rasterizer.
void AddStroke(Rasterizer& rasterizer, const Path& path, const Velmora::Stroke& stroke)
{
    PathWalker walker = path.Walk();
    agg::conv_curve<PathWalker> curve(walker);
    agg::conv_stroke<agg::conv_curve<PathWalker>> outline(curve);
    Configure(outline, stroke);
    rasterizer.add_path(outline);
}

template <typename Target> void AddFill(Target& rasterizer, const Path& path)
{
    PathWalker walker = path.Walk();
    agg::conv_curve<PathWalker> curve(walker);
    rasterizer.add_path(curve);
}

// Layer pixels and the change record are written with the vertical-refresh interrupt masked; the
// remembered state is restored even when painting fails.
template <typename Render> void Paint(Render render)
{
    Driver::LCD& driver = Driver::LCD::GetInstance();
    const bool wasEnabled = driver.IsRefreshEnabled();
    driver.DisableRefresh(true);
    try
    {
        render();
    }
    catch (...)
    {
        driver.EnableRefresh(wasEnabled);
        throw;
    }
    driver.EnableRefresh(wasEnabled);
}

template <typename Surface> void Paint(Surface& surface, Rasterizer& rasterizer, Brush& brush)
{
    Paint([&] { brush.Render(surface.GetArea(), rasterizer, surface.GetScanline(), surface.GetRenderer()); });
}

// The background's fills, and fills with a gradient, are swept afresh.
template <typename Surface> bool FillKept(Surface&, const Path&, Brush&)
{
    return false;
}

// A foreground layer's fill in one colour paints the sweep kept for the outline, or keeps the
// sweep it makes. (Brush type 0 is the solid brush.)
template <>
bool FillKept(Graphics<Velmora::Color, ForegroundPixelFormat>& surface, const Path& path, Brush& brush)
{
    if (brush.GetType() != 0)
    {
        return false;
    }
    SolidBrush& solid = static_cast<SolidBrush&>(brush);
    SweepCache& cache = SweepCache::GetInstance();
    SweepCache::Replay replay;
    if (cache.Find(path, replay))
    {
        Paint([&] { solid.Render(surface.GetArea(), replay, surface.GetRenderer()); });
        return true;
    }
    Rasterizer rasterizer;
    AddFill(rasterizer, path);
    SweepCache::Recording recording(cache, rasterizer);
    Paint([&] { solid.Render(surface.GetArea(), recording, surface.GetRenderer()); });
    return true;
}

} // namespace

template <typename Pixel, typename PixFmt> void Graphics<Pixel, PixFmt>::FillPath(const Path& path, Brush& brush)
{
    if (FillKept(*this, path, brush))
    {
        return;
    }
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

Velmora::Area Bounds(int minX, int minY, int maxX, int maxY)
{
    const float left = static_cast<float>(minX);
    const float top = static_cast<float>(minY);
    return Velmora::Area(Velmora::Point(left, top), static_cast<float>(maxX) - left + 1.0f,
                         static_cast<float>(maxY) - top + 1.0f);
}

// The whole pixels the rasterised outline touches; an empty area at the origin when it has none.
Velmora::Area Bounds(Rasterizer& rasterizer)
{
    // Sorting the cells settles the bounds; without cells they would keep their initial extremes.
    if (!rasterizer.rewind_scanlines())
    {
        return Velmora::Area(Velmora::Point(0.0f, 0.0f), 0.0f, 0.0f);
    }
    return Bounds(rasterizer.min_x(), rasterizer.min_y(), rasterizer.max_x(), rasterizer.max_y());
}

// The rasteriser's bounds of an outline without rasterising it. The rasteriser widens its bounds
// by the cells at both ends of every edge it is given, whether or not the edge leaves coverage,
// so following the same edges through the same fixed-point conversion gives the same bounds at
// a fraction of the cost (no cells, no sorting). What this cannot tell cheaply is whether the
// outline leaves any cells at all (one that does not measures as empty): an edge crossing a
// whole cell row always does, so only outlines without one need the rasteriser itself.
class EdgeBounds
{
public:
    // Takes the path's commands exactly as the rasteriser does, closing every polygon.
    template <typename VertexSource> void add_path(VertexSource& source)
    {
        double x;
        double y;
        unsigned command;
        source.rewind(0);
        while (!agg::is_stop(command = source.vertex(&x, &y)))
        {
            if (agg::is_move_to(command))
            {
                Close();
                m_x = m_startX = FixedPointConversion::upscale(x);
                m_y = m_startY = FixedPointConversion::upscale(y);
            }
            else if (agg::is_vertex(command))
            {
                Edge(FixedPointConversion::upscale(x), FixedPointConversion::upscale(y));
                m_open = true;
            }
            else if (agg::is_close(command))
            {
                Close();
            }
        }
        Close();
    }

    bool LeavesCells() const { return m_leavesCells; }
    Velmora::Area GetBounds() const { return Bounds(m_minX, m_minY, m_maxX, m_maxY); }

private:
    void Close()
    {
        if (m_open)
        {
            Edge(m_startX, m_startY);
            m_open = false;
        }
    }

    void Edge(int x, int y)
    {
        const int column1 = m_x >> agg::poly_subpixel_shift;
        const int row1 = m_y >> agg::poly_subpixel_shift;
        const int column2 = x >> agg::poly_subpixel_shift;
        const int row2 = y >> agg::poly_subpixel_shift;
        m_minX = std::min({m_minX, column1, column2});
        m_maxX = std::max({m_maxX, column1, column2});
        m_minY = std::min({m_minY, row1, row2});
        m_maxY = std::max({m_maxY, row1, row2});
        // A row crossed whole gets the full coverage of the edge, left behind in its cells as the
        // edge goes on into the next row.
        if (row2 - row1 >= 2 || row1 - row2 >= 2)
        {
            m_leavesCells = true;
        }
        m_x = x;
        m_y = y;
    }

    // The rasteriser starts at the origin too, should a path begin without a move.
    int m_x = 0;
    int m_y = 0;
    int m_startX = 0;
    int m_startY = 0;
    bool m_open = false;
    bool m_leavesCells = false;
    int m_minX = std::numeric_limits<int>::max();
    int m_minY = std::numeric_limits<int>::max();
    int m_maxX = std::numeric_limits<int>::min();
    int m_maxY = std::numeric_limits<int>::min();
};

// The whole pixels the outline that add puts into a rasteriser touches.
template <typename AddOutline> Velmora::Area Measure(AddOutline add)
{
    EdgeBounds edges;
    add(edges);
    if (edges.LeavesCells())
    {
        return edges.GetBounds();
    }
    Rasterizer rasterizer;
    add(rasterizer);
    return Bounds(rasterizer);
}

// The whole pixels that stroking the outline would touch, worked out afresh.
Velmora::Area MeasureStroke(const Path& path, const Velmora::Stroke& stroke)
{
    const auto configure = [&](StrokeBounds& bounds) { Configure(bounds, stroke); };
    return FollowStroke(path, configure, [&](const StrokeBounds& bounds) {
        if (bounds.LeavesCells())
        {
            const auto cell = [](double v) {
                return FixedPointConversion::upscale(v) >> agg::poly_subpixel_shift;
            };
            return Bounds(cell(bounds.GetMinX()), cell(bounds.GetMinY()), cell(bounds.GetMaxX()),
                          cell(bounds.GetMaxY()));
        }
        Rasterizer rasterizer;
        AddStroke(rasterizer, path, stroke);
        return Bounds(rasterizer);
    });
}

// The measure of the outline (stroked, or filled when stroke is null): the one kept from
// before, or the one that measure works out, then kept.
template <typename WorkOut> Velmora::Area Cached(const Path& path, const Velmora::Stroke* stroke, WorkOut measure)
{
    MeasureCache& cache = MeasureCache::GetInstance();
    Velmora::Area area(Velmora::Point(0.0f, 0.0f), 0.0f, 0.0f);
    if (!cache.Find(path, stroke, area))
    {
        area = measure();
        cache.Add(area);
    }
    return area;
}

} // namespace

template <typename Pixel, typename PixFmt>
Velmora::Area Graphics<Pixel, PixFmt>::MeasurePath(const Path& path, const Velmora::Stroke& stroke)
{
    return Cached(path, &stroke, [&] { return MeasureStroke(path, stroke); });
}

template <typename Pixel, typename PixFmt> Velmora::Area Graphics<Pixel, PixFmt>::MeasureFill(const Path& path)
{
    return Cached(path, nullptr, [&] { return Measure([&](auto& target) { AddFill(target, path); }); });
}

template class Graphics<Velmora::Color565, BackgroundPixelFormat>;
template class Graphics<Velmora::Color, ForegroundPixelFormat>;

} // namespace PImpl
