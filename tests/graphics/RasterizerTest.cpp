// The rasteriser's own parts against AGG's: the same fixed-point coordinate for every double.

#include "graphics/PImpl/Rasterizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

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
                FixedPointConversion::upscale(candidate) != agg::ras_conv_int::upscale(candidate))
            {
                return ::testing::AssertionFailure()
                       << std::hexfloat << candidate << ": " << FixedPointConversion::upscale(candidate)
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
            ASSERT_EQ(FixedPointConversion::upscale(v), agg::ras_conv_int::upscale(v)) << std::hexfloat << v;
        }
    }
    for (const double v : {0.0, -0.0, 0.25 / 256, 0.5 / 256, 1.0 / 256, 1.5 / 256, 0.49999999999999994 / 256,
                           0.5000000000000001 / 256, std::ldexp(1.0, 21), std::ldexp(1.0, 22), 8388606.5,
                           std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min()})
    {
        EXPECT_TRUE(SameAround(v));
    }
    EXPECT_EQ(FixedPointConversion::upscale(0.49999999999999994 / 256), 1);
    EXPECT_EQ(FixedPointConversion::upscale(-0.49999999999999994 / 256), -1);
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

} // namespace
