#pragma once

// The extremes of a stroke's outline without making the outline: a stand-in for AGG's stroke
// generator behind the same adaptor, and so fed the same polylines.

#include "graphics/PImpl/Path.h"

#include <agg_conv_adaptor_vcgen.h>
#include <agg_conv_curve.h>
#include <agg_math_stroke.h>
#include <agg_vertex_sequence.h>

#include <algorithm>
#include <limits>

namespace PImpl
{

// Keeps each polyline exactly as the stroke generator does, but works out the joins and caps
// only of the vertices that can reach beyond the extremes found so far; those are computed by
// the same code as the generator's, so the extremes are the very same numbers (the order in
// which they are found does not change a minimum or a maximum).
//
// How far a vertex's joins can reach: where its two segments turn by less than 117 degrees
// (and not so little that the offset lines' intersection is ill-conditioned), every point of
// its joins lies within 0.96 of a stroke width of it (the offset lines meet half a width over
// the cosine of half the turn away, well within the miter limit of two widths; a miter beyond
// an inner one's limit gives way to the bevel's points half a width away; round joins keep to
// half a width). A cap lies within 0.71 widths of its vertex (a square one's corners). Any other
// vertex reaches at most its longer segment (an inner miter is cut off at the shorter segment's
// length) or 2.07 widths (an outer miter cut off at its limit, its corners half a width to the
// side). Half again is allowed on each, which leaves room for every rounding.
class StrokeBounds
{
public:
    void width(double width);
    void line_cap(agg::line_cap_e cap) { m_stroker.line_cap(cap); }
    void line_join(agg::line_join_e join);

    // The generator's own interface, as the adaptor drives it.
    void remove_all();
    void add_vertex(double x, double y, unsigned command);
    void rewind(unsigned);
    unsigned vertex(double*, double*) { return agg::path_cmd_stop; }

    // Settles the vertices left for the end; after the last polyline, before the results.
    void Finish();

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
        // Member by member: a few double-word moves, where the implicit copy is a loop of words.
        Vertex(const Vertex& other)
            : agg::vertex_dist(), known(other.known), xf(other.xf), yf(other.yf)
        {
            x = other.x;
            y = other.y;
            dist = other.dist;
        }
        Vertex& operator=(const Vertex& other)
        {
            x = other.x;
            y = other.y;
            dist = other.dist;
            known = other.known;
            xf = other.xf;
            yf = other.yf;
            return *this;
        }
        bool operator()(const Vertex& next);

        bool known = true;
        // The position in single precision, which the core computes itself, for ruling most
        // vertices out before any double-precision work.
        float xf = 0.0f;
        float yf = 0.0f;
    };
    typedef agg::pod_bvector<agg::point_d, 6> Points;

    // A vertex kept for the end, with its neighbours (a cap's other vertex as its neighbour).
    struct Candidate
    {
        enum Kind : unsigned char
        {
            join,
            firstCap,
            lastCap
        };
        Vertex previous;
        Vertex current;
        Vertex next;
        Kind kind = join;
    };
    // Candidates are settled once this many are kept, which bounds the memory they take.
    static const unsigned maxCandidates = 32;

    void AddPolyline();
    bool Defers(float minX, float minY, float maxX, float maxY, float sum) const;
    void Bound(const Vertex& left, const Vertex& right, const Vertex& top, const Vertex& bottom);
    void Flush();
    static double Length(const Vertex& vertex, const Vertex& next);
    void Join(const Vertex& previous, const Vertex& current, const Vertex& next, double previousLength,
              double currentLength, bool backwards);
    // Both miter joins of a vertex (forwards and backwards), their points put into m_points.
    void MiterJoins(const Vertex& previous, const Vertex& current, const Vertex& next, double previousLength,
                    double currentLength);
    // The join of vertex i on the first side, its points in m_points in the generator's order;
    // worked out as MiterJoins does where joins are deferred (miter joins, coordinates in range).
    void FirstSideJoin(unsigned i, bool miter);
    void MiterJoin(const Vertex& v0, const Vertex& v1, const Vertex& v2, double len1, double len2, double dx1,
                   double dy1, double dx2, double dy2, bool inner);
    bool SurelyInside(const Vertex& previous, const Vertex& current, const Vertex& next) const;
    // Whether the double-precision test of CanReachBeyond surely takes the vertex's turn as gentle
    // (its joins within a width and a half, and a millionth of its longer segment and of its
    // distance from the origin, of it).
    static bool SurelyGentle(const Vertex& previous, const Vertex& current, const Vertex& next);
    bool CanReachBeyond(const Vertex& previous, const Vertex& current, const Vertex& next) const;
    bool CapSurelyInside(const Vertex& vertex) const;
    bool CapCanReachBeyond(const Vertex& vertex) const;
    // Calls visit(index, vertex) for every vertex in order, without working out each one's place.
    template <typename Visit> void ForEachVertex(Visit visit) const
    {
        const unsigned count = m_vertices.size();
        const unsigned blockSize = decltype(m_vertices)::block_size;
        for (unsigned start = 0, block = 0; start < count; start += blockSize, ++block)
        {
            const Vertex* vertices = m_vertices.block(block);
            const unsigned size = std::min(blockSize, count - start);
            for (unsigned k = 0; k < size; ++k)
            {
                visit(start + k, vertices[k]);
            }
        }
    }
    double Length(unsigned i);
    bool CanReachBeyond(unsigned i) const;
    bool SurelyInside(unsigned i) const;
    bool CapCanReachBeyond(unsigned i) const;
    // Whether the vertex, widened by reach, lies strictly within the single-precision extremes,
    // or reaches beyond the double-precision ones.
    bool Inside(const Vertex& vertex, float reach) const;
    bool Beyond(const Vertex& vertex, double reach) const;
    static int Row(double y);
    // Whether the last point of vertex i's join on the first side and the first of the next
    // vertex's are surely rows apart by two or more, told in single precision.
    bool SurelyApartByRows(unsigned i) const;
    void Join(unsigned i, bool backwards);
    void AddJoins(unsigned i);
    void AddPoints();

    agg::math_stroke<Points> m_stroker;
    agg::vertex_sequence<Vertex, 6> m_vertices;
    agg::pod_bvector<Candidate, 3> m_candidates;
    double m_width = 0.0;
    bool m_miter = true;
    // The generator's half width, its size and sign, and its outer miter joins' limit (a distance).
    double m_halfWidth = 0.0;
    double m_halfWidthAbs = 0.0;
    int m_halfWidthSign = 1;
    double m_outerLimit = 0.0;
    // Whether a join's miter limit may be told from squared distances (see MiterJoin).
    bool m_squaredLimits = false;
    Points m_points;
    unsigned m_closed = 0;
    // How far beyond a vertex its joins reach: any joins beyond its longer segment, and those of
    // a gentle turn (or a cap) at all; in single precision too.
    double m_reachAny = 0.0;
    double m_reachGentle = 0.0;
    float m_reachAnyf = 0.0f;
    float m_reachGentlef = 0.0f;
    bool m_leavesCells = false;
    double m_minX = std::numeric_limits<double>::infinity();
    double m_minY = std::numeric_limits<double>::infinity();
    double m_maxX = -std::numeric_limits<double>::infinity();
    double m_maxY = -std::numeric_limits<double>::infinity();
    // The extremes in single precision, rounded either way, or bounds that the extremes at the end
    // are known to reach (see Bound), whichever are tighter; the margins of every test that uses
    // them allow for that rounding.
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
    outline.generator().Finish();
    return use(static_cast<const StrokeBounds&>(outline.generator()));
}

} // namespace PImpl
