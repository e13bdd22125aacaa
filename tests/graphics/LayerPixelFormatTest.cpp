#include "graphics/PImpl/LayerPixelFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace
{

// Paints the same runs through our pixel format and AGG's own into two copies of one buffer,
// whose rows start at every (pixel-aligned) offset from a word boundary, and compares every byte, the
// bytes around the runs included.
template <typename Fast, typename Blender> void ExpectRunsLikeAgg()
{
    typedef agg::pixfmt_alpha_blend_rgb_packed<Blender, PImpl::RenderingBuffer> Reference;
    constexpr int width = 41;
    constexpr int height = 2;
    constexpr int pixelSize = sizeof(typename Fast::pixel_type);
    constexpr int stride = width * pixelSize;
    const agg::rgba8 colours[] = {agg::rgba8(0x12, 0x34, 0x56, 255), agg::rgba8(248, 252, 248, 255),
                                  agg::rgba8(200, 100, 50, 128), agg::rgba8(10, 20, 30, 0)};
    const agg::int8u covers[] = {255, 254, 128, 1};

    alignas(4) unsigned char fastBytes[stride * height + 8];
    alignas(4) unsigned char referenceBytes[stride * height + 8];
    for (int offset = 0; offset < 4; offset += alignof(typename Fast::pixel_type))
    {
        for (int x = 0; x < 8; ++x)
        {
            for (int len = 1; x + len <= width; ++len)
            {
                for (const agg::rgba8& colour : colours)
                {
                    for (agg::int8u cover : covers)
                    {
                        for (unsigned i = 0; i < sizeof fastBytes; ++i)
                        {
                            fastBytes[i] = referenceBytes[i] = static_cast<unsigned char>(i * 37 + 11);
                        }
                        PImpl::RenderingBuffer fastBuffer(fastBytes + offset, width, height, stride);
                        PImpl::RenderingBuffer referenceBuffer(referenceBytes + offset, width, height, stride);
                        Fast fast(fastBuffer);
                        Reference reference(referenceBuffer);
                        fast.blend_hline(x, 1, static_cast<unsigned>(len), colour, cover);
                        reference.blend_hline(x, 1, static_cast<unsigned>(len), colour, cover);
                        if (cover == 255)
                        {
                            fast.copy_hline(x, 0, static_cast<unsigned>(len), colour);
                            reference.copy_hline(x, 0, static_cast<unsigned>(len), colour);
                        }
                        ASSERT_EQ(std::memcmp(fastBytes, referenceBytes, sizeof fastBytes), 0)
                            << "offset " << offset << " x " << x << " len " << len << " alpha " << unsigned(colour.a)
                            << " cover " << unsigned(cover);
                    }
                }
            }
        }
    }
}

} // namespace

TEST(LayerPixelFormatTest, RunsOfTheBackgroundFormatEqualAggsPixelByPixelOnes)
{
    ExpectRunsLikeAgg<PImpl::BackgroundPixelFormat, agg::blender_rgb565>();
}

TEST(LayerPixelFormatTest, RunsOfTheLayerFormatEqualAggsPixelByPixelOnes)
{
    ExpectRunsLikeAgg<PImpl::ForegroundPixelFormat, PImpl::blender_argb8565>();
}

namespace
{

// A vertical line blended at column x changes exactly the pixels of that column that blend_pixel
// changes, and nothing in column 0 (where AGG's own packed format puts it).
template <typename Format> void ExpectVerticalLineInItsColumn()
{
    constexpr int width = 9;
    constexpr int height = 5;
    constexpr int stride = width * static_cast<int>(sizeof(typename Format::pixel_type));
    unsigned char lineBytes[stride * height];
    unsigned char pixelBytes[stride * height];
    for (int i = 0; i < stride * height; ++i)
        lineBytes[i] = pixelBytes[i] = static_cast<unsigned char>(i * 53 + 7);
    PImpl::RenderingBuffer lineBuffer(lineBytes, width, height, stride);
    PImpl::RenderingBuffer pixelBuffer(pixelBytes, width, height, stride);
    Format line(lineBuffer);
    Format pixels(pixelBuffer);
    for (const agg::rgba8& colour : {agg::rgba8(200, 100, 50, 128), agg::rgba8(200, 100, 50, 255)})
    {
        for (agg::int8u cover : {agg::int8u(255), agg::int8u(90)})
        {
            line.blend_vline(6, 1, 3, colour, cover);
            for (int y = 1; y < 4; ++y)
                pixels.blend_pixel(6, y, colour, cover);
            ASSERT_EQ(std::memcmp(lineBytes, pixelBytes, sizeof lineBytes), 0)
                << "alpha " << int(colour.a) << ", cover " << int(cover);
        }
    }
}

} // namespace

TEST(LayerPixelFormatTest, AVerticalBlendStaysInItsColumn)
{
    ExpectVerticalLineInItsColumn<PImpl::BackgroundPixelFormat>();
    ExpectVerticalLineInItsColumn<PImpl::ForegroundPixelFormat>();
}

// A run of layer pixels filled from any byte offset to a word boundary, short or long, holds the
// pixel in every one of its pixels and leaves the bytes on both sides alone: the words stored at
// the ends overlap the aligned ones and must neither miss nor overrun a byte.
TEST(LayerPixelFormatTest, FilledLayerRunsHoldThePixelAndStayInTheirBytes)
{
    constexpr unsigned maxLength = 200;
    constexpr unsigned guard = 8;
    const Velmora::Color colours[] = {Velmora::Color(0x12, 0x34, 0x56, 0x78), Velmora::Color(255, 255, 255, 255),
                                      Velmora::Color(0, 0, 0, 0), Velmora::Color(8, 252, 0, 1)};
    alignas(4) unsigned char bytes[guard + 3 + 3 * maxLength + guard];
    alignas(4) unsigned char expected[sizeof bytes];
    for (const Velmora::Color& colour : colours)
    {
        const PImpl::PixelPattern pattern(colour);
        unsigned char pixel[3];
        std::memcpy(pixel, &colour, sizeof pixel);
        for (unsigned offset = 0; offset < 4; ++offset)
        {
            for (unsigned len = 0; len <= maxLength; ++len)
            {
                for (unsigned i = 0; i < sizeof bytes; ++i)
                    bytes[i] = expected[i] = static_cast<unsigned char>(i * 29 + 5);
                unsigned char* const run = bytes + guard + offset;
                for (unsigned i = 0; i < 3 * len; ++i)
                    expected[guard + offset + i] = pixel[i % 3];
                pattern.Fill(reinterpret_cast<Velmora::Color*>(run), len);
                ASSERT_EQ(std::memcmp(bytes, expected, sizeof bytes), 0)
                    << "offset " << offset << " len " << len << " alpha " << unsigned(colour.alpha);
                for (unsigned i = 0; i < sizeof bytes; ++i)
                    bytes[i] = static_cast<unsigned char>(i * 29 + 5);
                PImpl::FillPixels(reinterpret_cast<Velmora::Color*>(run), len, colour);
                ASSERT_EQ(std::memcmp(bytes, expected, sizeof bytes), 0)
                    << "FillPixels, offset " << offset << " len " << len;
            }
        }
    }
}
