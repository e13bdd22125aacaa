#include "graphics/PImpl/SolidBrush.h"

#include "graphics/PImpl/BrushSweep.h"

#include <agg_renderer_scanline.h>
#include <agg_scanline_p.h>

#include <climits>
#include <stdexcept>

namespace PImpl
{

namespace
{

// Paints single cells and runs of one coverage into a foreground layer with one colour: every
// pixel gets the value AGG's render_scanline_aa_solid gives it through renderer_base (which
// clips) and the layer's pixel format, in far fewer instructions. What AGG does for a pixel of coverage c:
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
        : m_paint(paint), m_solid(blender_argb8565::make_pix(paint.r, paint.g, paint.b)), m_fill(m_solid),
          m_overClear(0, 0, 0, 0)
    {
        blender_argb8565::blend_pix(&m_overClear, paint.r, paint.g, paint.b, 0, 0);
    }

    // Nothing at all is painted in a colour without opacity.
    bool PaintsNothing() const { return m_paint.a == 0; }

    __attribute__((always_inline)) void PaintPixel(Velmora::Color* p, unsigned cover) const
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

    __attribute__((always_inline)) void PaintRun(Velmora::Color* p, Velmora::Color* end, unsigned cover) const
    {
        const unsigned alpha = Alpha(cover);
        if (alpha == 255)
        {
            m_fill.Fill(p, static_cast<unsigned>(end - p));
            return;
        }
        for (; p != end; ++p)
        {
            Blend(p, alpha, cover);
        }
    }

private:
    __attribute__((always_inline)) unsigned Alpha(unsigned cover) const { return m_paint.a * (cover + 1) >> 8; }

    __attribute__((always_inline)) void Blend(Velmora::Color* p, unsigned alpha, unsigned cover) const
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
    PixelPattern m_fill;
    Velmora::Color m_overClear;
};

// What the rasteriser's sweep takes for a scanline, painting every cell and run of coverage into
// the layer as the sweep hands it over instead of collecting the row for a painter to read back,
// and registering the painted runs as BrushSweep's Sweep does (touching ones as one run, clipped
// to the surface, rows off the surface not at all). The sweep tells a scanline its row only when
// the row is done, but it starts at the rasteriser's min_y and resets the scanline once for every
// row it examines, empty ones included: the row is counted, and checked when the sweep names it.
// Coordinates stay in int here, where AGG's scanlines keep them in 16 bits.
//
// A cell or run that does not start where the open run ends opens another (out of line, with the
// row's set-up when it is the row's first): the common case costs a compare. A run is registered
// as RegisterRun does, but a run inside the columns the driver reports settled for the row is
// only marked in the ink map: registering it would change nothing in the record (see
// Driver::LCD::GetSettledSpan), which is what makes the two the same.
class PaintingScanline
{
public:
    PaintingScanline(const LayerPainter& painter, ForegroundRenderer& renderer, const Velmora::PixelArea& area,
                     int firstRow)
        : m_painter(painter), m_renderer(renderer), m_driver(Driver::LCD::GetInstance()),
          m_ink(renderer.ren().GetInk()), m_left(area.GetLeft()), m_top(area.GetTop()), m_y(firstRow - 1),
          m_xmin(renderer.xmin()), m_xmax(renderer.xmax()), m_ymin(renderer.ymin()), m_ymax(renderer.ymax())
    {
    }

    __attribute__((always_inline)) void reset_spans()
    {
        ++m_y;
        m_first = noRun;
        m_next = noRun;
    }

    __attribute__((always_inline)) void add_cell(int x, unsigned cover)
    {
        if (x != m_next)
        {
            Open(x);
        }
        m_next = x + 1;
        if (static_cast<unsigned>(x - m_paintFirst) < m_paintCount)
        {
            m_painter.PaintPixel(m_row + x, cover);
        }
    }

    __attribute__((always_inline)) void add_span(int x, unsigned length, unsigned cover)
    {
        if (x != m_next)
        {
            Open(x);
        }
        const int end = x + static_cast<int>(length);
        m_next = end;
        const int first = x > m_paintFirst ? x : m_paintFirst;
        const int stop = end < m_paintEnd ? end : m_paintEnd;
        if (first < stop)
        {
            m_painter.PaintRun(m_row + first, m_row + stop, cover);
        }
    }

    unsigned num_spans() const { return m_first != noRun ? 1u : 0u; }

    // Set by the rasteriser's sweep for this scanline (below) at its first row: whether its
    // coverage-to-alpha step is the plain one (see LinearAlpha). -1 until then.
    int linearAlpha = -1;

    void finalize(int y)
    {
        if (y != m_y)
        {
            throw std::logic_error("rasteriser swept a row other than the one counted");
        }
        if (m_first != noRun)
        {
            Register(m_first, m_next - 1);
        }
    }

private:
    // No cell or run starts here (the rasteriser's cells lie within 2^23 of the origin).
    static constexpr int noRun = INT_MIN;

    // Registers the open run, or sets the row up when none is open, and opens a run at x.
    __attribute__((__noinline__)) void Open(int x)
    {
        if (m_first != noRun)
        {
            Register(m_first, m_next - 1);
        }
        else
        {
            StartRow();
        }
        m_first = x;
    }

    void StartRow()
    {
        m_onSurface = m_y >= m_ymin && m_y <= m_ymax;
        m_paintFirst = 0;
        m_paintEnd = 0;
        m_settledFirst = 0;
        m_settledLast = -1;
        if (m_onSurface)
        {
            if (!m_painter.PaintsNothing())
            {
                m_row = reinterpret_cast<Velmora::Color*>(m_renderer.ren().pix_ptr(0, m_y));
                m_paintFirst = m_xmin;
                m_paintEnd = m_xmax + 1;
            }
            m_marks = m_ink.GetRow(static_cast<unsigned>(m_y));
            m_panelY = static_cast<int16_t>(m_top + m_y);
            Settle();
        }
        m_paintCount = static_cast<unsigned>(m_paintEnd - m_paintFirst);
    }

    // The columns of a row on the surface, in surface coordinates and within the clip box, whose
    // runs need no registering.
    void Settle()
    {
        const PImpl::Span settled = m_driver.GetSettledSpan(m_panelY);
        const int first = settled.start - m_left;
        const int last = settled.start + settled.length - 1 - m_left;
        m_settledFirst = first > m_xmin ? first : m_xmin;
        m_settledLast = last < m_xmax ? last : m_xmax;
    }

    // RegisterRun for the row's run first..last. Inside the settled columns the run lies on the
    // surface and within the clip box, and registering it changes nothing: only its ink is marked.
    __attribute__((__always_inline__)) void Register(int first, int last)
    {
        if (first >= m_settledFirst && last <= m_settledLast)
        {
            MarkInk(first, last);
            return;
        }
        RegisterAnyRun(first, last);
    }

    // InkMap::MarkBlocks, with the usual case of a run within one word of marks inline.
    __attribute__((__always_inline__)) void MarkInk(int first, int last)
    {
        const unsigned firstBlock = static_cast<unsigned>(first) >> InkMap::blockShift;
        const unsigned lastBlock = static_cast<unsigned>(last) >> InkMap::blockShift;
        if (firstBlock >> 5 == lastBlock >> 5)
        {
            m_marks[firstBlock >> 5] |= ~0u << (firstBlock & 31) & ~0u >> (31 - (lastBlock & 31));
        }
        else
        {
            MarkWords(m_marks, firstBlock, lastBlock);
        }
    }

    __attribute__((__noinline__)) static void MarkWords(uint32_t* marks, unsigned firstBlock, unsigned lastBlock)
    {
        InkMap::MarkBlocks(marks, firstBlock, lastBlock);
    }

    __attribute__((__noinline__)) void RegisterAnyRun(int first, int last)
    {
        if (!m_onSurface)
        {
            return;
        }
        first = first > m_xmin ? first : m_xmin;
        last = last < m_xmax ? last : m_xmax;
        if (last < first)
        {
            return;
        }
        MarkInk(first, last);
        m_driver.RegisterRowChange(static_cast<int16_t>(m_left + first), m_panelY,
                                   static_cast<uint16_t>(last - first + 1));
        Settle();
    }

    // A copy: its colours are read for every cell.
    const LayerPainter m_painter;
    ForegroundRenderer& m_renderer;
    Driver::LCD& m_driver;
    InkMap& m_ink;
    // The surface's place on the panel, and its clip box.
    const int m_left;
    const int m_top;
    int m_y;
    const int m_xmin;
    const int m_xmax;
    const int m_ymin;
    const int m_ymax;
    // The open run: m_first .. m_next - 1, none when m_first is noRun.
    int m_first = noRun;
    int m_next = noRun;
    // The row's columns that are painted (none off the surface or with paint that paints
    // nothing), and its pixels.
    int m_paintFirst = 0;
    int m_paintEnd = 0;
    unsigned m_paintCount = 0;
    Velmora::Color* m_row = nullptr;
    // The row's registration: on the surface at all, its marks, its panel row, its settled columns.
    bool m_onSurface = false;
    uint32_t* m_marks = nullptr;
    int16_t m_panelY = 0;
    int m_settledFirst = 0;
    int m_settledLast = -1;
};

// With the non-zero rule and the rasteriser's linear gamma (its default: entry i is i), AGG's
// coverage-to-alpha step is the covered area's magnitude, at most 255: the fold of the even-odd
// rule never applies, and the table gives back what it is handed.
inline unsigned LinearAlpha(int area)
{
    int cover = area >> (2 * agg::poly_subpixel_shift + 1 - Rasterizer::aa_shift);
    cover = cover < 0 ? -cover : cover;
    return static_cast<unsigned>(cover < Rasterizer::aa_mask ? cover : Rasterizer::aa_mask);
}

} // namespace

} // namespace PImpl

namespace agg
{

// The rasteriser's sweep for a painting scanline: AGG's walk over a row's cells, with the same
// calls of the scanline in the same order and the same arguments, but the coverage-to-alpha step
// chosen once for the sweep instead of testing the filling rule and looking the gamma table up for
// every cell and run (LinearAlpha; any other rule or gamma takes AGG's own calculate_alpha). The
// row walk: cells of one column are summed; a column whose area is not zero is a cell of its own
// alpha; the columns between it and the next cell's are a run of the accumulated cover's alpha.
// Nothing of alpha 0 is handed over, and a row that hands over nothing is passed over.
template <>
template <>
bool rasterizer_scanline_aa<rasterizer_sl_clip<PImpl::FixedPointConversion>>::sweep_scanline(
    PImpl::PaintingScanline& scanline)
{
    if (scanline.linearAlpha < 0)
    {
        bool linear = m_filling_rule == fill_non_zero;
        for (int i = 0; linear && i < aa_scale; ++i)
        {
            linear = m_gamma[i] == i;
        }
        scanline.linearAlpha = linear ? 1 : 0;
    }
    const bool linear = scanline.linearAlpha != 0;
    for (;;)
    {
        if (m_scan_y > m_outline.max_y())
        {
            return false;
        }
        scanline.reset_spans();
        unsigned count = m_outline.scanline_num_cells(static_cast<unsigned>(m_scan_y));
        const cell_aa* const* cells = m_outline.scanline_cells(static_cast<unsigned>(m_scan_y));
        int cover = 0;
        while (count != 0)
        {
            const cell_aa* cell = *cells;
            int x = cell->x;
            int area = cell->area;
            cover += cell->cover;
            while (--count != 0)
            {
                cell = *++cells;
                if (cell->x != x)
                {
                    break;
                }
                area += cell->area;
                cover += cell->cover;
            }
            if (area != 0)
            {
                const int covered = (cover << (poly_subpixel_shift + 1)) - area;
                const unsigned alpha = linear ? PImpl::LinearAlpha(covered) : calculate_alpha(covered);
                if (alpha != 0)
                {
                    scanline.add_cell(x, alpha);
                }
                ++x;
            }
            if (count != 0 && cell->x > x)
            {
                const int covered = cover << (poly_subpixel_shift + 1);
                const unsigned alpha = linear ? PImpl::LinearAlpha(covered) : calculate_alpha(covered);
                if (alpha != 0)
                {
                    scanline.add_span(x, static_cast<unsigned>(cell->x - x), alpha);
                }
            }
        }
        if (scanline.num_spans() != 0)
        {
            break;
        }
        ++m_scan_y;
    }
    scanline.finalize(m_scan_y);
    ++m_scan_y;
    return true;
}

} // namespace agg

namespace PImpl
{

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

namespace
{

// Paints what sweep hands over: the rasteriser itself, or a sweep kept or being kept. The steps of
// the painter and of its scanline are always inlined: with three sweeps to serve, the compiler
// would otherwise make them calls, which cost more than most cells do.
template <typename Sweep>
void PaintSweep(const Velmora::Color& color, const Velmora::PixelArea& area, Sweep& sweep, ForegroundRenderer& renderer)
{
    // Closes the open polygon and sorts the cells; a path without outline has none.
    if (!sweep.rewind_scanlines())
    {
        return;
    }
    const LayerPainter painter(Brush::ToAgg(color));
    PaintingScanline scanline(painter, renderer, area, sweep.min_y());
    while (sweep.sweep_scanline(scanline))
    {
    }
}

} // namespace

void SolidBrush::Render(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8&,
                        ForegroundRenderer& renderer)
{
    PaintSweep(m_color, area, rasterizer, renderer);
}

void SolidBrush::Render(const Velmora::PixelArea& area, SweepCache::Replay& sweep, ForegroundRenderer& renderer)
{
    PaintSweep(m_color, area, sweep, renderer);
}

void SolidBrush::Render(const Velmora::PixelArea& area, SweepCache::Recording& sweep, ForegroundRenderer& renderer)
{
    PaintSweep(m_color, area, sweep, renderer);
}

} // namespace PImpl
