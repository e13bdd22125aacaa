// Curve flattening for the board: the incremental (forward-difference) and the adaptive
// subdivision approximations of quadratic and cubic Bézier curves declared in agg_curves.h.
// The host links the same classes from the system's library; the host's differential test holds
// both to the same vertex streams.

#include <agg_curves.h>
#include <agg_math.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace agg
{
namespace
{
// Below these, a distance or a cross product counts as zero.
const double collinearityEpsilon = 1e-30;
// An angle tolerance under this switches the angle test off.
const double angleToleranceEpsilon = 0.01;
// Deeper subdivision gains nothing visible and only risks the stack.
const unsigned recursionLimit = 32;

double Length(double dx, double dy)
{
    return std::sqrt(dx * dx + dy * dy);
}

// The smaller turn between two directions, in 0 to pi.
double TurnAngle(double fromAngle, double toAngle)
{
    double turn = std::fabs(toAngle - fromAngle);
    if (turn >= pi)
    {
        turn = 2 * pi - turn;
    }
    return turn;
}

// Back to the first step of a forward-difference curve; false for a curve never set up, which
// then yields nothing.
bool Restart(int& step, int steps)
{
    step = steps == 0 ? -1 : steps;
    return steps != 0;
}

// One vertex of a forward-difference curve: the start, then a step of the differences (the
// position first, the higher differences by `advance`), then the end point exactly rather than
// the accumulated differences.
template <typename Advance>
unsigned StepVertex(int& step, int steps, double startX, double startY, double endX, double endY, double& fx,
                    double& fy, double dfx, double dfy, Advance advance, double* x, double* y)
{
    if (step < 0)
    {
        return path_cmd_stop;
    }
    if (step == steps)
    {
        *x = startX;
        *y = startY;
        --step;
        return path_cmd_move_to;
    }
    if (step == 0)
    {
        *x = endX;
        *y = endY;
        --step;
        return path_cmd_line_to;
    }
    fx += dfx;
    fy += dfy;
    advance();
    *x = fx;
    *y = fy;
    --step;
    return path_cmd_line_to;
}

// A point's squared distance from the chord from (x1, y1) to (xEnd, yEnd), given where it projects
// along it (0 at the start, 1 at the end): to the nearer end when outside, else to its foot.
double SquaredDistanceToChord(double px, double py, double x1, double y1, double xEnd, double yEnd, double along)
{
    if (along <= 0)
    {
        return calc_sq_distance(px, py, x1, y1);
    }
    if (along >= 1)
    {
        return calc_sq_distance(px, py, xEnd, yEnd);
    }
    return calc_sq_distance(px, py, x1 + along * (xEnd - x1), y1 + along * (yEnd - y1));
}

// The squared distance tolerance of an approximation scale, (0.5 / scale)^2, in double and single
// precision. Every curve of an outline is set up with the same scale, and a division, a
// multiplication and a conversion done in software cost far more than comparing the scale's bits
// with the last one's: the last results are kept and given again for the same bits, which are the
// very numbers the same operations on the same bits give.
struct Tolerance
{
    double square;
    float squareFloat;
};

const Tolerance& ToleranceOf(double scale)
{
    static uint64_t lastScale = 0;
    static bool known = false;
    static Tolerance last = {0.0, 0.0f};
    uint64_t bits;
    std::memcpy(&bits, &scale, sizeof bits);
    if (!known || bits != lastScale)
    {
        const double tolerance = 0.5 / scale;
        last.square = tolerance * tolerance;
        last.squareFloat = static_cast<float>(last.square);
        lastScale = bits;
        known = true;
    }
    return last;
}

// toleranceSquare in single precision: the kept conversion when it is the scale's tolerance.
float SingleTolerance(double scale, double toleranceSquare)
{
    const Tolerance& tolerance = ToleranceOf(scale);
    uint64_t kept;
    uint64_t given;
    std::memcpy(&kept, &tolerance.square, sizeof kept);
    std::memcpy(&given, &toleranceSquare, sizeof given);
    return kept == given ? tolerance.squareFloat : static_cast<float>(toleranceSquare);
}

// Whether an angle tolerance switches the angle test on: tolerance >= angleToleranceEpsilon,
// decided on the bits, as a comparison in software double precision costs far more. Non-negative
// doubles order as their bits do; negative numbers and NaNs are below any tolerance.
bool AngleTestOn(double tolerance)
{
    uint64_t bits;
    uint64_t epsilon;
    std::memcpy(&bits, &tolerance, sizeof bits);
    std::memcpy(&epsilon, &angleToleranceEpsilon, sizeof epsilon);
    const uint64_t infinity = uint64_t(0x7FF) << 52;
    return bits >= epsilon && bits <= infinity;
}

// ---- quadratic subdivision in whole numbers ----
//
// Most curves come from outlines whose points are floats (glyph points are whole pixels, moved by
// a float origin): on a grid fine enough, every point is a whole number, and de Casteljau's
// midpoints are whole numbers on a grid four times finer per level. While those numbers stay
// below 2^52, every midpoint and difference the double-precision code works out is exact, so the
// same numbers come out of 64-bit integers, at a fraction of the cost of double precision done
// in software. Only the flatness test rounds; it is decided in single precision with a bound on
// its error, and whenever that bound does not settle it as the double-precision test would (a
// near tie, a collinear or tiny curve), or a number outgrows the grid, the whole curve is
// flattened again by the double-precision code.
class WholeNumberQuadratic
{
public:
    // toleranceSquare: the squared distance tolerance rounded to single precision.
    WholeNumberQuadratic(pod_bvector<point_d>& points, float toleranceSquare)
        : m_points(points), m_tolerance(toleranceSquare)
    {
    }

    // False when the curve must be flattened in double precision instead; the points added so
    // far are then to be dropped.
    bool Flatten(double x1, double y1, double x2, double y2, double x3, double y3)
    {
        const double values[6] = {x1, y1, x2, y2, x3, y3};
        int scale = 0;
        for (double value : values)
        {
            int needed;
            if (!FractionBits(value, needed))
            {
                return false;
            }
            scale = needed > scale ? needed : scale;
        }
        int64_t n[6];
        uint64_t largest = 0;
        for (int i = 0; i < 6; ++i)
        {
            if (!ToWhole(values[i], scale, n[i]))
            {
                return false;
            }
            const uint64_t magnitude = static_cast<uint64_t>(n[i] < 0 ? -n[i] : n[i]);
            largest = magnitude > largest ? magnitude : largest;
        }
        // Every point de Casteljau's construction makes lies in the hull of the three points, so
        // on the grid at 2^-s no number is larger than `largest` times 2^(s - scale): the grid
        // may grow while that stays below 2^52.
        m_scaleLimit = scaleLimit;
        const int headroom = 52 - (64 - (largest == 0 ? 64 : __builtin_clzll(largest)));
        if (scale + headroom < m_scaleLimit)
        {
            m_scaleLimit = scale + headroom;
        }
        const Differences<int64_t> first = {n[4] - n[0], n[5] - n[1], n[2] - n[4], n[3] - n[5]};
        if (first.Small())
        {
            return Subdivide(n[0], n[1], Differences<int32_t>::From(first), scale, 0);
        }
        return Subdivide(n[0], n[1], first, scale, 0);
    }

private:
    // Beyond this a pixel coordinate is not an outline's, and single precision would overflow.
    // (2^20: the largest biased exponent below it is 1042.)
    static constexpr int coordinateLimitExponent = 1023 + 20;
    static constexpr int scaleLimit = 120;

    static uint64_t Bits(double value)
    {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    }

    // The trailing zero bits of a non-zero number, counted in 32-bit halves, which the core does
    // itself where the 64-bit count is a library call.
    static int TrailingZeros(uint64_t value)
    {
        const uint32_t low = static_cast<uint32_t>(value);
        return low != 0 ? __builtin_ctz(low) : 32 + __builtin_ctz(static_cast<uint32_t>(value >> 32));
    }

    // The binary places value needs to be a whole number (0 for whole numbers).
    static bool FractionBits(double value, int& bits)
    {
        const uint64_t raw = Bits(value);
        const int exponent = static_cast<int>((raw >> 52) & 0x7FF);
        if (exponent >= coordinateLimitExponent)
        {
            return false; // too large, or not a number
        }
        if (exponent == 0)
        {
            // Zero (whose sign the integers would lose) and subnormal numbers.
            if (raw == 0)
            {
                bits = 0;
                return true;
            }
            return false;
        }
        const uint64_t mantissa = (raw & ((uint64_t(1) << 52) - 1)) | (uint64_t(1) << 52);
        const int trailing = TrailingZeros(mantissa);
        bits = 1075 - exponent - trailing;
        bits = bits < 0 ? 0 : bits;
        return bits <= 60;
    }

    static bool ToWhole(double value, int scale, int64_t& whole)
    {
        const uint64_t raw = Bits(value);
        const int exponent = static_cast<int>((raw >> 52) & 0x7FF);
        if (exponent == 0)
        {
            whole = 0;
            return true;
        }
        const uint64_t mantissa = (raw & ((uint64_t(1) << 52) - 1)) | (uint64_t(1) << 52);
        const int trailing = TrailingZeros(mantissa);
        const int shift = exponent - 1075 + trailing + scale;
        const uint64_t odd = mantissa >> trailing;
        if (63 - __builtin_clzll(odd) + shift >= 52)
        {
            return false;
        }
        whole = static_cast<int64_t>(odd << shift);
        if (raw >> 63)
        {
            whole = -whole;
        }
        return true;
    }

    // whole / 2^scale exactly, for a whole number below 2^52.
    static double ToDouble(int64_t whole, int scale)
    {
        if (whole == 0)
        {
            return 0.0;
        }
        const uint64_t sign = whole < 0 ? uint64_t(1) << 63 : 0;
        const uint64_t magnitude = static_cast<uint64_t>(whole < 0 ? -whole : whole);
        const int top = 63 - __builtin_clzll(magnitude);
        const uint64_t exponent = static_cast<uint64_t>(top - scale + 1023);
        const uint64_t bits = sign | (exponent << 52) | ((magnitude << (52 - top)) & ((uint64_t(1) << 52) - 1));
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // A curve on the grid by its start (x1, y1) and three differences: the chord, from the start
    // to the end (a, b) = (x3 - x1, y3 - y1), and the control point from the end (c, d) =
    // (x2 - x3, y2 - y3). The halves follow from them alone, and while the curve is subdivided
    // they grow by about a factor of two a level where the points themselves grow by four, so
    // they stay within 32 bits for most of the work.
    template <typename Int> struct Differences
    {
        Int a;
        Int b;
        Int c;
        Int d;

        // Whether the halves' differences (3a + 2c, -a, a - 2c and 2c, below 5 times the largest
        // of these) stay within 32 bits.
        bool Small() const
        {
            const Int bound = Int(1) << 28;
            return a > -bound && a < bound && b > -bound && b < bound && c > -bound && c < bound && d > -bound &&
                   d < bound;
        }

        template <typename Wide> static Differences From(const Differences<Wide>& wide)
        {
            return {static_cast<Int>(wide.a), static_cast<Int>(wide.b), static_cast<Int>(wide.c),
                    static_cast<Int>(wide.d)};
        }

        // The first half on the grid four times finer: from 4 p1 over (2 (p1 + p2)) to
        // p123 = p1 + 2 p2 + p3.
        Differences First() const { return {3 * a + 2 * c, 3 * b + 2 * d, -a, -b}; }
        // The second half: from p123 over 2 (p2 + p3) to 4 p3.
        Differences Second() const { return {a - 2 * c, b - 2 * d, 2 * c, 2 * d}; }
    };

    // whole / 2^scale in single precision, by the factor 2^-scale.
    static float Scaled(int32_t whole, float factor) { return static_cast<float>(whole) * factor; }
    static float Scaled(int64_t whole, float factor)
    {
        // The core converts 32-bit numbers itself; wider ones take the run-time library's routine.
        // Both round to nearest, and the factor, a power of two, leaves the rounding as it is.
        if (whole >= INT32_MIN && whole <= INT32_MAX)
        {
            return static_cast<float>(static_cast<int32_t>(whole)) * factor;
        }
        return static_cast<float>(whole) * factor;
    }

    // The double-precision code's steps on whole numbers at 2^-scale: the same halves (exact on
    // the finer grid), the same flatness test settled in single precision, the same midpoints
    // added in the same order.
    template <typename Int>
    bool Subdivide(int64_t x1, int64_t y1, const Differences<Int>& curve, int scale, unsigned level)
    {
        if (level > recursionLimit)
        {
            return true;
        }
        if (scale + 2 > m_scaleLimit)
        {
            return false;
        }

        // The flatness test, d * d <= tolerance * (dx * dx + dy * dy) with d the cross product of
        // (x2 - x3, y2 - y3) and (dx, dy), each factor exact; single precision gives each product
        // within 3 units of its last place, and d within 6 of the larger product's.
        const uint32_t power = static_cast<uint32_t>(127 - scale) << 23;
        float factor;
        std::memcpy(&factor, &power, sizeof factor);
        const float unit = 1.0f / 16777216.0f;
        const float dx = Scaled(curve.a, factor);
        const float dy = Scaled(curve.b, factor);
        const float p = Scaled(curve.c, factor) * dy;
        const float q = Scaled(curve.d, factor) * dx;
        const float d = std::fabs(p - q);
        const float error = 8.0f * unit * (std::fabs(p) + std::fabs(q));
        const float chord = dx * dx + dy * dy;
        // Tiny and collinear curves (the double-precision code's own case) are left to it.
        if (!(d - error > 1e-15f) || !(chord > 1e-20f))
        {
            return false;
        }
        const float margin = 64.0f * unit;
        const float low = (d - error) * (d - error) * (1.0f - margin);
        const float high = (d + error) * (d + error) * (1.0f + margin);
        const float lowBound = m_tolerance * chord * (1.0f - margin);
        const float highBound = m_tolerance * chord * (1.0f + margin);
        // The midpoint p123 = 4 p1 + 3 (p3 - p1) + 2 (p2 - p3), on the finer grid.
        const int64_t x123 = 4 * x1 + 3 * int64_t{curve.a} + 2 * int64_t{curve.c};
        const int64_t y123 = 4 * y1 + 3 * int64_t{curve.b} + 2 * int64_t{curve.d};
        if (high < lowBound)
        {
            // Flat enough.
            m_points.add(point_d(ToDouble(x123, scale + 2), ToDouble(y123, scale + 2)));
            return true;
        }
        if (!(low > highBound))
        {
            return false;
        }
        return Half(4 * x1, 4 * y1, curve.First(), scale + 2, level + 1) &&
               Half(x123, y123, curve.Second(), scale + 2, level + 1);
    }

    // A half, in 32 bits while its own halves fit.
    template <typename Int> bool Half(int64_t x1, int64_t y1, const Differences<Int>& curve, int scale, unsigned level)
    {
        if (sizeof(Int) > sizeof(int32_t) && curve.Small())
        {
            return Subdivide(x1, y1, Differences<int32_t>::From(curve), scale, level);
        }
        if (sizeof(Int) == sizeof(int32_t) && !curve.Small())
        {
            return Subdivide(x1, y1, Differences<int64_t>::From(curve), scale, level);
        }
        return Subdivide(x1, y1, curve, scale, level);
    }

    pod_bvector<point_d>& m_points;
    float m_tolerance;
    // The finest grid whose numbers all stay below 2^52.
    int m_scaleLimit = scaleLimit;
};
}

// ---- quadratic, forward differences ----

void curve3_inc::approximation_scale(double s)
{
    m_scale = s;
}

double curve3_inc::approximation_scale() const
{
    return m_scale;
}

void curve3_inc::init(double x1, double y1, double x2, double y2, double x3, double y3)
{
    m_start_x = x1;
    m_start_y = y1;
    m_end_x = x3;
    m_end_y = y3;

    // A quarter of the control polygon's length (in device units at the approximation scale)
    // gives the number of steps, with at least four.
    const double length = Length(x2 - x1, y2 - y1) + Length(x3 - x2, y3 - y2);
    m_num_steps = uround(length * 0.25 * m_scale);
    if (m_num_steps < 4)
    {
        m_num_steps = 4;
    }

    const double step = 1.0 / m_num_steps;
    const double step2 = step * step;
    const double secondX = (x1 - x2 * 2.0 + x3) * step2;
    const double secondY = (y1 - y2 * 2.0 + y3) * step2;

    m_saved_fx = m_fx = x1;
    m_saved_fy = m_fy = y1;
    m_saved_dfx = m_dfx = secondX + (x2 - x1) * (2.0 * step);
    m_saved_dfy = m_dfy = secondY + (y2 - y1) * (2.0 * step);
    m_ddfx = secondX * 2.0;
    m_ddfy = secondY * 2.0;
    m_step = m_num_steps;
}

void curve3_inc::rewind(unsigned)
{
    if (Restart(m_step, m_num_steps))
    {
        m_fx = m_saved_fx;
        m_fy = m_saved_fy;
        m_dfx = m_saved_dfx;
        m_dfy = m_saved_dfy;
    }
}

unsigned curve3_inc::vertex(double* x, double* y)
{
    return StepVertex(
        m_step, m_num_steps, m_start_x, m_start_y, m_end_x, m_end_y, m_fx, m_fy, m_dfx, m_dfy,
        [this] {
            m_dfx += m_ddfx;
            m_dfy += m_ddfy;
        },
        x, y);
}

// ---- quadratic, adaptive subdivision ----

void curve3_div::init(double x1, double y1, double x2, double y2, double x3, double y3)
{
    m_points.remove_all();
    m_distance_tolerance_square = ToleranceOf(m_approximation_scale).square;
    bezier(x1, y1, x2, y2, x3, y3);
    m_count = 0;
}

void curve3_div::bezier(double x1, double y1, double x2, double y2, double x3, double y3)
{
    m_points.add(point_d(x1, y1));
    const unsigned start = m_points.size();
    if (AngleTestOn(m_angle_tolerance) ||
        !WholeNumberQuadratic(m_points, SingleTolerance(m_approximation_scale, m_distance_tolerance_square))
             .Flatten(x1, y1, x2, y2, x3, y3))
    {
        while (m_points.size() > start)
        {
            m_points.remove_last();
        }
        recursive_bezier(x1, y1, x2, y2, x3, y3, 0);
    }
    m_points.add(point_d(x3, y3));
}

void curve3_div::recursive_bezier(double x1, double y1, double x2, double y2, double x3, double y3, unsigned level)
{
    if (level > recursionLimit)
    {
        return;
    }

    // Halves of the curve by de Casteljau's construction.
    const double x12 = (x1 + x2) / 2;
    const double y12 = (y1 + y2) / 2;
    const double x23 = (x2 + x3) / 2;
    const double y23 = (y2 + y3) / 2;
    const double x123 = (x12 + x23) / 2;
    const double y123 = (y12 + y23) / 2;

    const double dx = x3 - x1;
    const double dy = y3 - y1;
    // Twice the area of the triangle: the control point's distance from the chord, times the chord.
    double d = std::fabs((x2 - x3) * dy - (y2 - y3) * dx);

    if (d > collinearityEpsilon)
    {
        if (d * d <= m_distance_tolerance_square * (dx * dx + dy * dy))
        {
            // Flat enough; with an angle tolerance the turn must also be small.
            if (m_angle_tolerance < angleToleranceEpsilon)
            {
                m_points.add(point_d(x123, y123));
                return;
            }
            const double turn = TurnAngle(std::atan2(y2 - y1, x2 - x1), std::atan2(y3 - y2, x3 - x2));
            if (turn < m_angle_tolerance)
            {
                m_points.add(point_d(x123, y123));
                return;
            }
        }
    }
    else
    {
        // The three points lie on a line.
        const double chord2 = dx * dx + dy * dy;
        if (chord2 == 0)
        {
            d = calc_sq_distance(x1, y1, x2, y2);
        }
        else
        {
            const double along = ((x2 - x1) * dx + (y2 - y1) * dy) / chord2;
            if (along > 0 && along < 1)
            {
                // The control point lies between the ends: the chord is the curve.
                return;
            }
            d = SquaredDistanceToChord(x2, y2, x1, y1, x3, y3, along);
        }
        if (d < m_distance_tolerance_square)
        {
            m_points.add(point_d(x2, y2));
            return;
        }
    }

    recursive_bezier(x1, y1, x12, y12, x123, y123, level + 1);
    recursive_bezier(x123, y123, x23, y23, x3, y3, level + 1);
}

// ---- cubic, forward differences ----

void curve4_inc::approximation_scale(double s)
{
    m_scale = s;
}

double curve4_inc::approximation_scale() const
{
    return m_scale;
}

void curve4_inc::init(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4)
{
    m_start_x = x1;
    m_start_y = y1;
    m_end_x = x4;
    m_end_y = y4;

    const double length =
        (Length(x2 - x1, y2 - y1) + Length(x3 - x2, y3 - y2) + Length(x4 - x3, y4 - y3)) * 0.25 * m_scale;
    m_num_steps = uround(length);
    if (m_num_steps < 4)
    {
        m_num_steps = 4;
    }

    const double step = 1.0 / m_num_steps;
    const double step2 = step * step;
    const double step3 = step * step * step;
    const double pre1 = 3.0 * step;
    const double pre2 = 3.0 * step2;
    const double pre4 = 6.0 * step2;
    const double pre5 = 6.0 * step3;

    const double secondX = x1 - x2 * 2.0 + x3;
    const double secondY = y1 - y2 * 2.0 + y3;
    const double thirdX = (x2 - x3) * 3.0 - x1 + x4;
    const double thirdY = (y2 - y3) * 3.0 - y1 + y4;

    m_saved_fx = m_fx = x1;
    m_saved_fy = m_fy = y1;
    m_saved_dfx = m_dfx = (x2 - x1) * pre1 + secondX * pre2 + thirdX * step3;
    m_saved_dfy = m_dfy = (y2 - y1) * pre1 + secondY * pre2 + thirdY * step3;
    m_saved_ddfx = m_ddfx = secondX * pre4 + thirdX * pre5;
    m_saved_ddfy = m_ddfy = secondY * pre4 + thirdY * pre5;
    m_dddfx = thirdX * pre5;
    m_dddfy = thirdY * pre5;
    m_step = m_num_steps;
}

void curve4_inc::rewind(unsigned)
{
    if (Restart(m_step, m_num_steps))
    {
        m_fx = m_saved_fx;
        m_fy = m_saved_fy;
        m_dfx = m_saved_dfx;
        m_dfy = m_saved_dfy;
        m_ddfx = m_saved_ddfx;
        m_ddfy = m_saved_ddfy;
    }
}

unsigned curve4_inc::vertex(double* x, double* y)
{
    return StepVertex(
        m_step, m_num_steps, m_start_x, m_start_y, m_end_x, m_end_y, m_fx, m_fy, m_dfx, m_dfy,
        [this] {
            m_dfx += m_ddfx;
            m_dfy += m_ddfy;
            m_ddfx += m_dddfx;
            m_ddfy += m_dddfy;
        },
        x, y);
}

// ---- cubic, adaptive subdivision ----

void curve4_div::init(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4)
{
    m_points.remove_all();
    m_distance_tolerance_square = ToleranceOf(m_approximation_scale).square;
    bezier(x1, y1, x2, y2, x3, y3, x4, y4);
    m_count = 0;
}

void curve4_div::bezier(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4)
{
    m_points.add(point_d(x1, y1));
    recursive_bezier(x1, y1, x2, y2, x3, y3, x4, y4, 0);
    m_points.add(point_d(x4, y4));
}

void curve4_div::recursive_bezier(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                                  double y4, unsigned level)
{
    if (level > recursionLimit)
    {
        return;
    }

    const double x12 = (x1 + x2) / 2;
    const double y12 = (y1 + y2) / 2;
    const double x23 = (x2 + x3) / 2;
    const double y23 = (y2 + y3) / 2;
    const double x34 = (x3 + x4) / 2;
    const double y34 = (y3 + y4) / 2;
    const double x123 = (x12 + x23) / 2;
    const double y123 = (y12 + y23) / 2;
    const double x234 = (x23 + x34) / 2;
    const double y234 = (y23 + y34) / 2;
    const double x1234 = (x123 + x234) / 2;
    const double y1234 = (y123 + y234) / 2;

    const double dx = x4 - x1;
    const double dy = y4 - y1;
    double d2 = std::fabs((x2 - x4) * dy - (y2 - y4) * dx);
    double d3 = std::fabs((x3 - x4) * dy - (y3 - y4) * dx);
    const bool p2Off = d2 > collinearityEpsilon;
    const bool p3Off = d3 > collinearityEpsilon;

    if (!p2Off && !p3Off)
    {
        // All four points on one line, or the curve closes on itself.
        double k = dx * dx + dy * dy;
        if (k == 0)
        {
            d2 = calc_sq_distance(x1, y1, x2, y2);
            d3 = calc_sq_distance(x4, y4, x3, y3);
        }
        else
        {
            k = 1 / k;
            const double along2 = k * ((x2 - x1) * dx + (y2 - y1) * dy);
            const double along3 = k * ((x3 - x1) * dx + (y3 - y1) * dy);
            if (along2 > 0 && along2 < 1 && along3 > 0 && along3 < 1)
            {
                // Both control points between the ends: the chord is the curve.
                return;
            }
            d2 = SquaredDistanceToChord(x2, y2, x1, y1, x4, y4, along2);
            d3 = SquaredDistanceToChord(x3, y3, x1, y1, x4, y4, along3);
        }
        if (d2 > d3)
        {
            if (d2 < m_distance_tolerance_square)
            {
                m_points.add(point_d(x2, y2));
                return;
            }
        }
        else if (d3 < m_distance_tolerance_square)
        {
            m_points.add(point_d(x3, y3));
            return;
        }
    }
    else if (!p2Off || !p3Off)
    {
        // Only one control point stands off the chord: the second one when the first lies on it.
        const bool secondOff = !p2Off;
        const double d = secondOff ? d3 : d2;
        if (d * d <= m_distance_tolerance_square * (dx * dx + dy * dy))
        {
            if (m_angle_tolerance < angleToleranceEpsilon)
            {
                m_points.add(point_d(x23, y23));
                return;
            }
            const double turn = secondOff ? TurnAngle(std::atan2(y3 - y2, x3 - x2), std::atan2(y4 - y3, x4 - x3))
                                          : TurnAngle(std::atan2(y2 - y1, x2 - x1), std::atan2(y3 - y2, x3 - x2));
            if (turn < m_angle_tolerance)
            {
                m_points.add(point_d(x2, y2));
                m_points.add(point_d(x3, y3));
                return;
            }
            if (m_cusp_limit != 0.0 && turn > m_cusp_limit)
            {
                m_points.add(secondOff ? point_d(x3, y3) : point_d(x2, y2));
                return;
            }
        }
    }
    else
    {
        // The general case: both control points off the chord.
        if ((d2 + d3) * (d2 + d3) <= m_distance_tolerance_square * (dx * dx + dy * dy))
        {
            if (m_angle_tolerance < angleToleranceEpsilon)
            {
                m_points.add(point_d(x23, y23));
                return;
            }
            const double middle = std::atan2(y3 - y2, x3 - x2);
            const double turn1 = TurnAngle(std::atan2(y2 - y1, x2 - x1), middle);
            const double turn2 = TurnAngle(middle, std::atan2(y4 - y3, x4 - x3));
            if (turn1 + turn2 < m_angle_tolerance)
            {
                m_points.add(point_d(x23, y23));
                return;
            }
            if (m_cusp_limit != 0.0)
            {
                if (turn1 > m_cusp_limit)
                {
                    m_points.add(point_d(x2, y2));
                    return;
                }
                if (turn2 > m_cusp_limit)
                {
                    m_points.add(point_d(x3, y3));
                    return;
                }
            }
        }
    }

    recursive_bezier(x1, y1, x12, y12, x123, y123, x1234, y1234, level + 1);
    recursive_bezier(x1234, y1234, x234, y234, x34, y34, x4, y4, level + 1);
}
}
