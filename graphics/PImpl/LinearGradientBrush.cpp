#include "graphics/PImpl/LinearGradientBrush.h"

#include "graphics/Driver/LCD.h"
#include "graphics/PImpl/BrushSweep.h"

#include <agg_basics.h>
#include <agg_dda_line.h>
#include <agg_span_gradient.h>

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <new>

namespace PImpl
{

namespace
{

// AGG's 8-bit linear interpolation of one channel from p towards q by k / 255.
agg::int8u Lerp(unsigned p, unsigned q, unsigned k)
{
    const int t = (static_cast<int>(q) - static_cast<int>(p)) * static_cast<int>(k) + 128 - (p > q ? 1 : 0);
    return static_cast<agg::int8u>(static_cast<int>(p) + (((t >> 8) + t) >> 8));
}

// The number of full-coverage values from covers on, at most len (four at a time where it can).
int FullRun(const agg::int8u* covers, int len)
{
    int run = 0;
    for (uint32_t word; run + 4 <= len; run += 4)
    {
        std::memcpy(&word, covers + run, sizeof word);
        if (word != 0xFFFFFFFFu)
        {
            break;
        }
    }
    while (run < len && covers[run] == agg::cover_full)
    {
        ++run;
    }
    return run;
}

// Paints a gradient's scanlines into a surface with exactly the pixels AGG's span pipeline gives
// (its linear span interpolator, gradient generator and colour-span blending), without its
// per-pixel colour buffer and calls. Exact wherever AGG's own integer arithmetic does not
// overflow (distances under half a million pixels).
template <typename Renderer> class GradientPainter
{
    typedef typename Renderer::pixfmt_type PixelFormat;
    typedef typename PixelFormat::blender_type Blender;
    typedef typename PixelFormat::pixel_type Pixel;

public:
    GradientPainter(Renderer& renderer, const agg::trans_affine& transform, const agg::rgba8* table, float d1,
                    float d2)
        : m_renderer(renderer), m_transform(transform), m_table(table),
          m_d1(agg::iround(static_cast<double>(d1) * agg::gradient_subpixel_scale)),
          m_dd(std::max(agg::iround(static_cast<double>(d2) * agg::gradient_subpixel_scale) - m_d1, 1)),
          m_rangesFit(m_d1 > -rangeLimit && m_d1 < rangeLimit && m_dd < rangeLimit)
    {
        // Every entry as the pixel a full-coverage copy writes (layer pixels have no default
        // constructor, so the table starts as bytes).
        Pixel* const pixels = Pixels();
        for (unsigned i = 0; i < LinearGradientBrush::tableSize; ++i)
        {
            new (&pixels[i]) Pixel(Blender::make_pix(table[i].r, table[i].g, table[i].b));
        }
    }

    void Paint(const agg::scanline_u8& line)
    {
        const int y = line.y();
        if (y < m_renderer.ymin() || y > m_renderer.ymax())
        {
            return;
        }
        Pixel* const row = reinterpret_cast<Pixel*>(m_renderer.ren().row_ptr(y));
        auto span = line.begin();
        for (unsigned count = line.num_spans(); count != 0; --count, ++span)
        {
            PaintSpan(row, span->x, y, span->len, span->covers);
        }
    }

private:
    // The interpolated distances are in 1/256 px, the generator's in 1/16 px.
    static constexpr int distanceShift = 8;
    static constexpr int downscaleShift = distanceShift - agg::gradient_subpixel_shift;
    static constexpr int lastEntry = static_cast<int>(LinearGradientBrush::tableSize) - 1;

    // AGG's forward-adjusted line interpolation (its remainder mod stays within (-steps, 0]).
    struct Distance
    {
        int value;
        int mod;
        int lft;
        int rem;
        int steps;

        // Moves on by one pixel, as AGG's interpolator steps.
        [[gnu::always_inline]] void Step()
        {
            mod += rem;
            value += lft;
            if (mod > 0)
            {
                mod -= steps;
                ++value;
            }
        }

        // Moves on by count pixels: as many steps of AGG's interpolator, worked out at once.
        [[gnu::always_inline]] void Advance(int count)
        {
            const int sum = mod + count * rem;
            const int carries = sum > 0 ? (sum + steps - 1) / steps : 0;
            mod = sum - carries * steps;
            value += count * lft + carries;
        }
    };

    Pixel* Pixels() { return reinterpret_cast<Pixel*>(m_pixelBytes); }

    // The table entry AGG's gradient generator picks at distance value (1/256 px): the distance
    // in 1/16 px, its place between the stops in entries truncated towards zero, then clamped.
    [[gnu::always_inline]] int Entry(int value) const
    {
        const int index =
            (((value >> downscaleShift) - m_d1) * static_cast<int>(LinearGradientBrush::tableSize)) / m_dd;
        return index < 0 ? 0 : index > lastEntry ? lastEntry : index;
    }

    // A span of the unpacked scanline, as AGG's span renderer takes it: a span longer than its
    // 16-bit length holds comes out negative, and is then painted for its absolute length with
    // its first coverage throughout.
    void PaintSpan(Pixel* row, int x, int y, int len, const agg::int8u* covers)
    {
        const bool oneCover = len < 0;
        const unsigned firstCover = *covers;
        len = std::abs(len);
        // The distance along the gradient is interpolated linearly from the span's first pixel
        // centre to one past its last, as AGG's linear span interpolator does it. Its rounding
        // depends on where the span starts and how long it is, so every span of the unpacked
        // scanline is interpolated on its own, its clipped part included.
        double tx = x + 0.5;
        double ty = y + 0.5;
        m_transform.transform(&tx, &ty);
        const int first = agg::iround(tx * (1 << distanceShift));
        tx = (x + 0.5) + len;
        ty = y + 0.5;
        m_transform.transform(&tx, &ty);
        const int last = agg::iround(tx * (1 << distanceShift));
        const agg::dda2_line_interpolator line(first, last, len);
        Distance distance{line.y(), line.mod(), line.lft(), line.rem(), len};

        // Clipped to the surface as AGG's base renderer clips a colour span.
        if (x < m_renderer.xmin())
        {
            const int skip = m_renderer.xmin() - x;
            len -= skip;
            if (len <= 0)
            {
                return;
            }
            covers += skip;
            for (int i = 0; i < skip; ++i)
            {
                distance.Step();
            }
            x = m_renderer.xmin();
        }
        if (x + len > m_renderer.xmax())
        {
            len = m_renderer.xmax() - x + 1;
            if (len <= 0)
            {
                return;
            }
        }

        // The interpolated distance runs monotonically from first to last, and the entry grows
        // with the distance: when both ends pick one entry, so does every pixel between.
        if (oneCover)
        {
            PaintWithCover(row + x, len, firstCover, distance);
            return;
        }
        const int index = Entry(first);
        if (index == Entry(last))
        {
            PaintOneEntry(row + x, len, covers, index);
        }
        else
        {
            PaintRun(row + x, len, covers, distance);
        }
    }

    // A pixel that is not a copy, blended as AGG's pixel format blends it: the colour's opacity
    // scaled by the coverage.
    static void Blend(Pixel* p, const agg::rgba8& colour, unsigned cover)
    {
        Blender::blend_pix(p, colour.r, colour.g, colour.b, (colour.a * (cover + 1)) >> 8, cover);
    }

    // Paints len pixels with one coverage, each in its own entry.
    void PaintWithCover(Pixel* p, int len, unsigned cover, Distance distance)
    {
        for (; len != 0; --len, ++p, distance.Step())
        {
            const int index = Entry(distance.value);
            const agg::rgba8& colour = m_table[index];
            if (cover == agg::cover_full && colour.a == agg::rgba8::base_mask)
            {
                *p = Pixels()[index];
            }
            else if (colour.a != 0)
            {
                Blend(p, colour, cover);
            }
        }
    }

    // Paints len pixels of entry index, as AGG's pixel format paints a colour span: runs of full
    // coverage of an opaque colour are copies.
    void PaintOneEntry(Pixel* p, int len, const agg::int8u* covers, int index)
    {
        const agg::rgba8& colour = m_table[index];
        if (colour.a == 0)
        {
            return;
        }
        const Pixel pixel = Pixels()[index];
        const bool opaque = colour.a == agg::rgba8::base_mask;
        while (len != 0)
        {
            const int run = opaque ? FullRun(covers, len) : 0;
            if (run != 0)
            {
                FillPixels(p, static_cast<unsigned>(run), pixel);
                p += run;
                covers += run;
                len -= run;
            }
            else
            {
                const unsigned cover = *covers++;
                Blend(p, colour, cover);
                ++p;
                --len;
            }
        }
    }

    // Distances from the returned low bound on, fewer than width past it, all pick entry index:
    // entry i > 0 is picked from distance / 16 >= d1 + ceil(i dd / 256) on. (Entry 0 reaches down
    // to INT_MIN; the last entry's range leaves out INT_MAX, which is then picked anew.) Only for
    // stops whose ranges fit 32 bits (m_rangesFit).
    unsigned EntryRange(int index, unsigned& width) const
    {
        const auto start = [this](int i) {
            return (m_d1 + ((i * m_dd + lastEntry) >> agg::gradient_subpixel_shift * 2)) * (1 << downscaleShift);
        };
        static_assert(LinearGradientBrush::tableSize == 1 << agg::gradient_subpixel_shift * 2,
                      "the entry bounds divide by the table size with a shift");
        const int from = index == 0 ? INT32_MIN : start(index);
        const int to = index == lastEntry ? INT32_MAX : start(index + 1);
        width = static_cast<unsigned>(to) - static_cast<unsigned>(from);
        return static_cast<unsigned>(from);
    }

    // How many of the next n pixels (n at least 1) pick entry index, the first of them at the
    // distance's current value. The interpolator's value after j steps is value + j lft +
    // ceil((mod + j rem) / steps) (its remainder stays within (-steps, 0]), so the first pixel
    // whose distance leaves the entry's range follows by division. The caller keeps
    // (|lft| + 1) n steps below 2^30, which keeps every product here within 32 bits.
    int RunLength(int index, const Distance& distance, int n) const
    {
        unsigned width;
        const unsigned low = EntryRange(index, width);
        const unsigned offset = static_cast<unsigned>(distance.value) - low;
        const int slope = distance.lft * distance.steps + distance.rem; // steps times the distance a pixel
        if (slope > 0)
        {
            // Rising: leaves at the first j with value + ... >= low + width, i.e. j slope > N.
            const unsigned room = width - 1 - offset;
            if (room >= static_cast<unsigned>(n) * static_cast<unsigned>(distance.lft + 1))
            {
                return n;
            }
            const int limit = static_cast<int>(room) * distance.steps - distance.mod;
            return std::min(limit / slope + 1, n);
        }
        if (slope < 0)
        {
            // Falling: leaves at the first j with value + ... < low, i.e. j (-slope) >= M.
            if (offset >= static_cast<unsigned>(n) * static_cast<unsigned>(-distance.lft))
            {
                return n;
            }
            const int limit = (static_cast<int>(offset) + 1) * distance.steps + distance.mod;
            return std::min((limit - slope - 1) / -slope, n);
        }
        return n; // the distance stands still
    }

    // Paints len pixels from p on; each pixel's entry is painted as AGG's pixel format paints a
    // colour span. Runs of full coverage through an opaque entry are copies of the entry's pixel,
    // as long as the distance stays within the entry's range.
    [[gnu::noinline]] void PaintRun(Pixel* p, int len, const agg::int8u* covers, Distance distance)
    {
        const int64_t bound = static_cast<int64_t>(std::abs(distance.lft) + 1) * len * distance.steps;
        const bool runs = m_rangesFit && bound < (int64_t(1) << 30);
        int full = 0; // pixels of full coverage known to lie ahead
        // An empty span paints nothing (a do-while would step past its end).
        while (len > 0)
        {
            const int index = Entry(distance.value);
            const agg::rgba8& colour = m_table[index];
            const bool opaque = colour.a == agg::rgba8::base_mask;
            if (full == 0 && opaque)
            {
                full = FullRun(covers, len);
            }
            if (full != 0 && opaque)
            {
                const int run = runs ? RunLength(index, distance, full) : 1;
                const Pixel pixel = Pixels()[index];
                if (run < 8)
                {
                    // A short run is stepped through pixel by pixel: on the host the division
                    // that moves on at once waits on the ones before it, and costs more.
                    for (Pixel* const end = p + run; p != end; ++p)
                    {
                        *p = pixel;
                        distance.Step();
                    }
                }
                else
                {
                    FillPixels(p, static_cast<unsigned>(run), pixel);
                    p += run;
                    distance.Advance(run);
                }
                covers += run;
                len -= run;
                full -= run;
            }
            else
            {
                const unsigned cover = *covers++;
                if (colour.a != 0)
                {
                    Blend(p, colour, cover);
                }
                ++p;
                distance.Step();
                --len;
                full = full != 0 ? full - 1 : 0;
            }
        }
    }

    Renderer& m_renderer;
    const agg::trans_affine& m_transform;
    const agg::rgba8* m_table;
    int m_d1;
    int m_dd;
    // Entry ranges are worked out in 32 bits: i dd below 2^30, their bounds below 2^27.
    static constexpr int rangeLimit = 1 << 22;
    bool m_rangesFit;
    alignas(Pixel) unsigned char m_pixelBytes[sizeof(Pixel) * LinearGradientBrush::tableSize];
};

} // namespace

LinearGradientBrush::LinearGradientBrush(const Velmora::GradientStop& start, const Velmora::GradientStop& end)
    : m_start(start), m_end(end), m_profile(1.0f), m_storage(new agg::rgba8[tableSize]),
      m_table(m_storage, tableSize), m_d1(0.0f), m_d2(0.0f)
{
}

LinearGradientBrush::~LinearGradientBrush()
{
    delete[] m_storage;
}

unsigned LinearGradientBrush::TransitionWeight(unsigned step, unsigned steps)
{
    // Rounded half up in whole numbers: the same as rounding step / steps * 255 + 0.5 down in
    // double precision, without software double division on the Cortex-M4F.
    return ((step * 510 + steps) / (2 * steps)) & 0xFF;
}

void LinearGradientBrush::ComputeGradient(const Velmora::PixelArea& area)
{
    const agg::rgba8 c1 = ToAgg(m_start.GetColor());
    const agg::rgba8 c2 = ToAgg(m_end.GetColor());

    // The transition spans the table between first and last; profile 1.0 leaves one entry of
    // pure start colour and one of pure end colour, so entry 254 is just short of c2.
    const unsigned half = tableSize / 2;
    const unsigned w = static_cast<unsigned>(static_cast<float>(half - 1) * m_profile);
    const unsigned first = half - w;
    unsigned last = half + w;
    if (first >= last)
    {
        last = first + 1;
    }
    const unsigned steps = last - first;
    for (unsigned i = 0; i < first; ++i)
    {
        m_table[i] = c1;
    }
    for (unsigned i = first; i < last; ++i)
    {
        const unsigned k = TransitionWeight(i - first, steps);
        m_table[i] = agg::rgba8(Lerp(c1.r, c2.r, k), Lerp(c1.g, c2.g, k), Lerp(c1.b, c2.b, k), Lerp(c1.a, c2.a, k));
    }
    for (unsigned i = last; i < tableSize; ++i)
    {
        m_table[i] = c2;
    }

    Driver::LCD& driver = Driver::LCD::GetInstance();
    const Velmora::Point p1 = driver.OrientPoint(area, m_start.GetPoint());
    const Velmora::Point p2 = driver.OrientPoint(area, m_end.GetPoint());
    const float angle = Velmora::Point::GetAngleRadians(p1, p2);
    m_d1 = 0.0f;
    m_d2 = Velmora::Point::GetDisplacement(p1, p2);

    // Pixel position to distance from p1 along p1 -> p2.
    m_transform.reset();
    m_transform *= agg::trans_affine_rotation(angle);
    m_transform *= agg::trans_affine_translation(p1.x, p1.y);
    m_transform.invert();
}

template <typename Renderer>
void LinearGradientBrush::RenderGradient(const Velmora::PixelArea& area, Rasterizer& rasterizer,
                                         agg::scanline_u8& scanline, Renderer& renderer)
{
    ComputeGradient(area);
    GradientPainter<Renderer> painter(renderer, m_transform, m_storage, m_d1, m_d2);
    Sweep(area, rasterizer, scanline, renderer, [&](const agg::scanline_u8& line) { painter.Paint(line); });
}

void LinearGradientBrush::Render(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8& scanline,
                                 BackgroundRenderer& renderer)
{
    RenderGradient(area, rasterizer, scanline, renderer);
}

void LinearGradientBrush::Render(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8& scanline,
                                 ForegroundRenderer& renderer)
{
    RenderGradient(area, rasterizer, scanline, renderer);
}

} // namespace PImpl
