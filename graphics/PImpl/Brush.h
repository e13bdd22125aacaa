#pragma once

#include "graphics/Color.h"
#include "graphics/PixelArea.h"
#include "graphics/PImpl/LayerPixelFormat.h"
#include "graphics/PImpl/Rasterizer.h"

#include <agg_color_rgba.h>
#include <agg_renderer_base.h>
#include <agg_scanline_u.h>

#include <cstdint>

namespace PImpl
{

typedef agg::renderer_base<BackgroundPixelFormat> BackgroundRenderer;
typedef agg::renderer_base<ForegroundPixelFormat> ForegroundRenderer;

// How a rasterised shape is painted. Render sweeps the rasteriser that a drawing call has filled,
// paints the covered pixels into the surface's renderer, and registers every painted run with the
// framebuffer driver at its panel position (area is the surface's place on the panel).
class Brush
{
public:
    virtual ~Brush() = default;
    virtual uint8_t GetType() const = 0;
    virtual void Render(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8& scanline,
                        BackgroundRenderer& renderer) = 0;
    virtual void Render(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8& scanline,
                        ForegroundRenderer& renderer) = 0;

    // The 8-bit channels of a colour as AGG sees it: the RGB565 bits moved up, the low bits zero
    // (white 0xFFFF is 248, 252, 248).
    static agg::rgba8 ToAgg(const Velmora::Color& color);
};

} // namespace PImpl
