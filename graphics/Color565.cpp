#include "graphics/Color565.h"

namespace Velmora
{

namespace
{

// Blends one channel widened to 8 bits; (x + 1 + (x >> 8)) >> 8 is x / 255, exact at 0 and 255.
inline uint32_t Blend8(uint32_t source, uint32_t destination, uint32_t alpha)
{
    const uint32_t x = source * alpha + destination * (255 - alpha);
    return (x + 1 + (x >> 8)) >> 8;
}

} // namespace

void Color565::AlphaBlend(const Color565& source, uint8_t alpha)
{
    const uint32_t s = source.value;
    const uint32_t d = value;
    const uint32_t red = Blend8(((s >> 11) & 0x1F) << 3, ((d >> 11) & 0x1F) << 3, alpha) >> 3;
    const uint32_t green = Blend8(((s >> 5) & 0x3F) << 2, ((d >> 5) & 0x3F) << 2, alpha) >> 2;
    const uint32_t blue = Blend8((s & 0x1F) << 3, (d & 0x1F) << 3, alpha) >> 3;
    value = static_cast<uint16_t>((red << 11) | (green << 5) | blue);
}

} // namespace Velmora
