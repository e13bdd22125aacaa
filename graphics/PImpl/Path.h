#pragma once

#include "graphics/Area.h"
#include "graphics/Point.h"

#include <agg_path_storage.h>

#include <string>

namespace Velmora
{
class FiniteStreamReader;
}

namespace PImpl
{

// 256 float vertices a block, so a growing outline costs one allocation per 256 vertices and
// never moves the vertices it already has; the block-pointer table grows 256 entries at a time.
using AggPath = agg::path_base<agg::vertex_block_storage<float, 8u, 256u>>;

// Walks a stored outline as AGG's converters walk a vertex source (rewind, then vertex after
// vertex), without copying it: the same commands and coordinates the path itself would give.
class PathWalker
{
public:
    explicit PathWalker(const AggPath& path) : m_path(path) {}

    void rewind(unsigned first) { m_next = first; }
    unsigned vertex(double* x, double* y)
    {
        return m_next >= m_path.total_vertices() ? static_cast<unsigned>(agg::path_cmd_stop)
                                                 : m_path.vertex(m_next++, x, y);
    }

private:
    const AggPath& m_path;
    unsigned m_next = 0;
};

// Vertex storage of an outline, and the builders of the ready-made shapes. Coordinates are
// pixels, x to the right, y downwards.
class Path
{
public:
    Path() = default;
    Path(const Path& other) = default;
    Path& operator=(const Path& other);

    void Clear();
    void MoveTo(const Velmora::Point& p);
    void LineTo(const Velmora::Point& p);
    // One quadratic Bezier segment from the current point.
    void CurveTo(const Velmora::Point& control, const Velmora::Point& end);
    // One cubic Bezier segment from the current point (glyph outlines of cubic fonts).
    void CurveTo(const Velmora::Point& control1, const Velmora::Point& control2, const Velmora::Point& end);
    // Ends the current polygon once: closing an empty or already closed path adds nothing.
    void Close();
    // Moves every vertex; end-of-polygon markers keep their (0, 0).
    void Translate(float dx, float dy);

    // A copy, for code that changes it.
    AggPath GetAggPath() const { return m_path; }
    // What the rasteriser's curve and stroke converters walk.
    PathWalker Walk() const { return PathWalker(m_path); }

    unsigned GetVertexCount() const { return m_path.total_vertices(); }
    // The command of vertex index, with its coordinates in x and y.
    unsigned GetVertex(unsigned index, float& x, float& y) const;

    static Path Ellipse(const Velmora::Point& center, float radiusX, float radiusY);
    static Path Circle(const Velmora::Point& center, float radius);
    static Path Line(const Velmora::Point& from, const Velmora::Point& to);
    // All radii exactly 0 give a plain four-corner polygon; any other value goes through AGG's
    // rounded rectangle. Radii are not clamped to the sides.
    static Path Rectangle(const Velmora::Area& area, float topLeftRadius, float topRightRadius,
                          float bottomLeftRadius, float bottomRightRadius);
    static Path Rectangle(const Velmora::Area& area, float radius);

    // The outlines of text set from origin (the left end of the first glyph's baseline) at size
    // pixels per em, turned by angle degrees clockwise about origin. Glyph points are rounded to
    // whole pixels.
    static Path Text(const Velmora::Point& origin, const Velmora::FiniteStreamReader& font,
                     const std::u32string& text, float size, float angle);

private:
    AggPath m_path;
};

} // namespace PImpl
