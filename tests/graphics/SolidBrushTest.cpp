#include "graphics/LCD.h"
#include "graphics/PImpl/BrushSweep.h"
#include "graphics/PImpl/SolidBrush.h"
#include "graphics/Point.h"

#include "tests/graphics/PanelBench.h"

#include <agg_gamma_functions.h>
#include <agg_renderer_scanline.h>
#include <agg_scanline_p.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

using namespace Velmora;

namespace
{

// One random case: a colour, a surface with random contents (on a layer many pixels fully
// transparent, the usual destination of text), a random clip box, and a random polygon,
// self-crossing so rows split into several spans and partly off the surface, or an upright
// rectangle with fractional edges, whose rows are long runs of full coverage, or two boxes apart.
class RandomCase
{
public:
    // With curved, a gamma curve of a random power for the rasteriser (the alpha of each cell and
    // run then comes from the gamma table, not straight from the coverage).
    explicit RandomCase(std::mt19937& random, bool curved = false)
        : m_random(random), m_width(Whole(1, 120)), m_height(Whole(1, 40)),
          m_color(static_cast<uint8_t>(Whole(0, 255)), static_cast<uint8_t>(Whole(0, 255)),
                  static_cast<uint8_t>(Whole(0, 255)), RandomAlpha())
    {
        m_clip = agg::rect_i(0, 0, m_width - 1, m_height - 1);
        if (Whole(0, 2) == 0)
        {
            m_clip = agg::rect_i(Whole(0, m_width - 1), Whole(0, m_height - 1), Whole(0, m_width - 1),
                                 Whole(0, m_height - 1));
            m_clip.normalize();
        }
        m_evenOdd = Whole(0, 1) == 1;
        m_gamma = curved ? std::uniform_real_distribution<double>(0.3, 3.0)(m_random) : 0.0;
        const int kind = Whole(0, 5);
        if (kind == 0)
        {
            // Two boxes one above the other with whole empty rows between them: the sweep passes
            // over rows without coverage.
            const float left = Fraction(-5, static_cast<float>(m_width));
            const float right = Fraction(left, static_cast<float>(m_width) + 5);
            const float split = Fraction(0, static_cast<float>(m_height));
            m_polygon = {Point(left, -2), Point(right, -2), Point(right, split - 1.5f), Point(left, split - 1.5f)};
            m_second = {Point(right, split + 1.5f), Point(left, split + 1.5f), Point(left, Fraction(split + 2, 45)),
                        Point(right, 42)};
        }
        else if (kind == 1)
        {
            const float left = Fraction(-5, static_cast<float>(m_width));
            const float top = Fraction(-5, static_cast<float>(m_height));
            const float right = Fraction(left, static_cast<float>(m_width) + 5);
            const float bottom = Fraction(top, static_cast<float>(m_height) + 5);
            m_polygon = {Point(left, top), Point(right, top), Point(right, bottom), Point(left, bottom)};
        }
        else
        {
            const int corners = Whole(3, 10);
            for (int i = 0; i < corners; ++i)
            {
                m_polygon.push_back(Point(Fraction(-20, static_cast<float>(m_width) + 20),
                                          Fraction(-10, static_cast<float>(m_height) + 10)));
            }
        }
    }

    // Paints the case with the brush and with AGG's own pipeline (unpacked scanline, AGG's
    // solid scanline renderer and pixel format) into two copies of one surface; returns the
    // number of pixels that differ.
    template <typename Blender, typename Renderer> int CountDifferences()
    {
        typedef typename Renderer::pixfmt_type PixelFormat;
        typedef agg::pixfmt_alpha_blend_rgb_packed<Blender, PImpl::RenderingBuffer> AggPixelFormat;
        const int pixelSize = sizeof(typename PixelFormat::pixel_type);
        const int stride = m_width * pixelSize;
        std::vector<unsigned char> brushBytes(static_cast<size_t>(stride) * m_height);
        const bool clearMostly = Whole(0, 1) == 0;
        for (size_t i = 0; i < brushBytes.size(); ++i)
        {
            brushBytes[i] = static_cast<unsigned char>(m_random());
            if (pixelSize == 3 && i % 3 == 0 && clearMostly && Whole(0, 7) != 0)
            {
                brushBytes[i] = 0;
            }
        }
        std::vector<unsigned char> aggBytes = brushBytes;

        PImpl::RenderingBuffer brushBuffer(brushBytes.data(), m_width, m_height, stride);
        PixelFormat format(brushBuffer);
        Renderer renderer(format);
        renderer.clip_box(m_clip.x1, m_clip.y1, m_clip.x2, m_clip.y2);
        PImpl::Rasterizer brushRasterizer;
        AddPolygon(brushRasterizer);
        agg::scanline_u8 scanline;
        PImpl::SolidBrush brush(m_color);
        brush.Render(PixelArea(PixelPoint(10, 20), static_cast<uint16_t>(m_width), static_cast<uint16_t>(m_height)),
                     brushRasterizer, scanline, renderer);

        PImpl::RenderingBuffer aggBuffer(aggBytes.data(), m_width, m_height, stride);
        AggPixelFormat aggFormat(aggBuffer);
        agg::renderer_base<AggPixelFormat> aggRenderer(aggFormat);
        aggRenderer.clip_box(m_clip.x1, m_clip.y1, m_clip.x2, m_clip.y2);
        PImpl::Rasterizer aggRasterizer;
        AddPolygon(aggRasterizer);
        agg::render_scanlines_aa_solid(aggRasterizer, scanline, aggRenderer, PImpl::Brush::ToAgg(m_color));

        int differences = 0;
        for (size_t i = 0; i < brushBytes.size(); i += pixelSize)
        {
            differences += std::memcmp(&brushBytes[i], &aggBytes[i], pixelSize) != 0 ? 1 : 0;
        }
        return differences;
    }

    // The runs the brush registers painting the case into a layer against those that BrushSweep's
    // Sweep registers for the same outline; true when they are the same.
    bool RegistersAsSweep()
    {
        const int stride = m_width * 3;
        std::vector<unsigned char> bytes(static_cast<size_t>(stride) * m_height);
        PImpl::RenderingBuffer buffer(bytes.data(), m_width, m_height, stride);
        PImpl::ForegroundPixelFormat format(buffer);
        PImpl::ForegroundRenderer renderer(format);
        renderer.clip_box(m_clip.x1, m_clip.y1, m_clip.x2, m_clip.y2);
        const PixelArea area(PixelPoint(static_cast<int16_t>(Whole(-30, 700)), static_cast<int16_t>(Whole(-30, 440))),
                             static_cast<uint16_t>(m_width), static_cast<uint16_t>(m_height));

        LCD& lcd = LCD::GetInstance();
        lcd.DisableFlush(true);
        PImpl::Rasterizer brushRasterizer;
        AddPolygon(brushRasterizer);
        agg::scanline_u8 unused;
        PImpl::SolidBrush(m_color).Render(area, brushRasterizer, unused, renderer);
        const std::vector<Run> painted = RecordedRuns();
        lcd.EnableFlush(true);
        PanelBench::WaitForFlush();

        lcd.DisableFlush(true);
        PImpl::Rasterizer sweepRasterizer;
        AddPolygon(sweepRasterizer);
        agg::scanline_p8 scanline;
        PImpl::Sweep(area, sweepRasterizer, scanline, renderer, [](const agg::scanline_p8&) {});
        const std::vector<Run> swept = RecordedRuns();
        lcd.EnableFlush(true);
        PanelBench::WaitForFlush();
        return painted == swept;
    }

    // The same over a record that already holds changes (whole areas, as clearing registers them,
    // runs of other drawing, rows out of free slots), into two layers whose ink maps must come
    // out the same too: the brush leaves out registrations that would change nothing, and must
    // leave out no other.
    bool RegistersAndMarksAsSweepOverEarlierChanges()
    {
        const PixelArea area(PixelPoint(static_cast<int16_t>(Whole(-30, 700)), static_cast<int16_t>(Whole(-30, 440))),
                             static_cast<uint16_t>(m_width), static_cast<uint16_t>(m_height));
        std::vector<PixelArea> earlier;
        for (int i = Whole(0, 4); i != 0; --i)
        {
            const int left = area.GetLeft() + Whole(-20, m_width + 5);
            const int top = area.GetTop() + Whole(-5, m_height + 5);
            earlier.push_back(PixelArea(PixelPoint(static_cast<int16_t>(left), static_cast<int16_t>(top)),
                                        static_cast<uint16_t>(Whole(1, m_width + 20)),
                                        static_cast<uint16_t>(Whole(1, Whole(0, 1) == 0 ? 2 : m_height + 10))));
        }
        const int crowdedRow = area.GetTop() + Whole(0, m_height - 1);
        const bool crowded = Whole(0, 3) == 0;

        std::vector<Run> records[2];
        std::vector<std::vector<uint32_t>> marks[2];
        // Both passes start from an empty record: whatever was drawn before is sent first.
        PanelBench::WaitForFlush();
        for (int pass = 0; pass < 2; ++pass)
        {
            const int stride = m_width * 3;
            std::vector<unsigned char> bytes(static_cast<size_t>(stride) * m_height);
            PImpl::RenderingBuffer buffer(bytes.data(), m_width, m_height, stride);
            PImpl::ForegroundPixelFormat format(buffer);
            PImpl::ForegroundRenderer renderer(format);
            renderer.clip_box(m_clip.x1, m_clip.y1, m_clip.x2, m_clip.y2);

            LCD& lcd = LCD::GetInstance();
            lcd.DisableFlush(true);
            Driver::LCD& driver = Driver::LCD::GetInstance();
            for (const PixelArea& changed : earlier)
            {
                driver.RegisterChange(changed);
            }
            // Single columns three apart use up the row's slots.
            for (int i = 0; crowded && i < 2 * PImpl::RowOfChanges::slotCount; i += 2)
            {
                driver.RegisterRowChange(static_cast<int16_t>(area.GetLeft() + 3 * i - 20),
                                         static_cast<int16_t>(crowdedRow), 1);
            }
            PImpl::Rasterizer rasterizer;
            AddPolygon(rasterizer);
            if (pass == 0)
            {
                agg::scanline_u8 unused;
                PImpl::SolidBrush(m_color).Render(area, rasterizer, unused, renderer);
            }
            else
            {
                agg::scanline_p8 scanline;
                PImpl::Sweep(area, rasterizer, scanline, renderer, [](const agg::scanline_p8&) {});
            }
            records[pass] = RecordedRuns();
            const PImpl::Changes& changes = driver.GetChanges();
            records[pass].push_back(Run{changes.firstRow, changes.lastRow, 0});
            const PImpl::InkMap& ink = format.GetInk();
            for (int y = 0; y < m_height; ++y)
            {
                marks[pass].emplace_back(ink.GetRow(static_cast<unsigned>(y)),
                                         ink.GetRow(static_cast<unsigned>(y)) + ink.GetWordsPerRow());
            }
            lcd.EnableFlush(true);
            PanelBench::WaitForFlush();
        }
        return records[0] == records[1] && marks[0] == marks[1];
    }

private:
    typedef std::array<int, 3> Run; // x, y, length on the panel

    static std::vector<Run> RecordedRuns()
    {
        std::vector<Run> runs;
        const PImpl::Changes& changes = Driver::LCD::GetInstance().GetChanges();
        for (int row = changes.firstRow; changes.HasChanges() && row <= changes.lastRow; ++row)
        {
            for (const PImpl::Span& span : changes.rows[row].spans)
            {
                if (span.length == 0)
                {
                    break;
                }
                runs.push_back(Run{span.start, row, span.length});
            }
        }
        return runs;
    }

    int Whole(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    uint8_t RandomAlpha()
    {
        const int kind = Whole(0, 3);
        return static_cast<uint8_t>(kind == 0 ? 0 : kind == 1 ? Whole(1, 254) : 255);
    }

    // Mostly whole and half pixels, else any fraction.
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

    void AddPolygon(PImpl::Rasterizer& rasterizer) const
    {
        rasterizer.filling_rule(m_evenOdd ? agg::fill_even_odd : agg::fill_non_zero);
        if (m_gamma != 0.0)
        {
            rasterizer.gamma(agg::gamma_power(m_gamma));
        }
        rasterizer.move_to_d(m_polygon[0].x, m_polygon[0].y);
        for (size_t i = 1; i < m_polygon.size(); ++i)
        {
            rasterizer.line_to_d(m_polygon[i].x, m_polygon[i].y);
        }
        rasterizer.close_polygon();
        if (!m_second.empty())
        {
            rasterizer.move_to_d(m_second[0].x, m_second[0].y);
            for (size_t i = 1; i < m_second.size(); ++i)
            {
                rasterizer.line_to_d(m_second[i].x, m_second[i].y);
            }
            rasterizer.close_polygon();
        }
    }

    std::mt19937& m_random;
    int m_width;
    int m_height;
    Color m_color;
    agg::rect_i m_clip;
    bool m_evenOdd;
    double m_gamma;
    std::vector<Point> m_polygon;
    std::vector<Point> m_second;
};

} // namespace

TEST(SolidBrushTest, RegistersOnALayerWhatTheSweepOfItsOutlineRegisters)
{
    PanelBench::StartDisplay();
    std::mt19937 random(33);
    for (int i = 0; i < 400; ++i)
    {
        RandomCase test(random);
        ASSERT_TRUE(test.RegistersAsSweep()) << "case " << i;
    }
}

TEST(SolidBrushTest, RegistersAndMarksWhatTheSweepOfItsOutlineDoesOverEarlierChanges)
{
    PanelBench::StartDisplay();
    std::mt19937 random(34);
    for (int i = 0; i < 600; ++i)
    {
        RandomCase test(random);
        ASSERT_TRUE(test.RegistersAndMarksAsSweepOverEarlierChanges()) << "case " << i;
    }
}

TEST(SolidBrushTest, PaintsAndRegistersAsAggsPipelineThroughAGammaCurve)
{
    PanelBench::StartDisplay();
    std::mt19937 random(35);
    for (int i = 0; i < 1500; ++i)
    {
        RandomCase test(random, true);
        ASSERT_EQ((test.CountDifferences<PImpl::blender_argb8565, PImpl::ForegroundRenderer>()), 0) << "case " << i;
        ASSERT_TRUE(test.RegistersAndMarksAsSweepOverEarlierChanges()) << "case " << i;
    }
}

TEST(SolidBrushTest, PaintsEveryPixelAsAggsSolidPipelineOnTheBackground)
{
    std::mt19937 random(31);
    for (int i = 0; i < 3000; ++i)
    {
        RandomCase test(random);
        ASSERT_EQ((test.CountDifferences<agg::blender_rgb565, PImpl::BackgroundRenderer>()), 0) << "case " << i;
    }
}

TEST(SolidBrushTest, PaintsEveryPixelAsAggsSolidPipelineOnALayer)
{
    std::mt19937 random(32);
    for (int i = 0; i < 6000; ++i)
    {
        RandomCase test(random);
        ASSERT_EQ((test.CountDifferences<PImpl::blender_argb8565, PImpl::ForegroundRenderer>()), 0) << "case " << i;
    }
}
