#include "graphics/PImpl/SolidBrush.h"

#include "graphics/PImpl/BrushSweep.h"

#include <agg_renderer_scanline.h>

namespace PImpl
{

namespace
{

template <typename Renderer>
void RenderSolid(const Velmora::Color& color, const Velmora::PixelArea& area, Rasterizer& rasterizer,
                 agg::scanline_u8& scanline, Renderer& renderer)
{
    const agg::rgba8 paint = Brush::ToAgg(color);
    Sweep(area, rasterizer, scanline, renderer,
          [&](const agg::scanline_u8& line) { agg::render_scanline_aa_solid(line, renderer, paint); });
}

} // namespace

void SolidBrush::Render(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8& scanline,
                        BackgroundRenderer& renderer)
{
    RenderSolid(m_color, area, rasterizer, scanline, renderer);
}

void SolidBrush::Render(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8& scanline,
                        ForegroundRenderer& renderer)
{
    RenderSolid(m_color, area, rasterizer, scanline, renderer);
}

} // namespace PImpl
