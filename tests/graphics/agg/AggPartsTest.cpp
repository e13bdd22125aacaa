// Our AGG parts (built for the board, where no AGG library exists) against the system's AGG
// library: the same inputs must give bit-identical vertex streams, matrices and pixels.

#include "AggScenes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace AggScenes;

namespace
{
const char* const sourceNames[sourceCount] = {"curve3_inc", "curve3_div", "curve4_inc", "curve4_div",
                                              "arc",        "bezier_arc", "rounded_rect", "vcgen_stroke"};

// Bit for bit; any two NaNs count as the same (a NaN's sign and payload carry no meaning, and
// singular matrices make them).
bool Same(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

void ExpectSameVertices(Source source, unsigned cases)
{
    const char* name = sourceNames[static_cast<unsigned>(source)];
    for (unsigned c = 0; c < cases; ++c)
    {
        const std::vector<Vertex> expected = Reference::Vertices(source, c);
        const std::vector<Vertex> actual = Own::Vertices(source, c);
        ASSERT_EQ(expected.size(), actual.size()) << name << " case " << c;
        for (std::size_t i = 0; i < expected.size(); ++i)
        {
            ASSERT_EQ(expected[i].command, actual[i].command) << name << " case " << c << " vertex " << i;
            ASSERT_TRUE(Same(expected[i].x, actual[i].x) && Same(expected[i].y, actual[i].y))
                << name << " case " << c << " vertex " << i << ": (" << expected[i].x << ", " << expected[i].y
                << ") expected, (" << actual[i].x << ", " << actual[i].y << ") produced";
        }
    }
}
}

TEST(AggPartsTest, CurvesFlattenAlike)
{
    ExpectSameVertices(Source::Curve3Incremental, 500);
    ExpectSameVertices(Source::Curve3Subdivided, 20000);
    ExpectSameVertices(Source::Curve4Incremental, 500);
    ExpectSameVertices(Source::Curve4Subdivided, 1000);
}

TEST(AggPartsTest, ArcsAndRoundedRectanglesAlike)
{
    ExpectSameVertices(Source::Arc, 500);
    ExpectSameVertices(Source::BezierArc, 500);
    ExpectSameVertices(Source::RoundedRect, 500);
}

TEST(AggPartsTest, StrokeOutlinesAlike)
{
    ExpectSameVertices(Source::Stroke, 1500);
}

TEST(AggPartsTest, AffineTransformsAlike)
{
    for (unsigned c = 0; c < 1000; ++c)
    {
        const std::vector<double> expected = Reference::Affine(c);
        const std::vector<double> actual = Own::Affine(c);
        ASSERT_EQ(expected.size(), actual.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
        {
            ASSERT_TRUE(Same(expected[i], actual[i]))
                << "case " << c << " figure " << i << ": " << expected[i] << " expected, " << actual[i] << " produced";
        }
    }
}

TEST(AggPartsTest, RenderedPixelsAlike)
{
    const unsigned width = 240;
    const unsigned height = 160;
    for (unsigned c = 0; c < 60; ++c)
    {
        const std::vector<std::uint16_t> expected = Reference::Render(c, width, height);
        const std::vector<std::uint16_t> actual = Own::Render(c, width, height);
        ASSERT_EQ(expected.size(), actual.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
        {
            ASSERT_EQ(expected[i], actual[i]) << "scene " << c << " pixel (" << i % width << ", " << i / width << ")";
        }
    }
}
