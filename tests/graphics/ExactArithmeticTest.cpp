// The board's double-precision division and square root in integers stand in for the run-time
// library's: every result must be the very bits the host's own (correctly rounded) operations give.

#include "graphics/PImpl/ExactArithmetic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <random>

using PImpl::DivideInIntegers;
using PImpl::SquareRootInIntegers;

namespace
{

double FromBits(uint64_t bits)
{
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

::testing::AssertionResult SameBits(double found, double expected)
{
    uint64_t a;
    uint64_t b;
    std::memcpy(&a, &found, sizeof a);
    std::memcpy(&b, &expected, sizeof b);
    if (a == b || (std::isnan(found) && std::isnan(expected)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hexfloat << found << " instead of " << expected;
}

} // namespace

// Any bits at all; quotients near 1 (whose digits the estimates get nearly wrong); exact quotients
// and those halfway between two doubles; quotients at the ends of the normal range.
TEST(ExactArithmeticTest, DivisionIsTheLibrarys)
{
    std::mt19937_64 random(5);
    for (int round = 0; round < 400000; ++round)
    {
        const uint64_t a = random();
        const uint64_t b = random();
        const double x = FromBits(a);
        const double y = FromBits(b);
        ASSERT_TRUE(SameBits(DivideInIntegers(x, y), x / y)) << std::hexfloat << x << " / " << y;
        // The same significands at nearby exponents, and their ratio within a few units of 1.
        const double near =
            std::ldexp(std::fabs(x) / std::pow(2.0, std::ilogb(x)), static_cast<int>(b % 9) - 4);
        const double nearly =
            y * (1.0 + static_cast<double>(static_cast<int64_t>(a % 4001) - 2000) * 0x1p-52);
        ASSERT_TRUE(SameBits(DivideInIntegers(near, y), near / y)) << std::hexfloat << near << " / " << y;
        ASSERT_TRUE(SameBits(DivideInIntegers(nearly, y), nearly / y))
            << std::hexfloat << nearly << " / " << y;
        // q * d for whole numbers of up to 53 and 24 bits: exact quotients, and halfway ones
        // when the product rounds.
        const double q = static_cast<double>((a >> 11) | 1);
        const double d = static_cast<double>((b >> 40) | 1);
        const double product = q * d;
        for (const double dividend :
             {product, -product, std::nextafter(product, 0.0), std::nextafter(product, 1e300)})
            ASSERT_TRUE(SameBits(DivideInIntegers(dividend, d), dividend / d))
                << std::hexfloat << dividend << " / " << d;
        // Quotients that underflow or overflow, or only just do not.
        const double tiny =
            std::ldexp(1.0 + static_cast<double>(a >> 12) * 0x1p-52, -1000 - static_cast<int>(a % 60));
        const double huge =
            std::ldexp(1.0 + static_cast<double>(b >> 12) * 0x1p-52, 990 + static_cast<int>(b % 40));
        ASSERT_TRUE(SameBits(DivideInIntegers(tiny, huge * 0x1p-990), tiny / (huge * 0x1p-990)));
        ASSERT_TRUE(SameBits(DivideInIntegers(huge, tiny * 0x1p+1000), huge / (tiny * 0x1p+1000)));
    }
    const double specials[] = {0.0,
                               -0.0,
                               1.0,
                               -3.0,
                               0x1p-1074,
                               0x1p-1022,
                               0x1.fffffffffffffp+1023,
                               INFINITY,
                               -INFINITY,
                               NAN,
                               0x1.fffffffffffffp-1,
                               0x1.0000000000001p0};
    for (const double x : specials)
        for (const double y : specials)
            EXPECT_TRUE(SameBits(DivideInIntegers(x, y), x / y)) << std::hexfloat << x << " / " << y;
}

// Any bits; squares of whole numbers and their neighbours (exact roots, and the remainders either
// side of them); squares of numbers halfway between two doubles; the largest significands, whose
// single-precision estimate rounds up to the next power of two.
TEST(ExactArithmeticTest, SquareRootIsTheLibrarys)
{
    std::mt19937_64 random(6);
    for (int round = 0; round < 400000; ++round)
    {
        const uint64_t a = random();
        const double x = FromBits(a);
        ASSERT_TRUE(SameBits(SquareRootInIntegers(x), std::sqrt(x))) << std::hexfloat << x;
        ASSERT_TRUE(SameBits(SquareRootInIntegers(std::fabs(x)), std::sqrt(std::fabs(x))))
            << std::hexfloat << x;
        const double whole = std::ldexp(static_cast<double>((a >> 11) | 1), static_cast<int>(a % 200) - 100);
        const double square = whole * whole;
        for (const double value : {square, std::nextafter(square, 0.0), std::nextafter(square, 1e300)})
            ASSERT_TRUE(SameBits(SquareRootInIntegers(value), std::sqrt(value))) << std::hexfloat << value;
        const double halfway = static_cast<double>((random() >> 11) | (uint64_t(1) << 52)) + 0.5;
        const double near = halfway * halfway;
        for (const double value : {near, std::nextafter(near, 0.0), std::nextafter(near, 1e300)})
            ASSERT_TRUE(SameBits(SquareRootInIntegers(value), std::sqrt(value))) << std::hexfloat << value;
        const double top = FromBits((a & 0x7FF0000000000000u) | 0x000FFFFFF0000000u | (random() >> 36));
        ASSERT_TRUE(SameBits(SquareRootInIntegers(top), std::sqrt(top))) << std::hexfloat << top;
    }
    const double specials[] = {0.0, -0.0, -1.0,     0x1p-1074, 0x1p-1022, 0x1.fffffffffffffp+1023,
                               1.0, 2.0,  INFINITY, -INFINITY, NAN};
    for (const double x : specials)
        EXPECT_TRUE(SameBits(SquareRootInIntegers(x), std::sqrt(x))) << std::hexfloat << x;
}
