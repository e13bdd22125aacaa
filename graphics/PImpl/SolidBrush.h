#pragma once

#include "graphics/Color.h"
#include "graphics/PImpl/Brush.h"

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

    const Velmora::Color& GetColor() const { return m_color; }

private:
    Velmora::Color m_color;
};

} // namespace PImpl
