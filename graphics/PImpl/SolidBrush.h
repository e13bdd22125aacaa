#pragma once

#include "graphics/Color.h"
#include "graphics/PImpl/Brush.h"
#include "graphics/PImpl/SweepCache.h"

namespace PImpl
{

class SolidBrush : public Brush
{
public:
    explicit SolidBrush(const Velmora::Color& color) : m_color(color) {}

    uint8_t GetType() const override { return 0; }
    void Render(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8& scanline,
                BackgroundRenderer& renderer) override;
    void Render(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8& scanline,
                ForegroundRenderer& renderer) override;

    // The same painting from a sweep kept before, or while keeping the rasteriser's sweep.
    void Render(const Velmora::PixelArea& area, SweepCache::Replay& sweep, ForegroundRenderer& renderer);
    void Render(const Velmora::PixelArea& area, SweepCache::Recording& sweep, ForegroundRenderer& renderer);

    const Velmora::Color& GetColor() const { return m_color; }

private:
    Velmora::Color m_color;
};

} // namespace PImpl
