#include "graphics/PImpl/LinearGradientBrush.h"

#include <agg_renderer_scanline.h>
#include <agg_span_allocator.h>
#include <agg_span_gradient.h>
#include <agg_span_interpolator_linear.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

using namespace Velmora;

namespace
{

// AGG's own gradient pipeline (linear span interpolator, gradient span generator, colour spans
// blended by AGG's pixel format), fed the brush's table and transform: every pixel the brush
// paints must be the one this paints.
template <typename Blender>
void PaintWithAgg(PImpl::LinearGradientBrush& brush, const PixelArea& area, PImpl::Rasterizer& rasterizer,
                  PImpl::RenderingBuffer& buffer, const agg::rect_i& clip)
{
    typedef agg::pixfmt_alpha_blend_rgb_packed<Blender, PImpl::RenderingBuffer> PixelFormat;
    typedef agg::span_interpolator_linear<agg::trans_affine, 8u> Interpolator;
    typedef agg::span_gradient<agg::rgba8, Interpolator, agg::gradient_x, agg::pod_array_adaptor<agg::rgba8>>
        Generator;

    brush.ComputeGradient(area);
    agg::rgba8 entries[PImpl::LinearGradientBrush::tableSize];
    for (unsigned i = 0; i < PImpl::LinearGradientBrush::tableSize; ++i)
    {
        entries[i] = brush.GetTableEntry(i);
    }
    agg::pod_array_adaptor<agg::rgba8> table(entries, PImpl::LinearGradientBrush::tableSize);
    agg::trans_affine transform = brush.GetTransform();
    Interpolator interpolator(transform);
    agg::gradient_x shape;
    Generator generator(interpolator, shape, table, brush.GetD1(), brush.GetD2());
    agg::span_allocator<agg::rgba8> allocator;
    PixelFormat format(buffer);
    agg::renderer_base<PixelFormat> renderer(format);
    renderer.clip_box(clip.x1, clip.y1, clip.x2, clip.y2);
    agg::scanline_u8 scanline;
    agg::render_scanlines_aa(rasterizer, scanline, renderer, allocator, generator);
}

// One random case: a gradient, a surface with random contents and a random clip box, and a
// random polygon (self-crossing, so rows split into several spans; partly off the surface).
class RandomCase
{
public:
    explicit RandomCase(std::mt19937& random)
        : m_random(random), m_huge(Whole(0, 19) == 0), m_width(m_huge ? Whole(200, 400) : Whole(1, 90)),
          m_height(m_huge ? Whole(1, 2) : Whole(1, 40)),
          m_area(PixelPoint(static_cast<int16_t>(Whole(0, 700)), static_cast<int16_t>(Whole(0, 430))),
                 static_cast<uint16_t>(m_width), static_cast<uint16_t>(m_height))
    {
        m_clip = agg::rect_i(0, 0, m_width - 1, m_height - 1);
        if (Whole(0, 2) == 0)
        {
            m_clip = agg::rect_i(Whole(0, m_width - 1), Whole(0, m_height - 1), Whole(0, m_width - 1),
                                 Whole(0, m_height - 1));
            m_clip.normalize();
        }

        Point start = RandomPoint();
        Point end = RandomPoint();
        switch (m_huge ? Whole(0, 5) : Whole(0, 8))
        {
        case 7:
        case 8:
        {
            // Along a row over a whole number of pixels, from a start on the distances' 1/256 px
            // grid: pixel centres land exactly on entry bounds (multiples of 1/16 px), or just
            // below them, where rounding the wrong way shows.
            const int grid = Whole(0, 1) == 0 ? 16 * Whole(0, 15) + 15 : 32 * Whole(0, 7);
            start = Point(static_cast<float>(Whole(-50, 150)) + static_cast<float>(grid) / 256,
                          static_cast<float>(Whole(-50, 50)));
            end = Point(start.x + static_cast<float>((Whole(0, 1) * 2 - 1) * 32 * Whole(1, 16)), start.y);
            break;
        }
        case 6:
            // So long that its entry ranges do not fit 32 bits; started so that an entry bound
            // (every 1000000 / 256 px) crosses the surface.
            start = Point(-1000000.0f / 256 * static_cast<float>(Whole(1, 100)) + Fraction(0, static_cast<float>(m_width)),
                          start.y);
            end = Point(start.x + 1000000, start.y + Fraction(-10, 10));
            break;
        case 0:
            end.x = start.x; // vertical
            break;
        case 1:
            end.y = start.y; // horizontal
            break;
        case 2:
            end = Point(start.x + Fraction(-2, 2), start.y + Fraction(-2, 2)); // shorter than a pixel or two
            break;
        case 3:
            end = start; // no length at all
            break;
        default:
            break;
        }
        m_start = GradientStop(start, RandomColor());
        m_end = GradientStop(end, RandomColor());
        if (Whole(0, 1) == 0)
        {
            // Opaque channels from one end of their range to the other: neighbouring table
            // entries give different pixels as often as RGB565 allows, so a pixel that takes its
            // neighbour's entry shows.
            const uint8_t r = static_cast<uint8_t>(255 * Whole(0, 1));
            const uint8_t g = static_cast<uint8_t>(255 * Whole(0, 1));
            const uint8_t b = static_cast<uint8_t>(255 * Whole(0, 1));
            m_start = GradientStop(start, Color(r, g, b, 255));
            m_end = GradientStop(end, Color(static_cast<uint8_t>(255 - r), static_cast<uint8_t>(255 - g),
                                            static_cast<uint8_t>(255 - b), 255));
        }

        m_evenOdd = Whole(0, 1) == 1;
        const int corners = Whole(3, 8);
        for (int i = 0; i < corners; ++i)
        {
            m_polygon.push_back(
                Point(Fraction(-20, static_cast<float>(m_width) + 20), Fraction(-10, static_cast<float>(m_height) + 10)));
        }
        if (m_huge)
        {
            // Spans up to 16,000 pixels long, nearly all of them off a wide surface (an unpacked
            // scanline's span holds at most 32,767).
            m_polygon = {Point(Fraction(-8000, -3000), Fraction(-10, 5)), Point(Fraction(3000, 8000), Fraction(-10, 5)),
                         Point(Fraction(-10, static_cast<float>(m_width) + 10), static_cast<float>(m_height) + 5)};
        }
        else if (Whole(0, 3) == 0)
        {
            // An upright rectangle with fractional edges: long single spans of full coverage.
            const float left = Fraction(-5, static_cast<float>(m_width));
            const float top = Fraction(-5, static_cast<float>(m_height));
            const float right = Fraction(left, static_cast<float>(m_width) + 5);
            const float bottom = Fraction(top, static_cast<float>(m_height) + 5);
            m_polygon = {Point(left, top), Point(right, top), Point(right, bottom), Point(left, bottom)};
        }
    }

    // Paints the case with the brush and with AGG's pipeline into two copies of one surface;
    // returns the number of pixels that differ.
    template <typename Blender, typename Renderer> int CountDifferences()
    {
        typedef typename Renderer::pixfmt_type PixelFormat;
        const int pixelSize = sizeof(typename PixelFormat::pixel_type);
        const int stride = m_width * pixelSize;
        std::vector<unsigned char> brushBytes(static_cast<size_t>(stride) * m_height);
        for (unsigned char& byte : brushBytes)
        {
            byte = static_cast<unsigned char>(m_random());
        }
        std::vector<unsigned char> aggBytes = brushBytes;

        PImpl::LinearGradientBrush brush(m_start, m_end);
        PImpl::RenderingBuffer brushBuffer(brushBytes.data(), m_width, m_height, stride);
        PixelFormat format(brushBuffer);
        Renderer renderer(format);
        renderer.clip_box(m_clip.x1, m_clip.y1, m_clip.x2, m_clip.y2);
        PImpl::Rasterizer brushRasterizer;
        agg::scanline_u8 scanline;
        AddPolygon(brushRasterizer);
        brush.Render(m_area, brushRasterizer, scanline, renderer);

        PImpl::Rasterizer aggRasterizer;
        AddPolygon(aggRasterizer);
        PImpl::RenderingBuffer aggBuffer(aggBytes.data(), m_width, m_height, stride);
        PaintWithAgg<Blender>(brush, m_area, aggRasterizer, aggBuffer, m_clip);

        int differences = 0;
        for (size_t i = 0; i < brushBytes.size(); i += pixelSize)
        {
            differences += std::memcmp(&brushBytes[i], &aggBytes[i], pixelSize) != 0 ? 1 : 0;
        }
        return differences;
    }

private:
    int Whole(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    // Mostly whole and half pixels, else any fraction: both kinds of rounding get exercised.
    float Fraction(float low, float high)
    {
        const float value = std::uniform_real_distribution<float>(low, high)(m_random);
        switch (Whole(0, 3))
        {
        case 0:
            return static_cast<float>(static_cast<int>(value));
        case 1:
            return static_cast<float>(static_cast<int>(value)) + 0.5f;
        default:
            return value;
        }
    }

    Point RandomPoint()
    {
        return Point(Fraction(-150, static_cast<float>(m_width) + 150), Fraction(-150, static_cast<float>(m_height) + 150));
    }

    Color RandomColor()
    {
        const int alpha = Whole(0, 3);
        return Color(static_cast<uint8_t>(Whole(0, 255)), static_cast<uint8_t>(Whole(0, 255)),
                     static_cast<uint8_t>(Whole(0, 255)),
                     static_cast<uint8_t>(alpha == 0 ? 0 : alpha == 1 ? Whole(1, 254) : 255));
    }

    void AddPolygon(PImpl::Rasterizer& rasterizer) const
    {
        rasterizer.filling_rule(m_evenOdd ? agg::fill_even_odd : agg::fill_non_zero);
        rasterizer.move_to_d(m_polygon[0].x, m_polygon[0].y);
        for (size_t i = 1; i < m_polygon.size(); ++i)
        {
            rasterizer.line_to_d(m_polygon[i].x, m_polygon[i].y);
        }
        rasterizer.close_polygon();
    }

    std::mt19937& m_random;
    bool m_huge;
    int m_width;
    int m_height;
    PixelArea m_area;
    agg::rect_i m_clip;
    GradientStop m_start{Point(0, 0), Color(0, 0, 0, 0)};
    GradientStop m_end{Point(0, 0), Color(0, 0, 0, 0)};
    bool m_evenOdd;
    std::vector<Point> m_polygon;
};

} // namespace

TEST(LinearGradientBrushTest, PaintsEveryPixelAsAggsSpanPipelineOnTheBackground)
{
    std::mt19937 random(19);
    for (int i = 0; i < 4000; ++i)
    {
        RandomCase test(random);
        ASSERT_EQ((test.CountDifferences<agg::blender_rgb565, PImpl::BackgroundRenderer>()), 0) << "case " << i;
    }
}

TEST(LinearGradientBrushTest, PaintsEveryPixelAsAggsSpanPipelineOnALayer)
{
    std::mt19937 random(20);
    for (int i = 0; i < 4000; ++i)
    {
        RandomCase test(random);
        ASSERT_EQ((test.CountDifferences<PImpl::blender_argb8565, PImpl::ForegroundRenderer>()), 0) << "case " << i;
    }
}

// The table's weights come from whole numbers; they must be the double-precision ones they
// replace, for every length of transition the table can have.
TEST(LinearGradientBrushTest, TransitionWeightsAreTheDoublePrecisionOnes)
{
    for (unsigned steps = 1; steps < PImpl::LinearGradientBrush::tableSize; ++steps)
    {
        for (unsigned step = 0; step < steps; ++step)
        {
            const double fraction = static_cast<double>(step) / steps;
            const unsigned weight = static_cast<unsigned>(fraction * 255.0 + 0.5) & 0xFF;
            ASSERT_EQ(PImpl::LinearGradientBrush::TransitionWeight(step, steps), weight) << step << " of " << steps;
        }
    }
}
