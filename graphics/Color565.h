#pragma once

#include <cstdint>

namespace Velmora
{

// The panel's pixel: RRRRRGGGGGGBBBBB.
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

static_assert(sizeof(Color565) == 2, "a framebuffer row is a plain array of 16-bit pixels");

} // namespace Velmora
