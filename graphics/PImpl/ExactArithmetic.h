#pragma once

// Double-precision division and square root on a core without a double-precision unit, correctly
// rounded (to nearest, ties to even) like the run-time library's, so the very same results, at a
// fraction of the library's cost on the Cortex-M4: estimates from the single-precision unit,
// refined with remainders kept exactly in 64-bit integers.

#include <cmath>
#include <cstdint>
#include <cstring>

namespace PImpl
{

// A digit of a quotient: remainder * 2^k / divisor in single precision, truncated, given
// scale = 2^(k + 24) / divisor.
inline __attribute__((__always_inline__)) int32_t QuotientDigit(int64_t remainder, float scale)
{
    return static_cast<int32_t>(static_cast<float>(static_cast<int32_t>(remainder >> 24)) * scale);
}

// remainder * 2^bits - digit * divisor, modulo 2^64: exact for a result that fits.
template <int bits>
inline __attribute__((__always_inline__)) int64_t NextRemainder(int64_t remainder, int32_t digit,
                                                                uint64_t divisor)
{
    return static_cast<int64_t>((static_cast<uint64_t>(remainder) << bits) -
                                static_cast<uint64_t>(static_cast<int64_t>(digit)) * divisor);
}

// a / b, for any doubles; those the integer path does not take (zeros, subnormal numbers,
// infinities, not-a-numbers, quotients beyond the normal range) are left to the library.
inline double DivideInIntegers(double a, double b)
{
    uint64_t bitsA;
    uint64_t bitsB;
    std::memcpy(&bitsA, &a, sizeof bitsA);
    std::memcpy(&bitsB, &b, sizeof bitsB);
    const int exponentA = static_cast<int>(bitsA >> 52) & 0x7FF;
    const int exponentB = static_cast<int>(bitsB >> 52) & 0x7FF;
    if (exponentA == 0 || exponentA == 0x7FF || exponentB == 0 || exponentB == 0x7FF)
    {
        return a / b;
    }
    const uint64_t hidden = uint64_t(1) << 52;
    uint64_t dividend = (bitsA & (hidden - 1)) | hidden;
    const uint64_t divisor = (bitsB & (hidden - 1)) | hidden;
    int exponent = exponentA - exponentB + 1023;
    if (dividend < divisor)
    {
        dividend <<= 1;
        --exponent;
    }
    // dividend / divisor is in [1, 2): the quotient's leading bit, then 52 more, the floor of
    // dividend * 2^52 / divisor, in digits of 20, 20 and 12 bits. Each digit is the remainder
    // times 2^k over the divisor, in single precision (the remainder cut to its bits above 2^24,
    // the divisor to its top 32, each rounded once, and the product once: a few parts in 10^7
    // of a value below 2^(k+1)), truncated: within 1.8 of the exact quotient while the remainder
    // is within two divisors either way, which the remainder it leaves (worked out exactly,
    // modulo 2^64, as it is far smaller) then is too. The end brings it into [0, divisor).
    // scale is 2^23 over the divisor's top 32 bits, 2^44 / divisor: (remainder / 2^24) * scale is
    // remainder * 2^20 / divisor.
    const float scale = 8388608.0f / static_cast<float>(static_cast<uint32_t>(divisor >> 21));
    int64_t remainder = static_cast<int64_t>(dividend - divisor);
    const int32_t first = QuotientDigit(remainder, scale);
    remainder = NextRemainder<20>(remainder, first, divisor);
    const int32_t second = QuotientDigit(remainder, scale);
    remainder = NextRemainder<20>(remainder, second, divisor);
    const int32_t third = QuotientDigit(remainder, scale * (1.0f / 256.0f));
    remainder = NextRemainder<12>(remainder, third, divisor);
    // The digits overlap by a bit or two, and the later ones may be negative.
    int64_t quotient = (int64_t(1) << 52) + static_cast<int64_t>(first) * (int64_t(1) << 32) +
                       static_cast<int64_t>(second) * (int64_t(1) << 12) + third;
    const int64_t wide = static_cast<int64_t>(divisor);
    while (remainder < 0)
    {
        remainder += wide;
        --quotient;
    }
    while (remainder >= wide)
    {
        remainder -= wide;
        ++quotient;
    }
    // To nearest, ties to even; rounding up may carry into the next power of two.
    const int64_t twice = remainder * 2;
    if (twice > wide || (twice == wide && (quotient & 1) != 0))
    {
        ++quotient;
        if (quotient == (int64_t(1) << 53))
        {
            quotient >>= 1;
            ++exponent;
        }
    }
    if (exponent <= 0 || exponent >= 0x7FF)
    {
        return a / b;
    }
    const uint64_t bits = ((bitsA ^ bitsB) & (uint64_t(1) << 63)) | (static_cast<uint64_t>(exponent) << 52) |
                          (static_cast<uint64_t>(quotient) & (hidden - 1));
    double result;
    std::memcpy(&result, &bits, sizeof result);
    return result;
}

// The square root of a, for any double; those the integer path does not take (zeros, negative and
// subnormal numbers, infinities, not-a-numbers) are left to the library.
inline double SquareRootInIntegers(double a)
{
    uint64_t bits;
    std::memcpy(&bits, &a, sizeof bits);
    const int exponent = static_cast<int>(bits >> 52); // with the sign: negative numbers are beyond 0x7FF
    if (exponent == 0 || exponent >= 0x7FF)
    {
        return std::sqrt(a);
    }
    // a = m * 2^(2j) with m in [2^52, 2^54); the root is sqrt(m) * 2^j, sqrt(m) in [2^26, 2^27).
    const uint64_t hidden = uint64_t(1) << 52;
    uint64_t m = (bits & (hidden - 1)) | hidden;
    int twiceJ = exponent - 1023 - 52;
    if (twiceJ & 1)
    {
        m <<= 1;
        --twiceJ;
    }
    // t, about sqrt(m * 2^8) (at most 2^31), from the single-precision root of m's top 32 bits
    // (within about 2^8 of it), then one Newton step on its exact remainder, m * 2^8 - t^2: the
    // step's own error (a square of 2^8 over 2^32) and its rounding leave t within 1.
    const float top = static_cast<float>(static_cast<uint32_t>(m >> 22));
    int64_t t = static_cast<uint32_t>(std::sqrt(top) * 32768.0f);
    const int64_t scaled = static_cast<int64_t>(m << 8);
    const auto correction = [](int64_t remainder, int shift, float factor, int64_t root)
    {
        // remainder * factor / root, rounded; the remainder is cut to 32 bits by the shift.
        const float value = static_cast<float>(static_cast<int32_t>(remainder >> shift)) * factor /
                            static_cast<float>(static_cast<uint32_t>(root));
        return static_cast<int32_t>(value + (value < 0.0f ? -0.5f : 0.5f)); // below 2^25 in size
    };
    t += correction(scaled - t * t, 10, 512.0f, t); // remainder / (2 t)
    // q, about sqrt(m * 2^52) = sqrt(m * 2^8) * 2^22 (in [2^52, 2^53)): t * 2^22 and a second
    // step, (m * 2^8 - t^2) * 2^44 / (2 t * 2^22); its error (a square of 2^22 over 2^53) and
    // rounding (2^-23 of a correction below 2^24) leave q within a few units, so its remainder
    // m * 2^52 - q^2 is below 2^58 and worked out exactly modulo 2^64.
    int64_t q =
        static_cast<int64_t>(static_cast<uint64_t>(t) << 22) + correction(scaled - t * t, 2, 8388608.0f, t);
    int64_t remainder = static_cast<int64_t>((m << 52) - static_cast<uint64_t>(q) * static_cast<uint64_t>(q));
    // The floor of the root: 0 <= remainder <= 2q.
    while (remainder < 0)
    {
        remainder += 2 * q - 1;
        --q;
    }
    while (remainder > 2 * q)
    {
        ++q;
        remainder -= 2 * q - 1;
    }
    // To nearest: no root lies halfway between two doubles, so up when the root exceeds q + 1/2,
    // that is when m * 2^52 exceeds q^2 + q + 1/4.
    int resultExponent = twiceJ / 2 + 26 + 1023;
    if (remainder > q)
    {
        ++q;
        if (q == (int64_t(1) << 53))
        {
            q >>= 1;
            ++resultExponent;
        }
    }
    const uint64_t result =
        (static_cast<uint64_t>(resultExponent) << 52) | (static_cast<uint64_t>(q) & (hidden - 1));
    double root;
    std::memcpy(&root, &result, sizeof root);
    return root;
}

// Where the core works in double precision itself, its own operations are the cheaper.
#if defined(__ARM_ARCH) && !(defined(__ARM_FP) && (__ARM_FP & 8))
inline double Divide(double a, double b)
{
    return DivideInIntegers(a, b);
}
inline double SquareRoot(double a)
{
    return SquareRootInIntegers(a);
}
#else
inline double Divide(double a, double b)
{
    return a / b;
}
inline double SquareRoot(double a)
{
    return std::sqrt(a);
}
#endif

} // namespace PImpl
