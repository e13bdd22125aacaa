#include "graphics/Driver/LCD.h"
#include "graphics/PImpl/Brush.h"
#include "graphics/PImpl/Graphics.h"
#include "graphics/PImpl/Path.h"

#include <agg_conv_adaptor_vcgen.h>
#include <agg_conv_curve.h>
#include <agg_conv_stroke.h>
#include <agg_math_stroke.h>
#include <agg_shorten_path.h>
#include <agg_vertex_sequence.h>

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
    AggPath copy = path.GetAggPath();
    agg::conv_curve<AggPath> curve(copy);
    agg::conv_stroke<agg::conv_curve<AggPath>> outline(curve);
    Configure(outline, stroke);
    rasterizer.add_path(outline);
}

template <typename Target> void AddFill(Target& rasterizer, const Path& path)
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
                m_x = m_startX = agg::ras_conv_int::upscale(x);
                m_y = m_startY = agg::ras_conv_int::upscale(y);
            }
            else if (agg::is_vertex(command))
            {
                Edge(agg::ras_conv_int::upscale(x), agg::ras_conv_int::upscale(y));
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

// Stands in for AGG's stroke generator, behind the same adaptor and so fed the same polylines,
// when only the extremes of the stroke outline are wanted. It keeps each polyline exactly as the
// generator does, but works out the joins and caps only of the vertices that can reach beyond
// the extremes found so far; those are computed by the same code as the generator's, so the
// extremes are the very same numbers. Every point of a vertex's joins lies within the longer of
// its two segments plus a few stroke widths of it: an inner miter reaches at most the shorter
// segment's length, an outer one the miter limit (four widths, or a cut-off corner), caps and
// round joins one width.
class StrokeBounds
{
public:
    void width(double width)
    {
        m_stroker.width(width);
        m_reachBeyondSegments = std::fabs(width) * 20.0;
    }
    void line_cap(agg::line_cap_e cap) { m_stroker.line_cap(cap); }
    void line_join(agg::line_join_e join) { m_stroker.line_join(join); }

    // The generator's own interface, as the adaptor drives it.
    void remove_all()
    {
        m_vertices.remove_all();
        m_closed = 0;
    }

    void add_vertex(double x, double y, unsigned command)
    {
        if (agg::is_move_to(command))
        {
            m_vertices.modify_last(agg::vertex_dist(x, y));
        }
        else if (agg::is_vertex(command))
        {
            m_vertices.add(agg::vertex_dist(x, y));
        }
        else
        {
            m_closed = agg::get_close_flag(command);
        }
    }

    void rewind(unsigned)
    {
        m_vertices.close(m_closed != 0);
        agg::shorten_path(m_vertices, 0.0, m_closed);
        if (m_vertices.size() < 3)
        {
            m_closed = 0;
        }
        AddPolyline();
        remove_all();
    }

    unsigned vertex(double*, double*) { return agg::path_cmd_stop; }

    // Whether the outline surely leaves cells in the rasteriser: one of its edges crosses a whole
    // cell row. The bounds stand only then.
    bool LeavesCells() const { return m_leavesCells; }
    Velmora::Area GetBounds() const
    {
        const auto cell = [](double v) { return agg::ras_conv_int::upscale(v) >> agg::poly_subpixel_shift; };
        return Bounds(cell(m_minX), cell(m_minY), cell(m_maxX), cell(m_maxY));
    }

private:
    typedef agg::pod_bvector<agg::point_d, 6> Points;

    void AddPolyline()
    {
        const unsigned count = m_vertices.size();
        const bool closed = m_closed != 0;
        if (count < 2 + unsigned(closed))
        {
            return;
        }
        if (!closed)
        {
            m_stroker.calc_cap(m_points, m_vertices[0], m_vertices[1], m_vertices[0].dist);
            AddPoints();
            m_stroker.calc_cap(m_points, m_vertices[count - 1], m_vertices[count - 2], m_vertices[count - 2].dist);
            AddPoints();
        }
        // The vertices with joins; the extreme ones first, so that most others can be ruled out.
        const unsigned first = closed ? 0 : 1;
        const unsigned end = closed ? count : count - 1;
        if (first == end)
        {
            return;
        }
        unsigned extremes[4] = {first, first, first, first};
        unsigned steepest = first;
        for (unsigned i = first; i < end; ++i)
        {
            const agg::vertex_dist& v = m_vertices[i];
            extremes[0] = v.x < m_vertices[extremes[0]].x ? i : extremes[0];
            extremes[1] = v.x > m_vertices[extremes[1]].x ? i : extremes[1];
            extremes[2] = v.y < m_vertices[extremes[2]].y ? i : extremes[2];
            extremes[3] = v.y > m_vertices[extremes[3]].y ? i : extremes[3];
            if (i + 1 < end && std::fabs(m_vertices[i + 1].y - v.y) > std::fabs(m_vertices[steepest + 1].y - m_vertices[steepest].y))
            {
                steepest = i;
            }
        }
        for (unsigned i : extremes)
        {
            AddJoins(i);
        }
        for (unsigned i = first; i < end; ++i)
        {
            const agg::vertex_dist& v = m_vertices[i];
            // Rounding errors in the reach are kept far below its margin of many widths.
            const double reach =
                std::max(m_vertices.prev(i).dist, m_vertices.curr(i).dist) * (1.0 + 1e-9) + m_reachBeyondSegments;
            if (v.x - reach < m_minX || v.x + reach > m_maxX || v.y - reach < m_minY || v.y + reach > m_maxY)
            {
                AddJoins(i);
            }
        }
        if (!m_leavesCells && steepest + 1 < end)
        {
            // The outline runs from the last point of one vertex's join (on the first side) to
            // the first point of the next one's.
            Join(steepest, false);
            const int row = Row(m_points[m_points.size() - 1].y);
            Join(steepest + 1, false);
            const int next = Row(m_points[0].y);
            m_leavesCells = next - row >= 2 || row - next >= 2;
        }
    }

    static int Row(double y) { return agg::ras_conv_int::upscale(y) >> agg::poly_subpixel_shift; }

    // The join at vertex i on the first side of the outline (walked forwards) or the second
    // (walked backwards), into m_points, exactly as the generator makes them.
    void Join(unsigned i, bool backwards)
    {
        const agg::vertex_dist& previous = m_vertices.prev(i);
        const agg::vertex_dist& current = m_vertices.curr(i);
        const agg::vertex_dist& next = m_vertices.next(i);
        if (backwards)
        {
            m_stroker.calc_join(m_points, next, current, previous, current.dist, previous.dist);
        }
        else
        {
            m_stroker.calc_join(m_points, previous, current, next, previous.dist, current.dist);
        }
    }

    void AddJoins(unsigned i)
    {
        Join(i, false);
        AddPoints();
        Join(i, true);
        AddPoints();
    }

    void AddPoints()
    {
        for (unsigned i = 0; i < m_points.size(); ++i)
        {
            const agg::point_d& point = m_points[i];
            m_minX = std::min(m_minX, point.x);
            m_maxX = std::max(m_maxX, point.x);
            m_minY = std::min(m_minY, point.y);
            m_maxY = std::max(m_maxY, point.y);
        }
    }

    agg::math_stroke<Points> m_stroker;
    agg::vertex_sequence<agg::vertex_dist, 6> m_vertices;
    Points m_points;
    unsigned m_closed = 0;
    double m_reachBeyondSegments = 0.0;
    bool m_leavesCells = false;
    double m_minX = std::numeric_limits<double>::infinity();
    double m_minY = std::numeric_limits<double>::infinity();
    double m_maxX = -std::numeric_limits<double>::infinity();
    double m_maxY = -std::numeric_limits<double>::infinity();
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

} // namespace

template <typename Pixel, typename PixFmt>
Velmora::Area Graphics<Pixel, PixFmt>::MeasurePath(const Path& path, const Velmora::Stroke& stroke)
{
    AggPath copy = path.GetAggPath();
    agg::conv_curve<AggPath> curve(copy);
    agg::conv_adaptor_vcgen<agg::conv_curve<AggPath>, StrokeBounds> outline(curve);
    Configure(outline.generator(), stroke);
    double x;
    double y;
    outline.rewind(0);
    while (!agg::is_stop(outline.vertex(&x, &y)))
    {
    }
    if (outline.generator().LeavesCells())
    {
        return outline.generator().GetBounds();
    }
    Rasterizer rasterizer;
    AddStroke(rasterizer, path, stroke);
    return Bounds(rasterizer);
}

template <typename Pixel, typename PixFmt> Velmora::Area Graphics<Pixel, PixFmt>::MeasureFill(const Path& path)
{
    return Measure([&](auto& target) { AddFill(target, path); });
}

template class Graphics<Velmora::Color565, BackgroundPixelFormat>;
template class Graphics<Velmora::Color, ForegroundPixelFormat>;

} // namespace PImpl
