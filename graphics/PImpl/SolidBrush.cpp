#include "graphics/PImpl/SolidBrush.h"

#include "graphics/PImpl/BrushSweep.h"

#include <agg_renderer_scanline.h>
#include <agg_scanline_p.h>

namespace PImpl
{

namespace
{

// Paints packed scanlines into a foreground layer with one colour: every pixel gets the value
// AGG's render_scanline_aa_solid gives it through renderer_base (which clips) and the layer's
// pixel format, in far fewer instructions. What AGG does for a pixel of coverage c:
//   alpha = a * (c + 1) >> 8; nothing at all when a is 0; the pure colour pixel when alpha is
//   full; else blender_argb8565::blend_pix.
// The one shortcut taken is a transparent destination (d = 0), the usual case of text on a
// cleared layer. There blend_pix weights the existing colour by d and the existing opacity by
// (255 - alpha) * d, both 0: the result is alpha and a colour that depends on the paint alone,
// worked out once by blend_pix itself, so the bits are the same by construction.
class LayerPainter
{
public:
    explicit LayerPainter(const agg::rgba8& paint)
        : m_paint(paint), m_solid(blender_argb8565::make_pix(paint.r, paint.g, paint.b)), m_overClear(0, 0, 0, 0)
    {
        blender_argb8565::blend_pix(&m_overClear, paint.r, paint.g, paint.b, 0, 0);
    }

    void Paint(const agg::scanline_p8& line, ForegroundRenderer& renderer) const
    {
        const int y = line.y();
        if (m_paint.a == 0 || y < renderer.ymin() || y > renderer.ymax())
        {
            return;
        }
        Velmora::Color* const row = reinterpret_cast<Velmora::Color*>(renderer.ren().pix_ptr(0, y));
        const int xmin = renderer.xmin();
        const int xmax = renderer.xmax();
        unsigned count = line.num_spans();
        for (auto span = line.begin(); count != 0; --count, ++span)
        {
            int first = span->x;
            const int length = span->len;
            int last = first + (length < 0 ? -length : length) - 1;
            const agg::int8u* covers = span->covers;
            if (first < xmin)
            {
                // A run keeps its one coverage; a span of coverages skips those left of the box.
                covers += length > 0 ? xmin - first : 0;
                first = xmin;
            }
            last = last < xmax ? last : xmax;
            if (last < first)
            {
                continue;
            }
            Velmora::Color* p = row + first;
            Velmora::Color* const end = row + last + 1;
            if (length < 0)
            {
                PaintRun(p, end, *covers);
            }
            else
            {
                for (; p != end; ++p)
                {
                    PaintPixel(p, *covers++);
                }
            }
        }
    }

private:
    unsigned Alpha(unsigned cover) const { return m_paint.a * (cover + 1) >> 8; }

    void PaintPixel(Velmora::Color* p, unsigned cover) const
    {
        const unsigned alpha = Alpha(cover);
        if (alpha == 255)
        {
            *p = m_solid;
        }
        else
        {
            Blend(p, alpha, cover);
        }
    }

    void PaintRun(Velmora::Color* p, Velmora::Color* end, unsigned cover) const
    {
        const unsigned alpha = Alpha(cover);
        if (alpha == 255)
        {
            FillPixels(p, static_cast<unsigned>(end - p), m_solid);
            return;
        }
        for (; p != end; ++p)
        {
            Blend(p, alpha, cover);
        }
    }

    void Blend(Velmora::Color* p, unsigned alpha, unsigned cover) const
    {
        if (p->alpha == 0)
        {
            p->alpha = static_cast<uint8_t>(alpha);
            p->rgb = m_overClear.rgb;
        }
        else
        {
            blender_argb8565::blend_pix(p, m_paint.r, m_paint.g, m_paint.b, alpha, cover);
        }
    }

    agg::rgba8 m_paint;
    Velmora::Color m_solid;
    Velmora::Color m_overClear;
};

} // namespace

void SolidBrush::Render(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8&,
                        BackgroundRenderer& renderer)
{
    const agg::rgba8 paint = Brush::ToAgg(m_color);
    // A packed scanline keeps a run of one coverage (the inside of a shape) as one span, which
    // the renderer fills as a run (a copy where the coverage is full and the colour opaque)
    // instead of blending it pixel by pixel. Every pixel gets the same value either way.
    agg::scanline_p8 scanline;
    Sweep(area, rasterizer, scanline, renderer,
          [&](const agg::scanline_p8& line) { agg::render_scanline_aa_solid(line, renderer, paint); });
}

void SolidBrush::Render(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8&,
                        ForegroundRenderer& renderer)
{
    const LayerPainter painter(Brush::ToAgg(m_color));
    agg::scanline_p8 scanline;
    Sweep(area, rasterizer, scanline, renderer,
          [&](const agg::scanline_p8& line) { painter.Paint(line, renderer); });
}

} // namespace PImpl
