#pragma once

#include <agg_rasterizer_scanline_aa.h>

#include <cstdint>
#include <cstring>

// The cell rasteriser's line and row walks, for the cells the scanline rasteriser keeps
// (Rasterizer.cpp). Every unit that uses rasterizer_cells_aa<cell_aa> must see these before its
// first use, or it would make AGG's own versions of them: this header is the way in.
namespace agg
{
template <> void rasterizer_cells_aa<cell_aa>::line(int x1, int y1, int x2, int y2);
template <> void rasterizer_cells_aa<cell_aa>::render_hline(int ey, int x1, int y1, int x2, int y2);
// Called by nothing but the two above.
template <> inline void rasterizer_cells_aa<cell_aa>::set_curr_cell(int x, int y);
} // namespace agg

namespace PImpl
{

// The rasteriser's conversion of pixel coordinates to its 24.8 fixed point: AGG's ras_conv_int,
// but with the rounding worked out on the bits of the double. The Cortex-M4 has no double
// precision unit, and AGG's iround(v * 256) costs a soft-float multiply, add or subtract,
// compare and conversion (about 70 instructions a coordinate, two a vertex).
//
// Why upscale gives ras_conv_int's int for every double:
// - ras_conv_int computes w = v * 256, exact (a power of two), then int(w + 0.5) for w >= 0 and
//   int(w - 0.5) for w < 0, the sum rounded to double (to nearest, ties to even) before the
//   truncation. Rounding to nearest and truncation are both symmetric about zero, so the result
//   for -v is minus the result for v, and only |w| needs working out; -0.0 gives 0 like +0.0.
// - |v| < 2^-10 (|w| < 0.25): |w| + 0.5 is below 0.75 and rounds below 1, so 0.
// - |v| >= 2^22 (|w| >= 2^30), infinities and NaN: AGG's own expression, unchanged (beyond
//   2^31 its conversion is the compiler's and the platform's business; this keeps it theirs).
// - Otherwise write |w| = M * 2^-s with the 53-bit significand M (2^52 <= M < 2^53) and
//   s = 1067 - (biased exponent of v), 23 <= s <= 54. Then 0.5 = 2^(s-1) * 2^-s, and the exact
//   sum is S * 2^-s with the integer S = M + 2^(s-1) < 2^54. When S < 2^53 the sum is a double
//   and exact. When S >= 2^53 it has 54 significant bits and rounding drops the last: an even S
//   is exact; an odd S lies halfway between S - 1 and S + 1 and goes to the one whose halved
//   significand is even, S + 1 when bit 1 of S is set, else S - 1. Truncation is then S' >> s
//   for the rounded S', and as s >= 1, S - 1 for an odd S shifts to the same as S: only the
//   S + 1 case needs adding. That is the rounding of 0.49999999999999994 * 256 + 0.5 up to 1.
struct FixedPointConversion
{
    typedef int coord_type;

    static int mul_div(double a, double b, double c) { return agg::ras_conv_int::mul_div(a, b, c); }
    static int xi(int v) { return v; }
    static int yi(int v) { return v; }
    static int downscale(int v) { return v; }

    // Where doubles are hardware (the host), AGG's own expression is the cheaper.
    static int upscale(double v)
    {
#if defined(__arm__) && !(defined(__ARM_FP) && (__ARM_FP & 8))
        return UpscaleOnBits(v);
#else
        return agg::ras_conv_int::upscale(v);
#endif
    }

    static int UpscaleOnBits(double v)
    {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof(bits));
        const unsigned exponent = static_cast<unsigned>(bits >> 52) & 0x7ffu;
        if (exponent < smallestExponent)
        {
            return 0;
        }
        if (exponent > largestExponent)
        {
            return agg::ras_conv_int::upscale(v);
        }
        const unsigned shift = 1067u - exponent;
        const uint64_t significand = (bits & ((uint64_t(1) << 52) - 1u)) | (uint64_t(1) << 52);
        const uint64_t sum = significand + (uint64_t(1) << (shift - 1u));
        const uint64_t roundUp = (sum >> 53) & (sum >> 1) & sum & 1u;
        const int magnitude = static_cast<int>((sum + roundUp) >> shift);
        return (bits >> 63) != 0 ? -magnitude : magnitude;
    }

private:
    // 2^-10 and 2^21 as biased exponents: |v| below the one gives 0, above the other's binade
    // AGG's expression is taken.
    static constexpr unsigned smallestExponent = 1023u - 10u;
    static constexpr unsigned largestExponent = 1023u + 21u;
};

typedef agg::rasterizer_scanline_aa<agg::rasterizer_sl_clip<FixedPointConversion>> Rasterizer;

} // namespace PImpl

namespace agg
{

// A cell run's coverage to alpha, AGG's computation inlined into the sweep: at -Os it stays a call
// of its own, made for every cell and every run of every scanline.
template <>
__attribute__((always_inline)) inline unsigned
rasterizer_scanline_aa<rasterizer_sl_clip<PImpl::FixedPointConversion>>::calculate_alpha(int area) const
{
    // The area is twice the covered subpixel area; aa_shift bits of it are coverage.
    int cover = area >> (2 * poly_subpixel_shift + 1 - aa_shift);
    cover = cover < 0 ? -cover : cover;
    if (m_filling_rule == fill_even_odd)
    {
        cover &= aa_mask2;
        cover = cover > aa_scale ? aa_scale2 - cover : cover;
    }
    return m_gamma[cover > aa_mask ? aa_mask : cover];
}

} // namespace agg
