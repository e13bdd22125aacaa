#pragma once

// The extremes of a stroke's outline without making the outline: a stand-in for AGG's stroke
// generator behind the same adaptor, and so fed the same polylines.

#include "graphics/PImpl/Path.h"

#include <agg_conv_adaptor_vcgen.h>
#include <agg_conv_curve.h>
#include <agg_math_stroke.h>
#include <agg_vertex_sequence.h>

#include <limits>

namespace PImpl
{

// Keeps each polyline exactly as the stroke generator does, but works out the joins and caps
// only of the vertices that can reach beyond the extremes found so far; those are computed by
// the same code as the generator's, so the extremes are the very same numbers.
//
// How far a vertex's joins can reach: where its two segments turn by less than a right angle
// (and not so little that the offset lines' intersection is ill-conditioned), every point of
// its joins lies within a few stroke widths of it (an inner miter within 0.71 widths, an outer
// one within the miter limit of two widths or its cut-off corner, caps and round joins half a
// width). Any other vertex reaches at most its longer segment plus a few widths (an inner miter
// is cut off at the shorter segment's length).
class StrokeBounds
{
public:
    void width(double width);
    void line_cap(agg::line_cap_e cap) { m_stroker.line_cap(cap); }
    void line_join(agg::line_join_e join) { m_stroker.line_join(join); }

    // The generator's own interface, as the adaptor drives it.
    void remove_all();
    void add_vertex(double x, double y, unsigned command);
    void rewind(unsigned);
    unsigned vertex(double*, double*) { return agg::path_cmd_stop; }

    // Whether the outline surely leaves cells in the rasteriser: one of its edges crosses a whole
    // cell row. Bounds taken from the extremes stand only then.
    bool LeavesCells() const { return m_leavesCells; }
    // Infinite (min above max) while no cap or join has been made.
    double GetMinX() const { return m_minX; }
    double GetMinY() const { return m_minY; }
    double GetMaxX() const { return m_maxX; }
    double GetMaxY() const { return m_maxY; }

private:
    // A polyline vertex as the generator keeps it, except that the length of the segment to the
    // next vertex (a square root, in software on the board) is worked out only when a join
    // needs it. Whether two vertices coincide is decided exactly as the generator decides it.
    struct Vertex : agg::vertex_dist
    {
        Vertex() = default;
        Vertex(double x, double y)
            : agg::vertex_dist(x, y), xf(static_cast<float>(x)), yf(static_cast<float>(y))
        {
        }
        bool operator()(const Vertex& next);

        bool known = true;
        // The position in single precision, which the core computes itself, for ruling most
        // vertices out before any double-precision work.
        float xf = 0.0f;
        float yf = 0.0f;
    };
    typedef agg::pod_bvector<agg::point_d, 6> Points;

    void AddPolyline();
    double Length(unsigned i);
    bool CanReachBeyond(unsigned i) const;
    bool SurelyInside(unsigned i) const;
    static int Row(double y);
    void Join(unsigned i, bool backwards);
    void AddJoins(unsigned i);
    void AddPoints();

    agg::math_stroke<Points> m_stroker;
    agg::vertex_sequence<Vertex, 6> m_vertices;
    Points m_points;
    unsigned m_closed = 0;
    double m_reachBeyondVertex = 0.0;
    bool m_leavesCells = false;
    double m_minX = std::numeric_limits<double>::infinity();
    double m_minY = std::numeric_limits<double>::infinity();
    double m_maxX = -std::numeric_limits<double>::infinity();
    double m_maxY = -std::numeric_limits<double>::infinity();
    // The extremes in single precision, rounded either way.
    float m_minXf = std::numeric_limits<float>::infinity();
    float m_minYf = std::numeric_limits<float>::infinity();
    float m_maxXf = -std::numeric_limits<float>::infinity();
    float m_maxYf = -std::numeric_limits<float>::infinity();
};

// Feeds the outline (its curves flattened as for drawing) through a StrokeBounds that configure
// sets up, and returns what use makes of it.
template <typename Configure, typename Use> auto FollowStroke(const Path& path, Configure configure, Use use)
{
    PathWalker walker = path.Walk();
    agg::conv_curve<PathWalker> curve(walker);
    agg::conv_adaptor_vcgen<agg::conv_curve<PathWalker>, StrokeBounds> outline(curve);
    configure(outline.generator());
    double x;
    double y;
    outline.rewind(0);
    while (!agg::is_stop(outline.vertex(&x, &y)))
    {
    }
    return use(static_cast<const StrokeBounds&>(outline.generator()));
}

} // namespace PImpl
