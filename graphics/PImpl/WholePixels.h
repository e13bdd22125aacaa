#pragma once

#include <cmath>

namespace PImpl
{

// A 26.6 fixed-point coordinate rounded to whole pixels, halves away from zero, as a float: what
// std::round(v * 0.015625f) gives, signed zero included (a small negative v gives -0.0). Below
// 2^24 the float holds v exactly and every step after it is exact, so whole-number arithmetic
// gives the same number without the run-time library's double precision; beyond, the steps
// themselves are taken.
inline float WholePixels(long v)
{
    const long exact = 1L << 24;
    if (v > -exact && v < exact)
    {
        const float magnitude = static_cast<float>(((v < 0 ? -v : v) + 32) >> 6);
        return v < 0 ? -magnitude : magnitude;
    }
    return static_cast<float>(std::round(static_cast<double>(static_cast<float>(v) * 0.015625f)));
}

} // namespace PImpl
