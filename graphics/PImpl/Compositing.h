#pragma once

// The pixel loop of the compositor: a foreground-layer run laid over the framebuffer.

#include "graphics/Color.h"
#include "graphics/Color565.h"
#include "graphics/PImpl/InkMap.h"

#include <cstdint>

#if defined(__ARM_FEATURE_SIMD32)
#include <arm_acle.h>
#endif

namespace PImpl
{

#if defined(__ARM_FEATURE_SIMD32)
// lo(x) * lo(y) + hi(x) * hi(y) of the half-words, one instruction on the Cortex-M4. The halves
// multiplied here are below 256, so the signed instruction gives the unsigned products.
inline uint32_t MultiplyHalves(uint32_t x, uint32_t y)
{
    return static_cast<uint32_t>(__smuad(static_cast<int16x2_t>(x), static_cast<int16x2_t>(y)));
}
#else
inline uint32_t MultiplyHalves(uint32_t x, uint32_t y)
{
    return (x & 0xFFFFu) * (y & 0xFFFFu) + (x >> 16) * (y >> 16);
}
#endif

// y / 255 rounded down, for y below 2^24, as one multiplication: 0x01010102 / 2^32 exceeds
// 1 / 255 by 254 / (255 * 2^32), which adds less than 1 / 255 to the quotient of such a y, and the
// fraction of y / 255 is at most 254 / 255, so the whole part never changes.
inline uint32_t DivideBy255(uint32_t y)
{
    return static_cast<uint32_t>((static_cast<uint64_t>(y) * 0x01010102u) >> 32);
}

// The RGB565 value Color565::AlphaBlend leaves when it blends colour over background with the
// given alpha, in about half its instructions. AlphaBlend widens a channel of w bits to 8 (by
// k = 8 - w bits), blends x = 2^k * y with y = colour * alpha + background * (255 - alpha) on the
// channel's own values, rounds x / 255 down ((x + 1 + (x >> 8)) >> 8 is exactly that for every x
// up to 255 * 255) and drops the k low bits: x / 255 rounded down and then divided by 2^k rounded
// down is y / 255 rounded down, which is what is computed here, with a channel's colour and
// background values side by side in one word paired with alpha and 255 - alpha. y is below
// 64 * 255.
inline uint32_t BlendColours(uint32_t colour, uint32_t background, uint32_t alpha)
{
    const uint32_t both = colour | (background << 16);
    const uint32_t weights = alpha | ((255 - alpha) << 16);
    const uint32_t blue = DivideBy255(MultiplyHalves(both & 0x001F001Fu, weights));
    const uint32_t green = DivideBy255(MultiplyHalves((both >> 5) & 0x003F003Fu, weights));
    const uint32_t red = DivideBy255(MultiplyHalves((both >> 11) & 0x001F001Fu, weights));
    return (red << 11) | (green << 5) | blue;
}

// Lays count layer pixels over the framebuffer pixels at target, each by its own alpha: 0 leaves
// the target as it is, 255 replaces it with the pixel's colour, anything between blends the two
// with Color565::AlphaBlend.
void CompositePixels(Velmora::Color565* target, const Velmora::Color* source, unsigned count);

// The same over a background run, in one pass: writes each of the count target pixels once, with
// exactly what copying the background run below to target and then CompositePixels would leave
// there (the background pixel for alpha 0, the layer's colour for 255, the blend of the two in
// between). below must not overlap target.
void CompositePixelsOver(Velmora::Color565* target, const Velmora::Color565* below, const Velmora::Color* source,
                         unsigned count);

// The two passes again, told by the layer's ink map which blocks of the run are all zero bytes
// (ink.column is the layer column of source[0]). Those blocks are not read: alone they leave the
// target as it is, over a background run they take the background pixels, copied a word at a
// time. Every other pixel goes through the loop above, so the result is the same bits as without
// the map, as long as the map's promise holds.
void CompositePixels(Velmora::Color565* target, const Velmora::Color* source, unsigned count, const InkRow& ink);
void CompositePixelsOver(Velmora::Color565* target, const Velmora::Color565* below, const Velmora::Color* source,
                         unsigned count, const InkRow& ink);

} // namespace PImpl
