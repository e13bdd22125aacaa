#pragma once

#include "graphics/Color565.h"

#include <cstddef>
#include <cstdint>

namespace Velmora
{

// A colour with opacity, and the pixel of a foreground layer: the alpha byte, then the RGB565
// half-word, packed into three bytes so that a layer row is exactly 3 bytes a pixel.
#pragma pack(push, 1)
struct Color
{
    uint8_t alpha;
    Color565 rgb;

    // Alpha comes last in the arguments though it is first in memory.
    Color(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) : alpha(alpha), rgb(red, green, blue) {}
    Color(const Color&) = default;
    Color& operator=(const Color&) = default;
};
#pragma pack(pop)

static_assert(sizeof(Color) == 3, "layer buffers and the framebuffer driver rely on 3-byte pixels");
static_assert(offsetof(Color, rgb) == 1, "the RGB565 half-word follows the alpha byte");

} // namespace Velmora
