#pragma once

// The AGG pixel formats of the two kinds of drawing surface: RGB565 for the opaque background,
// and the 3-byte alpha + RGB565 pixel of the foreground layers.

#include "graphics/Color.h"

#include <agg_color_rgba.h>
#include <agg_pixfmt_rgb_packed.h>
#include <agg_rendering_buffer.h>

namespace PImpl
{

// Blends into foreground-layer pixels: not premultiplied, alpha byte first. The colour mix is
// weighted by the pixel's existing opacity, so painting into a transparent pixel keeps the pure
// source colour and carries the coverage in alpha, which the compositor applies later against
// whatever lies beneath the layer.
struct blender_argb8565
{
    typedef agg::rgba8 color_type;
    typedef color_type::value_type value_type;
    typedef color_type::calc_type calc_type;
    typedef Velmora::Color pixel_type;

    static AGG_INLINE void blend_pix(pixel_type* p, unsigned cr, unsigned cg, unsigned cb, unsigned alpha, unsigned)
    {
        const unsigned d = p->alpha;
        const unsigned value = p->rgb.value;
        const unsigned r = ((value >> 11) & 0x1F) << 3;
        const unsigned g = ((value >> 5) & 0x3F) << 2;
        const unsigned b = (value & 0x1F) << 3;

        const unsigned x = (255 - alpha) * d;
        const unsigned newAlpha = alpha + ((x + 1 + (x >> 8)) >> 8);

        const unsigned yr = cr * (255 - d) + r * d;
        const unsigned yg = cg * (255 - d) + g * d;
        const unsigned yb = cb * (255 - d) + b * d;
        const unsigned nr = (yr + 1 + (yr >> 8)) >> 11;
        const unsigned ng = (yg + 1 + (yg >> 8)) >> 10;
        const unsigned nb = (yb + 1 + (yb >> 8)) >> 11;

        p->alpha = static_cast<uint8_t>(newAlpha);
        p->rgb.value = static_cast<uint16_t>((nr << 11) | (ng << 5) | nb);
    }

    static AGG_INLINE pixel_type make_pix(unsigned r, unsigned g, unsigned b)
    {
        return pixel_type(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b), 255);
    }

    static AGG_INLINE color_type make_color(pixel_type p)
    {
        const unsigned value = p.rgb.value;
        return color_type(static_cast<value_type>((value >> 8) & 0xF8), static_cast<value_type>((value >> 3) & 0xFC),
                          static_cast<value_type>((value << 3) & 0xF8), p.alpha);
    }
};

typedef agg::row_accessor<unsigned char> RenderingBuffer;
typedef agg::pixfmt_alpha_blend_rgb_packed<agg::blender_rgb565, RenderingBuffer> BackgroundPixelFormat;
typedef agg::pixfmt_alpha_blend_rgb_packed<blender_argb8565, RenderingBuffer> ForegroundPixelFormat;

} // namespace PImpl
