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
    // Exact at both ends: alpha 0 leaves this colour, alpha 255 copies the source.
    void AlphaBlend(const Color565& source, uint8_t alpha);
};

#pragma pack(pop)

static_assert(sizeof(Color565) == 2, "a framebuffer row is a plain array of 16-bit pixels");

} // namespace Velmora
