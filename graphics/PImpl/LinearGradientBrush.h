#pragma once

#include "graphics/GradientStop.h"
#include "graphics/PImpl/Brush.h"

#include <agg_array.h>
#include <agg_trans_affine.h>

namespace PImpl
{

// Colours change along the line from the start stop's point to the end stop's point and are
// constant across it; before the start the start colour, beyond the end the end colour.
class LinearGradientBrush : public Brush
{
public:
    static constexpr unsigned tableSize = 256;

    LinearGradientBrush(const Velmora::GradientStop& start, const Velmora::GradientStop& end);
    ~LinearGradientBrush() override;
    LinearGradientBrush(const LinearGradientBrush&) = delete;
    LinearGradientBrush& operator=(const LinearGradientBrush&) = delete;

    uint8_t GetType() const override { return 1; }
    void Render(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8& scanline,
                BackgroundRenderer& renderer) override;
    void Render(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8& scanline,
                ForegroundRenderer& renderer) override;

    // Fills the colour table and the transform for a surface placed at area on the panel.
    void ComputeGradient(const Velmora::PixelArea& area);

    // The weight (0-255) of the end colour at step of steps (at most 255) of the transition.
    static unsigned TransitionWeight(unsigned step, unsigned steps);

    const agg::rgba8& GetTableEntry(unsigned index) const { return m_table[index]; }
    const agg::trans_affine& GetTransform() const { return m_transform; }
    float GetD1() const { return m_d1; }
    float GetD2() const { return m_d2; }

private:
    template <typename Renderer>
    void RenderGradient(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8& scanline,
                        Renderer& renderer);

    Velmora::GradientStop m_start;
    Velmora::GradientStop m_end;
    float m_profile;
    agg::rgba8* m_storage;
    agg::pod_array_adaptor<agg::rgba8> m_table;
    agg::trans_affine m_transform;
    float m_d1;
    float m_d2;
};

} // namespace PImpl
