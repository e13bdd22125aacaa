#include "graphics/PImpl/LinearGradientBrush.h"

#include "graphics/Driver/LCD.h"
#include "graphics/PImpl/BrushSweep.h"

#include <agg_renderer_scanline.h>
#include <agg_span_allocator.h>
#include <agg_span_gradient.h>
#include <agg_span_interpolator_linear.h>

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
        const double fraction = static_cast<double>(i - first) / steps;
        const unsigned k = static_cast<unsigned>(fraction * 255.0 + 0.5) & 0xFF;
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
    typedef agg::span_interpolator_linear<agg::trans_affine, 8u> Interpolator;
    typedef agg::span_gradient<agg::rgba8, Interpolator, agg::gradient_x, agg::pod_array_adaptor<agg::rgba8>>
        Generator;

    ComputeGradient(area);
    Interpolator interpolator(m_transform);
    agg::gradient_x shape;
    // The generator scales the distances by 16 sub-steps and rounds halves away from zero.
    Generator generator(interpolator, shape, m_table, m_d1, m_d2);
    agg::span_allocator<agg::rgba8> allocator;
    Sweep(area, rasterizer, scanline, renderer,
          [&](const agg::scanline_u8& line) { agg::render_scanline_aa(line, renderer, allocator, generator); });
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
