#pragma once

#include <cstdint>

namespace Velmora
{

// The panel's pixel: RRRRRGGGGGGBBBBB. Byte-aligned, because it is also the colour half of a
// 3-byte layer pixel and so sits at odd addresses there; the Cortex-M4 (and the host) read such
// half-words directly.
#pragma pack(push, 1)
struct Color565
{
    uint16_t value;

    // The low bits of each channel are dropped, not rounded.
    Color565(uint8_t red, uint8_t green, uint8_t blue)
        : value(static_cast<uint16_t>(((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3)))
    {
    }
    Color565(const Color565&) = default;
    Color565& operator=(const Color565&) = default;

    // Blends source over this colour with the given opacity, channel by channel in whole numbers.
    // Exact at both ends: alpha 0 leaves this colour, alpha 255 copies the source. Defined here so
    // that the compositor's pixel loops inline it: a call costs a quarter as much again.
    void AlphaBlend(const Color565& source, uint8_t alpha)
    {
        const uint32_t s = source.value;
        const uint32_t d = value;
        const uint32_t red = Blend8(((s >> 11) & 0x1F) << 3, ((d >> 11) & 0x1F) << 3, alpha) >> 3;
        const uint32_t green = Blend8(((s >> 5) & 0x3F) << 2, ((d >> 5) & 0x3F) << 2, alpha) >> 2;
        const uint32_t blue = Blend8((s & 0x1F) << 3, (d & 0x1F) << 3, alpha) >> 3;
        value = static_cast<uint16_t>((red << 11) | (green << 5) | blue);
    }

private:
    // Blends one channel widened to 8 bits; (x + 1 + (x >> 8)) >> 8 is x / 255, exact at 0 and 255.
    static uint32_t Blend8(uint32_t source, uint32_t destination, uint32_t alpha)
    {
        const uint32_t x = source * alpha + destination * (255 - alpha);
        return (x + 1 + (x >> 8)) >> 8;
    }
};

#pragma pack(pop)

static_assert(sizeof(Color565) == 2, "a framebuffer row is a plain array of 16-bit pixels");

} // namespace Velmora
