#include "graphics/PImpl/SolidBrush.h"

#include "graphics/PImpl/BrushSweep.h"

#include <agg_renderer_scanline.h>
#include <agg_scanline_p.h>

namespace PImpl
{

namespace
{

template <typename Renderer>
void RenderSolid(const Velmora::Color& color, const Velmora::PixelArea& area, Rasterizer& rasterizer,
                 Renderer& renderer)
{
    const agg::rgba8 paint = Brush::ToAgg(color);
    // A packed scanline keeps a run of one coverage (the inside of a shape) as one span, which
    // the renderer fills as a run (a copy where the coverage is full and the colour opaque)
    // instead of blending it pixel by pixel. Every pixel gets the same value either way.
    agg::scanline_p8 scanline;
    Sweep(area, rasterizer, scanline, renderer,
          [&](const agg::scanline_p8& line) { agg::render_scanline_aa_solid(line, renderer, paint); });
}

} // namespace

void SolidBrush::Render(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8&,
                        BackgroundRenderer& renderer)
{
    RenderSolid(m_color, area, rasterizer, renderer);
}

void SolidBrush::Render(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8&,
                        ForegroundRenderer& renderer)
{
    RenderSolid(m_color, area, rasterizer, renderer);
}

} // namespace PImpl
