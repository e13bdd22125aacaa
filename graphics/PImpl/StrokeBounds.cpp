#include "graphics/PImpl/StrokeBounds.h"

#include "graphics/PImpl/ExactArithmetic.h"
#include "graphics/PImpl/Rasterizer.h"

#include <agg_shorten_path.h>

#include <algorithm>
#include <cmath>

namespace PImpl
{

namespace
{

// agg::calc_distance, its square root correctly rounded by SquareRoot.
double Distance(const agg::vertex_dist& from, const agg::vertex_dist& to)
{
    const double dx = to.x - from.x;
    const double dy = to.y - from.y;
    return SquareRoot(dx * dx + dy * dy);
}

} // namespace

bool StrokeBounds::Vertex::operator()(const Vertex& next)
{
    // Apart in single precision by far more than its rounding (a few parts in 10^8 of the
    // coordinates) and far above the generator's threshold (a length of 1e-14): the vertices are
    // apart, and the length can wait.
    const float apart = std::fabs(next.xf - xf) + std::fabs(next.yf - yf);
    if (apart > 1e-6f * (std::fabs(xf) + std::fabs(yf) + std::fabs(next.xf) + std::fabs(next.yf)) + 1e-12f)
    {
        known = false;
        return true;
    }
    const double dx = next.x - x;
    const double dy = next.y - y;
    const double squared = dx * dx + dy * dy;
    // Still far above the threshold (a square root of at least 3e-14).
    if (squared > 1e-27)
    {
        known = false;
        return true;
    }
    dist = SquareRoot(squared);
    known = true;
    if (dist > agg::vertex_dist_epsilon)
    {
        return true;
    }
    dist = 1.0 / agg::vertex_dist_epsilon;
    return false;
}

double StrokeBounds::Length(unsigned i)
{
    // A vertex's length is always to the vertex that follows it now (the last one's to the first
    // in a closed polyline): the sequence works it out again whenever that changes.
    Vertex& vertex = m_vertices[i];
    if (!vertex.known)
    {
        const Vertex& next = m_vertices.next(i);
        vertex.dist = Distance(vertex, next);
        vertex.known = true;
    }
    return vertex.dist;
}

void StrokeBounds::width(double width)
{
    m_stroker.width(width);
    // The farthest reaches (see the class comment) with half again for rounding.
    m_reachAny = std::fabs(width) * 3.0;
    m_reachGentle = std::fabs(width) * 1.5;
    m_reachAnyf = static_cast<float>(m_reachAny);
    m_reachGentlef = static_cast<float>(m_reachGentle);
    m_width = width;
    // As the generator keeps them.
    m_halfWidth = width * 0.5;
    m_halfWidthAbs = m_halfWidth < 0 ? -m_halfWidth : m_halfWidth;
    m_halfWidthSign = m_halfWidth < 0 ? -1 : 1;
    m_outerLimit = m_halfWidthAbs * m_stroker.miter_limit();
    // Limits far from underflow and overflow when squared, as every join's is then (the inner
    // ones' are at least the half width and at most a segment's length, below 10^7 wherever
    // joins are deferred).
    m_squaredLimits = m_halfWidthAbs > 1e-100 && m_halfWidthAbs < 1e100;
}

void StrokeBounds::line_join(agg::line_join_e join)
{
    m_stroker.line_join(join);
    m_miter = join == agg::miter_join;
}

void StrokeBounds::remove_all()
{
    m_vertices.remove_all();
    m_closed = 0;
}

void StrokeBounds::add_vertex(double x, double y, unsigned command)
{
    if (agg::is_move_to(command))
    {
        m_vertices.modify_last(Vertex(x, y));
    }
    else if (agg::is_vertex(command))
    {
        m_vertices.add(Vertex(x, y));
    }
    else
    {
        m_closed = agg::get_close_flag(command);
    }
}

void StrokeBounds::rewind(unsigned)
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

// A few comparisons, made for most vertices: inline wherever they are made.
inline __attribute__((__always_inline__)) bool StrokeBounds::Inside(const Vertex& vertex, float reach) const
{
    return vertex.xf - reach > m_minXf && vertex.xf + reach < m_maxXf && vertex.yf - reach > m_minYf &&
           vertex.yf + reach < m_maxYf;
}

void StrokeBounds::AddPolyline()
{
    const unsigned count = m_vertices.size();
    const bool closed = m_closed != 0;
    if (count < 2 + unsigned(closed))
    {
        return;
    }
    // The vertices with joins; an open polyline's ends have caps instead.
    const unsigned first = closed ? 0 : 1;
    const unsigned end = closed ? count : count - 1;
    // The extreme vertices first, so that most others can be ruled out. Which vertices come
    // first, and which edge is tried for cells, only makes the work shorter; single precision
    // is good enough for choosing them.
    const float infinity = std::numeric_limits<float>::infinity();
    float minX = infinity;
    float minY = infinity;
    float maxX = -infinity;
    float maxY = -infinity;
    unsigned extremes[4] = {0, 0, 0, 0};
    unsigned steepest = first;
    float steepestRise = 0.0f;
    float lastY = 0.0f;
    float sum = 0.0f;
    ForEachVertex([&](unsigned i, const Vertex& v) {
        sum += v.xf + v.yf;
        if (v.xf < minX)
        {
            minX = v.xf;
            extremes[0] = i;
        }
        if (v.xf > maxX)
        {
            maxX = v.xf;
            extremes[1] = i;
        }
        if (v.yf < minY)
        {
            minY = v.yf;
            extremes[2] = i;
        }
        if (v.yf > maxY)
        {
            maxY = v.yf;
            extremes[3] = i;
        }
        // The segment that ends here, from the vertex before; the first one with joins at both
        // ends is taken unless a later one rises more.
        const float rise = std::fabs(v.yf - lastY);
        if (i == first + 1 && i < end)
        {
            steepestRise = rise;
        }
        else if (i > first + 1 && i < end && rise > steepestRise)
        {
            steepest = i - 1;
            steepestRise = rise;
        }
        lastY = v.yf;
    });
    // With miter joins the polylines' extreme vertices bound the extremes at the end, and every
    // vertex that cannot pass those bounds is ruled out at once; the others are kept and judged
    // at the end, against the extremes of all the polylines' vertices.
    const bool deferring = Defers(minX, minY, maxX, maxY, sum);
    if (deferring)
    {
        Bound(m_vertices[extremes[0]], m_vertices[extremes[1]], m_vertices[extremes[2]], m_vertices[extremes[3]]);
    }
    const auto add = [&](unsigned i) {
        if (deferring)
        {
            const bool cap = i < first || i >= end;
            if (cap ? CapSurelyInside(m_vertices[i]) : SurelyInside(i))
            {
                return;
            }
            Candidate candidate;
            candidate.previous = cap && i == 0 ? m_vertices[0] : m_vertices.prev(i);
            candidate.current = m_vertices[i];
            candidate.next = cap && i == count - 1 ? m_vertices[i] : m_vertices.next(i);
            candidate.kind = !cap ? Candidate::join : i == 0 ? Candidate::firstCap : Candidate::lastCap;
            m_candidates.add(candidate);
            if (m_candidates.size() >= maxCandidates)
            {
                Flush();
            }
        }
        else if (i >= first && i < end)
        {
            if (CanReachBeyond(i))
            {
                AddJoins(i);
            }
        }
        else if (CapCanReachBeyond(i))
        {
            if (i == 0)
            {
                m_stroker.calc_cap(m_points, m_vertices[0], m_vertices[1], Length(0));
            }
            else
            {
                m_stroker.calc_cap(m_points, m_vertices[count - 1], m_vertices[count - 2], Length(count - 2));
            }
            AddPoints();
        }
    };
    add(extremes[0]);
    for (unsigned k = 1; k < 4; ++k)
    {
        const unsigned i = extremes[k];
        if (i != extremes[0] && (k < 2 || i != extremes[1]) && (k < 3 || i != extremes[2]))
        {
            add(i);
        }
    }
    const auto extreme = [&](unsigned i) __attribute__((__always_inline__)) {
        return i == extremes[0] || i == extremes[1] || i == extremes[2] || i == extremes[3];
    };
    if (!closed)
    {
        for (unsigned i : {0u, count - 1})
        {
            if (!extreme(i))
            {
                add(i);
            }
        }
    }
    // The others, in one walk that keeps each vertex's neighbours at hand: most are ruled out
    // by the first test of SurelyInside, the reach of their longer segment and any joins, with
    // its part in 10^5 of the sizes taken over the whole polyline (never less than over the
    // vertex and its neighbours, so the test rules out no vertex that it would not); the rest go
    // through CanReachBeyond.
    const float polylineSize = 3.0f * (std::max(std::fabs(minX), std::fabs(maxX)) + std::max(std::fabs(minY), std::fabs(maxY)));
    const Vertex* before = closed ? &m_vertices[count - 1] : nullptr;
    const Vertex* current = nullptr;
    float segmentBefore = 0.0f;
    const auto judge = [&](unsigned i, const Vertex& next) {
        const float segmentAfter = std::fabs(next.xf - current->xf) + std::fabs(next.yf - current->yf);
        if (i >= first && i < end && !extreme(i))
        {
            const float size = polylineSize + std::fabs(m_minXf) + std::fabs(m_minYf) + std::fabs(m_maxXf) + std::fabs(m_maxYf);
            const float along = std::max(segmentBefore, segmentAfter);
            if (!Inside(*current, along * 1.001f + m_reachAnyf * 1.001f + 1e-5f * size))
            {
                add(i);
            }
        }
        segmentBefore = segmentAfter;
    };
    ForEachVertex([&](unsigned i, const Vertex& v) {
        if (current != nullptr)
        {
            judge(i - 1, v);
        }
        else if (before != nullptr)
        {
            segmentBefore = std::fabs(v.xf - before->xf) + std::fabs(v.yf - before->yf);
        }
        current = &v;
    });
    if (closed)
    {
        judge(count - 1, m_vertices[0]);
    }
    if (!m_leavesCells && steepest + 1 < end && SurelyApartByRows(steepest))
    {
        m_leavesCells = true;
    }
    else if (!m_leavesCells && steepest + 1 < end)
    {
        // The outline runs from the last point of one vertex's join (on the first side) to
        // the first point of the next one's.
        FirstSideJoin(steepest, deferring);
        const int row = Row(m_points[m_points.size() - 1].y);
        FirstSideJoin(steepest + 1, deferring);
        const int next = Row(m_points[0].y);
        m_leavesCells = next - row >= 2 || row - next >= 2;
    }
}

bool StrokeBounds::SurelyApartByRows(unsigned i) const
{
    // Both vertices turning gently, their joins' points lie within a width and a half of them, and
    // a millionth of the longer segment and of their distance from the origin (see SurelyGentle),
    // which the thousandth and the part in 10^5 of the size added, as in SurelyInside, cover
    // with the rounding of single precision. Points more than four rows apart, rounded to 1/256
    // and cut to whole rows, lie in rows at least three apart.
    const Vertex& first = m_vertices[i];
    const Vertex& second = m_vertices[i + 1];
    const auto reach = [&](unsigned k, const Vertex& vertex) {
        const Vertex& previous = m_vertices.prev(k);
        const Vertex& next = m_vertices.next(k);
        const float along = std::max(std::fabs(vertex.xf - previous.xf) + std::fabs(vertex.yf - previous.yf),
                                     std::fabs(next.xf - vertex.xf) + std::fabs(next.yf - vertex.yf));
        const float size = std::fabs(previous.xf) + std::fabs(previous.yf) + std::fabs(vertex.xf) +
                           std::fabs(vertex.yf) + std::fabs(next.xf) + std::fabs(next.yf);
        return SurelyGentle(previous, vertex, next) ? along * 1.001e-6f + m_reachGentlef * 1.001f + 1e-5f * size
                                                     : std::numeric_limits<float>::infinity();
    };
    // The rise alone first: most segments rise too little for the reaches to matter.
    return std::fabs(second.yf - first.yf) > 4.0f &&
           std::fabs(second.yf - first.yf) - reach(i, first) - reach(i + 1, second) > 4.0f;
}


bool StrokeBounds::Beyond(const Vertex& vertex, double reach) const
{
    return vertex.x - reach < m_minX || vertex.x + reach > m_maxX || vertex.y - reach < m_minY ||
           vertex.y + reach > m_maxY;
}

bool StrokeBounds::CapSurelyInside(const Vertex& vertex) const
{
    // Every point of a cap lies within a width of its vertex (a square cap's corners within
    // 0.71 widths), give or take the rounding of adding the offsets to the vertex's coordinates:
    // the reach of a gently turning vertex holds, in single precision as in double.
    const float size = std::fabs(vertex.xf) + std::fabs(vertex.yf) + std::fabs(m_minXf) + std::fabs(m_minYf) +
                       std::fabs(m_maxXf) + std::fabs(m_maxYf);
    return Inside(vertex, m_reachGentlef * 1.001f + 1e-5f * size);
}

bool StrokeBounds::CapCanReachBeyond(const Vertex& vertex) const
{
    return !CapSurelyInside(vertex) &&
           Beyond(vertex, m_reachGentle + 1e-6 * (std::fabs(vertex.x) + std::fabs(vertex.y)));
}

bool StrokeBounds::CapCanReachBeyond(unsigned i) const
{
    return CapCanReachBeyond(m_vertices[i]);
}

bool StrokeBounds::SurelyInside(unsigned i) const
{
    return SurelyInside(m_vertices.prev(i), m_vertices.curr(i), m_vertices.next(i));
}

bool StrokeBounds::SurelyInside(const Vertex& previous, const Vertex& current, const Vertex& next) const
{
    // What the double-precision test below rules out first, with the segments' reach widened by
    // far more than the rounding of every coordinate to single precision (a few parts in 10^8 of
    // its size); anything less clear, or not a number, is left to that test.
    const float along = std::max(std::fabs(current.xf - previous.xf) + std::fabs(current.yf - previous.yf),
                                 std::fabs(next.xf - current.xf) + std::fabs(next.yf - current.yf));
    const float size = std::fabs(current.xf) + std::fabs(current.yf) + std::fabs(previous.xf) + std::fabs(previous.yf) +
                       std::fabs(next.xf) + std::fabs(next.yf) + std::fabs(m_minXf) + std::fabs(m_minYf) +
                       std::fabs(m_maxXf) + std::fabs(m_maxYf);
    const float margin = 1e-5f * size;
    if (Inside(current, along * 1.001f + m_reachAnyf * 1.001f + margin))
    {
        return true;
    }
    // The test below returns false also for a vertex whose turn is less than 120 degrees and not
    // nearly straight, when a width and a half (and a millionth of its size) keep it inside: most
    // vertices of a flattened curve near the extremes. That turn is settled here too, from the
    // single-precision segments, whenever their errors cannot unsettle it.
    //
    // The reach of that test, as above: the millionth of the longer segment and of the vertex's
    // distance from the origin is within the thousandth and the part in 10^5 of the size added.
    return SurelyGentle(previous, current, next) && Inside(current, along * 1.001e-6f + m_reachGentlef * 1.001f + margin);
}

inline __attribute__((__always_inline__)) bool StrokeBounds::SurelyGentle(const Vertex& previous, const Vertex& current,
                                                                   const Vertex& next)
{
    // Each coordinate is the double one rounded (2^-24 of it at most), and each difference of two
    // rounds once more, so a segment's components are within e = 2^-23 * s of the double
    // differences, with s the sum of the three vertices' coordinates' sizes; with it 2^-22 * s
    // leaves room for the rounding of the bounds themselves. With l1, l2 the segments' sums of
    // sides (never shorter than the segments), a dot or cross product of the single segments is
    // within 2^-22 * l1 * l2 (its own rounding) plus e * (l1 + l2 + 2 * e) of the double
    // segments' exact one, and the product of the double segments' lengths is at most
    // (l1 + 2 * e) * (l2 + 2 * e) and at least half of (l1 - 2 * e) * (l2 - 2 * e) (a sum of
    // sides is at most 1.42 times the length). The limits (a cosine above -0.4, a sine above
    // 10^-6, the shorter segment's sum of sides above 10^-6 of s) are widened by a hundredth and
    // the errors doubled, far more than the rounding of this arithmetic and of the
    // double-precision test, which takes cosines above -0.447.
    const float dx1 = current.xf - previous.xf;
    const float dy1 = current.yf - previous.yf;
    const float dx2 = next.xf - current.xf;
    const float dy2 = next.yf - current.yf;
    const float s = std::fabs(previous.xf) + std::fabs(previous.yf) + std::fabs(current.xf) + std::fabs(current.yf) +
                    std::fabs(next.xf) + std::fabs(next.yf);
    const float e = s * (1.0f / 4194304.0f);
    const float l1 = std::fabs(dx1) + std::fabs(dy1);
    const float l2 = std::fabs(dx2) + std::fabs(dy2);
    const float error = 2.0f * (l1 * l2 * (1.0f / 4194304.0f) + e * (l1 + l2 + 2.0f * e));
    const float lengths = (l1 + 2.0f * e) * (l2 + 2.0f * e) * 1.01f;
    const float shortest = std::max(l1 - 2.0f * e, 0.0f) * std::max(l2 - 2.0f * e, 0.0f) * 0.5f * 0.99f;
    const float dot = dx1 * dx2 + dy1 * dy2;
    const float cross = dx1 * dy2 - dy1 * dx2;
    return dot - error > -0.4f * shortest && std::fabs(cross) - error > 1e-6f * lengths &&
           std::min(l1, l2) - 2.0f * e > 1.01e-6f * s;
}

bool StrokeBounds::CanReachBeyond(unsigned i) const
{
    return CanReachBeyond(m_vertices.prev(i), m_vertices.curr(i), m_vertices.next(i));
}

bool StrokeBounds::CanReachBeyond(const Vertex& previous, const Vertex& current, const Vertex& next) const
{
    if (SurelyInside(previous, current, next))
    {
        return false;
    }
    const double dx1 = current.x - previous.x;
    const double dy1 = current.y - previous.y;
    const double dx2 = next.x - current.x;
    const double dy2 = next.y - current.y;
    // The longer segment, measured without a square root (its sum of sides is never shorter);
    // rounding errors in the reach are kept far below its margin of widths.
    const double along = std::max(std::fabs(dx1) + std::fabs(dy1), std::fabs(dx2) + std::fabs(dy2));
    if (!Beyond(current, along * (1.0 + 1e-9) + m_reachAny))
    {
        return false;
    }
    // Less than 117 degrees (cosine above -0.447, its square below 0.2 when negative), more than
    // a millionth of a radian, and segments longer than a millionth of the vertex's distance from
    // the origin (else the rounding of the offset points, a part in 10^16 of that distance,
    // could tilt the offset lines by as much as the turn): the joins stay within 0.96 widths,
    // give or take rounding errors far below a millionth of the segment's length and of that
    // distance.
    const double dot = dx1 * dx2 + dy1 * dy2;
    const double cross = dx1 * dy2 - dy1 * dx2;
    const double squares = (dx1 * dx1 + dy1 * dy1) * (dx2 * dx2 + dy2 * dy2);
    const double shorter = std::min(std::fabs(dx1) + std::fabs(dy1), std::fabs(dx2) + std::fabs(dy2));
    if ((dot >= 0.0 || dot * dot < 0.2 * squares) && cross * cross > 1e-12 * squares &&
        shorter > 1e-6 * (std::fabs(current.x) + std::fabs(current.y)))
    {
        return Beyond(current, m_reachGentle + 1e-6 * (along + std::fabs(current.x) + std::fabs(current.y)));
    }
    return true;
}

int StrokeBounds::Row(double y)
{
    return FixedPointConversion::upscale(y) >> agg::poly_subpixel_shift;
}

void StrokeBounds::Join(unsigned i, bool backwards)
{
    const unsigned count = m_vertices.size();
    const unsigned before = (i + count - 1) % count;
    const double previousLength = Length(before);
    const double currentLength = Length(i);
    Join(m_vertices[before], m_vertices[i], m_vertices.next(i), previousLength, currentLength, backwards);
}

double StrokeBounds::Length(const Vertex& vertex, const Vertex& next)
{
    // As Length(i) works it out, on copies.
    return vertex.known ? vertex.dist : Distance(vertex, next);
}

void StrokeBounds::Join(const Vertex& previous, const Vertex& current, const Vertex& next, double previousLength,
                        double currentLength, bool backwards)
{
    if (backwards)
    {
        m_stroker.calc_join(m_points, next, current, previous, currentLength, previousLength);
    }
    else
    {
        m_stroker.calc_join(m_points, previous, current, next, previousLength, currentLength);
    }
}

void StrokeBounds::MiterJoins(const Vertex& previous, const Vertex& current, const Vertex& next,
                              double previousLength, double currentLength)
{
    // The generator's joins forwards (previous, current, next) and backwards (next, current,
    // previous), with its own arithmetic, step for step, so the points are the very same numbers
    // (its divisions correctly rounded too, by Divide); what the two share is worked out once.
    // The offsets of the segments, half a width across:
    const double dx1 = Divide(m_halfWidth * (current.y - previous.y), previousLength);
    const double dy1 = Divide(m_halfWidth * (current.x - previous.x), previousLength);
    const double dx2 = Divide(m_halfWidth * (next.y - current.y), currentLength);
    const double dy2 = Divide(m_halfWidth * (next.x - current.x), currentLength);
    // Backwards, each offset is one of these from the differences taken the other way round: the
    // same difference negated, exactly, and so the same product and quotient negated (rounding to
    // nearest treats both signs alike). A zero difference is the exception (a - a is +0 either way
    // round), so zero offsets, of whatever sign, are worked out again; they cost no real division.
    const auto backwards = [&](double forwards, double from, double to, double length) {
        return forwards != 0.0 ? -forwards : Divide(m_halfWidth * (from - to), length);
    };
    const double backDx1 = backwards(dx2, current.y, next.y, currentLength);
    const double backDy1 = backwards(dy2, current.x, next.x, currentLength);
    const double backDx2 = backwards(dx1, current.y, previous.y, previousLength);
    const double backDy2 = backwards(dy1, current.x, previous.x, previousLength);
    // The turn's cross product; backwards its two products swap (each factor negated, exactly),
    // so it is this one negated, which only its comparisons with zero see.
    const double cross = agg::cross_product(previous.x, previous.y, current.x, current.y, next.x, next.y);
    const bool forwardsInner = cross != 0 && (cross > 0) == (m_halfWidth > 0);
    const bool backwardsInner = cross != 0 && (cross < 0) == (m_halfWidth > 0);
    m_points.remove_all();
    MiterJoin(previous, current, next, previousLength, currentLength, dx1, dy1, dx2, dy2, forwardsInner);
    MiterJoin(next, current, previous, currentLength, previousLength, backDx1, backDy1, backDx2, backDy2,
              backwardsInner);
}

void StrokeBounds::FirstSideJoin(unsigned i, bool miter)
{
    if (!miter)
    {
        Join(i, false);
        return;
    }
    // The generator's join forwards, its points in its order, as MiterJoins works it out.
    const Vertex& previous = m_vertices.prev(i);
    const Vertex& current = m_vertices[i];
    const Vertex& next = m_vertices.next(i);
    const double previousLength = Length((i + m_vertices.size() - 1) % m_vertices.size());
    const double currentLength = Length(i);
    const double dx1 = Divide(m_halfWidth * (current.y - previous.y), previousLength);
    const double dy1 = Divide(m_halfWidth * (current.x - previous.x), previousLength);
    const double dx2 = Divide(m_halfWidth * (next.y - current.y), currentLength);
    const double dy2 = Divide(m_halfWidth * (next.x - current.x), currentLength);
    const double cross = agg::cross_product(previous.x, previous.y, current.x, current.y, next.x, next.y);
    m_points.remove_all();
    MiterJoin(previous, current, next, previousLength, currentLength, dx1, dy1, dx2, dy2,
              cross != 0 && (cross > 0) == (m_halfWidth > 0));
}

void StrokeBounds::MiterJoin(const Vertex& v0, const Vertex& v1, const Vertex& v2, double len1, double len2,
                             double dx1, double dy1, double dx2, double dy2, bool inner)
{
    // An inner join is the generator's miter that reverts to a bevel beyond its limit of the
    // shorter segment (at least the inner miter limit in half widths); an outer one its miter
    // cut off at the miter limit, or its bevel when the offset lines do not meet.
    const double ax = v0.x + dx1;
    const double ay = v0.y - dy1;
    const double bx = v1.x + dx1;
    const double by = v1.y - dy1;
    const double cx = v1.x + dx2;
    const double cy = v1.y - dy2;
    const double ex = v2.x + dx2;
    const double ey = v2.y - dy2;
    const double num = (ay - cy) * (ex - cx) - (ax - cx) * (ey - cy);
    const double den = (bx - ax) * (ey - cy) - (by - ay) * (ex - cx);
    if (!(std::fabs(den) < agg::intersection_epsilon))
    {
        const double r = Divide(num, den);
        const double xi = ax + r * (bx - ax);
        const double yi = ay + r * (by - ay);
        const double ux = xi - v1.x;
        const double uy = yi - v1.y;
        const double squared = ux * ux + uy * uy;
        // Whether the intersection's distance, the square root of `squared` rounded, is within the
        // limit: mostly settled without the square root (in software on the board), nor the
        // division of an inner limit, from a limit within a few parts in 10^16 of the exact one
        // (an inner one's quotient multiplied back, or the floor). Square roots and roundings are
        // monotonic, and a part in 10^9 either way of the squared limit is far beyond every
        // rounding, so whenever it settles the comparison the rounded root compares the same way.
        const double approximate =
            inner ? std::max(len1 < len2 ? len1 : len2, m_halfWidthAbs * m_stroker.inner_miter_limit()) : m_outerLimit;
        const double approximateSquared = approximate * approximate;
        int within = -1;
        if (m_squaredLimits)
        {
            within = squared < approximateSquared * (1.0 - 1e-9) ? 1 : squared > approximateSquared * (1.0 + 1e-9) ? 0 : -1;
        }
        if (within == 1)
        {
            m_points.add(agg::point_d(xi, yi));
            return;
        }
        if (inner)
        {
            if (within == -1)
            {
                double limit = Divide(len1 < len2 ? len1 : len2, m_halfWidthAbs);
                if (limit < m_stroker.inner_miter_limit())
                {
                    limit = m_stroker.inner_miter_limit();
                }
                if (SquareRoot(squared) <= m_halfWidthAbs * limit)
                {
                    m_points.add(agg::point_d(xi, yi));
                    return;
                }
            }
            m_points.add(agg::point_d(bx, by));
            m_points.add(agg::point_d(cx, cy));
            return;
        }
        const double di = SquareRoot(squared);
        if (di <= m_outerLimit)
        {
            m_points.add(agg::point_d(xi, yi));
            return;
        }
        // Cut off at the limit, from the bevel's middle (its distance from the vertex) outwards.
        const double mx = (dx1 + dx2) / 2;
        const double my = (dy1 + dy2) / 2;
        const double bevel = SquareRoot(mx * mx + my * my);
        const double t = Divide(m_outerLimit - bevel, di - bevel);
        m_points.add(agg::point_d(bx + (xi - bx) * t, by + (yi - by) * t));
        m_points.add(agg::point_d(cx + (xi - cx) * t, cy + (yi - cy) * t));
        return;
    }
    // No intersection: the segments go on straight, or turn back.
    if ((agg::cross_product(v0.x, v0.y, v1.x, v1.y, bx, by) < 0.0) ==
        (agg::cross_product(v1.x, v1.y, v2.x, v2.y, bx, by) < 0.0))
    {
        m_points.add(agg::point_d(bx, by));
        return;
    }
    if (inner)
    {
        m_points.add(agg::point_d(bx, by));
        m_points.add(agg::point_d(cx, cy));
        return;
    }
    const double limit = m_stroker.miter_limit() * m_halfWidthSign;
    m_points.add(agg::point_d(bx + dy1 * limit, by + dx1 * limit));
    m_points.add(agg::point_d(cx - dy2 * limit, cy - dx2 * limit));
}

void StrokeBounds::AddJoins(unsigned i)
{
    Join(i, false);
    AddPoints();
    Join(i, true);
    AddPoints();
}

void StrokeBounds::AddPoints()
{
    for (unsigned i = 0; i < m_points.size(); ++i)
    {
        const agg::point_d& point = m_points[i];
        m_minX = std::min(m_minX, point.x);
        m_maxX = std::max(m_maxX, point.x);
        m_minY = std::min(m_minY, point.y);
        m_maxY = std::max(m_maxY, point.y);
    }
    // Never looser than the bounds that the vertices set (see Bound).
    m_minXf = std::min(m_minXf, static_cast<float>(m_minX));
    m_minYf = std::min(m_minYf, static_cast<float>(m_minY));
    m_maxXf = std::max(m_maxXf, static_cast<float>(m_maxX));
    m_maxYf = std::max(m_maxYf, static_cast<float>(m_maxY));
}

bool StrokeBounds::Defers(float minX, float minY, float maxX, float maxY, float sum) const
{
    // Finite, and small enough for no product in a join to overflow: a coordinate in a join is
    // then never infinite or not a number.
    return m_miter && std::fabs(m_width) < 1e6 && minX > -1e6f && maxX < 1e6f && minY > -1e6f && maxY < 1e6f &&
           sum == sum;
}

void StrokeBounds::Bound(const Vertex& left, const Vertex& right, const Vertex& top, const Vertex& bottom)
{
    // Every vertex of a polyline that is stroked has a cap or two joins. With miter joins, one of
    // a vertex's two joins turns outwards (the two see the same cross product, negated, and only
    // a positive or a negative one makes an inner join), and an outer miter join always has a
    // point within three widths of its vertex: the offset lines' intersection within the miter
    // limit of two widths, else the corners of the miter cut off there (half a width to the side
    // of the limit's 2.5 widths at most, however far off the intersection came out), or a bevel
    // point half a width off when the offset lines do not meet. A cap's points are within a
    // width. So the extremes at the end reach at least to six widths short of the extreme
    // vertices, which rounding (a part in 10^16 of the coordinates in double precision, 2^-24
    // of them in single) cannot undo with the part in 10^5 allowed.
    const auto bound = [&](const Vertex& vertex) {
        return m_reachAnyf * 2.002f + 1e-5f * (std::fabs(vertex.xf) + std::fabs(vertex.yf));
    };
    m_minXf = std::min(m_minXf, left.xf + bound(left));
    m_maxXf = std::max(m_maxXf, right.xf - bound(right));
    m_minYf = std::min(m_minYf, top.yf + bound(top));
    m_maxYf = std::max(m_maxYf, bottom.yf - bound(bottom));
}

void StrokeBounds::Flush()
{
    const unsigned count = m_candidates.size();
    if (count == 0)
    {
        return;
    }
    // As within a polyline: the extreme candidates first, then the others.
    unsigned extremes[4] = {0, 0, 0, 0};
    for (unsigned i = 1; i < count; ++i)
    {
        const Vertex& v = m_candidates[i].current;
        extremes[0] = v.xf < m_candidates[extremes[0]].current.xf ? i : extremes[0];
        extremes[1] = v.xf > m_candidates[extremes[1]].current.xf ? i : extremes[1];
        extremes[2] = v.yf < m_candidates[extremes[2]].current.yf ? i : extremes[2];
        extremes[3] = v.yf > m_candidates[extremes[3]].current.yf ? i : extremes[3];
    }
    const auto add = [&](unsigned i) {
        const Candidate& c = m_candidates[i];
        if (c.kind == Candidate::join)
        {
            if (CanReachBeyond(c.previous, c.current, c.next))
            {
                // Joins are deferred only when they are miter joins.
                MiterJoins(c.previous, c.current, c.next, Length(c.previous, c.current), Length(c.current, c.next));
                AddPoints();
            }
        }
        else if (CapCanReachBeyond(c.current))
        {
            if (c.kind == Candidate::firstCap)
            {
                m_stroker.calc_cap(m_points, c.current, c.next, Length(c.current, c.next));
            }
            else
            {
                m_stroker.calc_cap(m_points, c.current, c.previous, Length(c.previous, c.current));
            }
            AddPoints();
        }
    };
    for (unsigned k = 0; k < 4; ++k)
    {
        const unsigned i = extremes[k];
        if ((k < 1 || i != extremes[0]) && (k < 2 || i != extremes[1]) && (k < 3 || i != extremes[2]))
        {
            add(i);
        }
    }
    for (unsigned i = 0; i < count; ++i)
    {
        if (i != extremes[0] && i != extremes[1] && i != extremes[2] && i != extremes[3])
        {
            add(i);
        }
    }
    m_candidates.remove_all();
}

void StrokeBounds::Finish()
{
    Flush();
}

} // namespace PImpl
