// The rasteriser's own parts against AGG's: the same fixed-point coordinate for every double, the
// same cells for every line.

#include "graphics/PImpl/Rasterizer.h"

#include <agg_rasterizer_compound_aa.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

using PImpl::FixedPointConversion;

namespace
{

double FromBits(uint64_t bits)
{
    double v;
    std::memcpy(&v, &bits, sizeof(v));
    return v;
}

// Beyond this AGG's conversion leaves int's range (the fast conversion hands such values to it).
bool InIntRange(double v)
{
    return std::fabs(v) < 8388607.0;
}

// Compares v, its negation and its neighbours within a few steps either way.
::testing::AssertionResult SameAround(double v)
{
    double below = v;
    double above = v;
    for (int step = 0; step < 4; ++step)
    {
        for (const double candidate : {below, above, -below, -above})
        {
            if (InIntRange(candidate) &&
                FixedPointConversion::UpscaleOnBits(candidate) != agg::ras_conv_int::upscale(candidate))
            {
                return ::testing::AssertionFailure()
                       << std::hexfloat << candidate << ": " << FixedPointConversion::UpscaleOnBits(candidate)
                       << " against " << agg::ras_conv_int::upscale(candidate);
            }
        }
        below = std::nextafter(below, -std::numeric_limits<double>::infinity());
        above = std::nextafter(above, std::numeric_limits<double>::infinity());
    }
    return ::testing::AssertionSuccess();
}

TEST(RasterizerTest, UpscaleRoundsLikeAggForDoublesOfEveryMagnitude)
{
    std::mt19937_64 random(20261208);
    for (int i = 0; i < 4000000; ++i)
    {
        // Every bit pattern with an exponent from far below 2^-10 to the edge of int's range.
        const uint64_t exponent = 960 + random() % 90;
        const double v = FromBits((random() & 0x800fffffffffffffu) | (exponent << 52));
        if (InIntRange(v))
        {
            ASSERT_EQ(FixedPointConversion::UpscaleOnBits(v), agg::ras_conv_int::upscale(v))
                << std::hexfloat << v;
        }
    }
    for (const double v : {0.0, -0.0, 0.25 / 256, 0.5 / 256, 1.0 / 256, 1.5 / 256, 0.49999999999999994 / 256,
                           0.5000000000000001 / 256, std::ldexp(1.0, 21), std::ldexp(1.0, 22), 8388606.5,
                           std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min()})
    {
        EXPECT_TRUE(SameAround(v));
    }
    EXPECT_EQ(FixedPointConversion::UpscaleOnBits(0.49999999999999994 / 256), 1);
    EXPECT_EQ(FixedPointConversion::UpscaleOnBits(-0.49999999999999994 / 256), -1);
}

TEST(RasterizerTest, UpscaleRoundsLikeAggNearEveryHalfSubpixel)
{
    // The halfway points k + 1/2 subpixels and their neighbours, where the rounding of w + 0.5
    // decides: every k up to 2^16, then k spread over the rest of the range.
    for (int k = 0; k < 65536; ++k)
    {
        ASSERT_TRUE(SameAround((k + 0.5) / 256));
        ASSERT_TRUE(SameAround(k / 256.0));
    }
    std::mt19937 random(5);
    for (int i = 0; i < 200000; ++i)
    {
        const int k = static_cast<int>(random() % (1u << 31)) >> (random() % 31);
        ASSERT_TRUE(SameAround((k + 0.5) / 256));
        // Dyadic fractions just short of a half: the sum carries into the next binade or not.
        const int bits = 1 + static_cast<int>(random() % 52);
        ASSERT_TRUE(SameAround((k + 0.5 - std::ldexp(1.0, -bits)) / 256));
        ASSERT_TRUE(SameAround((k + 0.5 + std::ldexp(1.0, -bits)) / 256));
    }
    // Every binade's first and last doubles.
    for (int exponent = -1074; exponent < 23; ++exponent)
    {
        ASSERT_TRUE(SameAround(std::ldexp(1.0, exponent)));
    }
}

// The cells of AGG's own line and row walks: rasterizer_cells_aa<cell_style_aa> is AGG's template
// unchanged (its cells only carry two style numbers more, left alone here), against the cells the
// scanline rasteriser keeps.
class Cells
{
public:
    explicit Cells(unsigned blockLimit = 1024) : m_ours(blockLimit), m_agg(blockLimit) {}

    void Line(int x1, int y1, int x2, int y2)
    {
        m_ours.line(x1, y1, x2, y2);
        m_agg.line(x1, y1, x2, y2);
    }

    // Both sorted, row by row, cell by cell.
    ::testing::AssertionResult Same()
    {
        m_ours.sort_cells();
        m_agg.sort_cells();
        if (m_ours.total_cells() != m_agg.total_cells() || m_ours.min_x() != m_agg.min_x() ||
            m_ours.max_x() != m_agg.max_x() || m_ours.min_y() != m_agg.min_y() ||
            m_ours.max_y() != m_agg.max_y())
        {
            return ::testing::AssertionFailure()
                   << m_ours.total_cells() << " cells against " << m_agg.total_cells() << ", or other bounds";
        }
        if (m_agg.total_cells() == 0)
        {
            return ::testing::AssertionSuccess();
        }
        for (int y = m_agg.min_y(); y <= m_agg.max_y(); ++y)
        {
            const unsigned count = m_agg.scanline_num_cells(y);
            if (m_ours.scanline_num_cells(y) != count)
            {
                return ::testing::AssertionFailure()
                       << "row " << y << ": " << m_ours.scanline_num_cells(y) << " cells against " << count;
            }
            const agg::cell_aa* const* ours = m_ours.scanline_cells(y);
            const agg::cell_style_aa* const* theirs = m_agg.scanline_cells(y);
            for (unsigned i = 0; i < count; ++i)
            {
                if (ours[i]->x != theirs[i]->x || ours[i]->y != theirs[i]->y ||
                    ours[i]->cover != theirs[i]->cover || ours[i]->area != theirs[i]->area)
                {
                    return ::testing::AssertionFailure()
                           << "row " << y << ", cell " << i << ": " << ours[i]->x << " " << ours[i]->cover
                           << " " << ours[i]->area << " against " << theirs[i]->x << " " << theirs[i]->cover
                           << " " << theirs[i]->area;
                }
            }
        }
        return ::testing::AssertionSuccess();
    }

private:
    agg::rasterizer_cells_aa<agg::cell_aa> m_ours;
    agg::rasterizer_cells_aa<agg::cell_style_aa> m_agg;
};

TEST(RasterizerTest, CellsOfRandomPolylinesAreAggs)
{
    std::mt19937 random(1008);
    for (int shape = 0; shape < 3000; ++shape)
    {
        // Coordinates in subpixels, negative too: within a cell, a few cells, a few screens (the
        // split-length case has the long lines).
        static const int spans[] = {200, 2000, 200000};
        const int span = spans[shape % 3];
        const auto coordinate = [&] { return static_cast<int>(random() % (2u * span + 1)) - span; };
        Cells cells;
        int x = coordinate();
        int y = coordinate();
        for (int i = 0; i < 12; ++i)
        {
            int nx = coordinate();
            int ny = coordinate();
            switch (random() % 6)
            {
            case 0: // vertical
                nx = x;
                break;
            case 1: // horizontal
                ny = y;
                break;
            case 2: // inside the cell row or column
                nx = x + static_cast<int>(random() % 512) - 256;
                ny = y + static_cast<int>(random() % 64) - 32;
                break;
            default:
                break;
            }
            cells.Line(x, y, nx, ny);
            x = nx;
            y = ny;
        }
        ASSERT_TRUE(cells.Same()) << "shape " << shape;
    }
}

TEST(RasterizerTest, CellsOfLinesAroundAggsSplitLengthAreAggs)
{
    // AGG draws a line of 2^22 subpixels or more as its two halves and then once more whole; the
    // 32-bit walk stops just short of that length.
    const int split = 16384 << agg::poly_subpixel_shift;
    std::mt19937 random(2);
    for (const int length : {split - 2, split - 1, split, split + 1, 2 * split + 7, 4 * split - 3})
    {
        for (const int sign : {1, -1})
        {
            Cells cells;
            const int x1 = static_cast<int>(random() % 100000) - 50000;
            const int y1 = static_cast<int>(random() % 100000) - 50000;
            const int rise = static_cast<int>(random() % 3000) - 1500;
            cells.Line(x1, y1, x1 + sign * length, y1 + rise);
            cells.Line(x1 + sign * length, y1 + rise, x1, y1 + rise / 2 + 900);
            cells.Line(x1, y1 + rise / 2 + 900, x1, y1);
            ASSERT_TRUE(cells.Same()) << length * sign;
        }
    }
}

TEST(RasterizerTest, CellsBeyondTheBlockLimitAreDroppedLikeAggs)
{
    // Two blocks of 4096 cells, then AGG stops keeping cells; a spiral of long diagonals fills
    // them several times over.
    Cells cells(2);
    int x = 0;
    int y = 0;
    for (int i = 1; i < 60; ++i)
    {
        const int nx = (i % 2 == 0 ? 1 : -1) * i * 3000 + 77;
        const int ny = (i % 3 == 0 ? 1 : -1) * i * 2900 - 13;
        cells.Line(x, y, nx, ny);
        x = nx;
        y = ny;
    }
    ASSERT_TRUE(cells.Same());
}

TEST(RasterizerTest, AlphaOfEveryAreaIsAggs)
{
    // AGG's own rasteriser (its default clipper converts with ras_conv_int) against ours, for both
    // filling rules, without and with a gamma curve.
    PImpl::Rasterizer ours;
    agg::rasterizer_scanline_aa<> theirs;
    for (int setting = 0; setting < 4; ++setting)
    {
        const agg::filling_rule_e rule = setting % 2 == 0 ? agg::fill_non_zero : agg::fill_even_odd;
        ours.filling_rule(rule);
        theirs.filling_rule(rule);
        if (setting >= 2)
        {
            ours.gamma(agg::gamma_power(1.7));
            theirs.gamma(agg::gamma_power(1.7));
        }
        for (int area = -(1 << 20); area <= (1 << 20); ++area)
        {
            ASSERT_EQ(ours.calculate_alpha(area), theirs.calculate_alpha(area)) << setting << " " << area;
        }
        for (const int area : {std::numeric_limits<int>::min(), std::numeric_limits<int>::min() + 1,
                               std::numeric_limits<int>::max()})
        {
            ASSERT_EQ(ours.calculate_alpha(area), theirs.calculate_alpha(area)) << setting << " " << area;
        }
    }
}

} // namespace
