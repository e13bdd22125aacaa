#include "graphics/PImpl/Path.h"
#include "graphics/Path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

using namespace Velmora;

namespace
{

struct Vertex
{
    float x;
    float y;
    unsigned command;
};

std::vector<Vertex> Vertices(const PImpl::Path& path)
{
    std::vector<Vertex> result;
    for (unsigned i = 0; i < path.GetVertexCount(); ++i)
    {
        Vertex v{};
        v.command = path.GetVertex(i, v.x, v.y);
        result.push_back(v);
    }
    return result;
}

constexpr unsigned moveTo = 1;
constexpr unsigned lineTo = 2;
constexpr unsigned curve3 = 3;
constexpr unsigned curve4 = 4;
constexpr unsigned endClosed = 0x4F;
constexpr unsigned endClosedCcw = 0x5F;

} // namespace

TEST(PathTest, CloseAddsOneEndMarkerAtTheOrigin)
{
    PImpl::Path path;
    path.Close();
    EXPECT_EQ(path.GetVertexCount(), 0u);

    path.MoveTo(Point(1, 2));
    path.LineTo(Point(3, 4));
    path.CurveTo(Point(5, 6), Point(7, 8));
    path.Close();
    path.Close();
    const auto v = Vertices(path);
    ASSERT_EQ(v.size(), 5u);
    EXPECT_EQ(v[0].command, moveTo);
    EXPECT_EQ(v[1].command, lineTo);
    EXPECT_EQ(v[2].command, curve3);
    EXPECT_EQ(v[3].command, curve3);
    EXPECT_EQ(v[4].command, endClosed);

    path.Translate(10, 20);
    const auto moved = Vertices(path);
    EXPECT_FLOAT_EQ(moved[0].x, 11);
    EXPECT_FLOAT_EQ(moved[0].y, 22);
    EXPECT_FLOAT_EQ(moved[3].x, 17);
    EXPECT_FLOAT_EQ(moved[3].y, 28);
    EXPECT_EQ(moved[4].x, 0.0f);
    EXPECT_EQ(moved[4].y, 0.0f);

    path.Clear();
    EXPECT_EQ(path.GetVertexCount(), 0u);
    path.Translate(1, 1);
    EXPECT_EQ(path.GetVertexCount(), 0u);
}

TEST(PathTest, GrowsBeyondBlockAndPointerTableBoundaries)
{
    // 257 vertices need a second block; 65,537 need a 257th block and so a second pointer table.
    PImpl::Path path;
    for (unsigned i = 0; i < 65537; ++i)
    {
        path.LineTo(Point(static_cast<float>(i), static_cast<float>(i % 7)));
    }
    ASSERT_EQ(path.GetVertexCount(), 65537u);
    for (unsigned i : {0u, 255u, 256u, 65535u, 65536u})
    {
        float x = 0;
        float y = 0;
        EXPECT_EQ(path.GetVertex(i, x, y), lineTo);
        EXPECT_EQ(x, static_cast<float>(i));
        EXPECT_EQ(y, static_cast<float>(i % 7));
    }
}

TEST(PathTest, PlainRectangle)
{
    const auto v = Vertices(PImpl::Path::Rectangle(Area(Point(10, 20), 30, 40), 0.0f));
    ASSERT_EQ(v.size(), 5u);
    const float expected[4][2] = {{10, 20}, {40, 20}, {40, 60}, {10, 60}};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(v[i].command, i == 0 ? moveTo : lineTo);
        EXPECT_EQ(v[i].x, expected[i][0]);
        EXPECT_EQ(v[i].y, expected[i][1]);
    }
    EXPECT_EQ(v[4].command, endClosed);
}

TEST(PathTest, RoundedRectangleRoundsOnlyTheCornersAsked)
{
    const Area area(Point(0, 0), 100, 50);
    const auto hasVertexNear = [](const std::vector<Vertex>& v, float x, float y) {
        for (const auto& p : v)
        {
            if (p.command != endClosedCcw && std::abs(p.x - x) < 0.01f && std::abs(p.y - y) < 0.01f)
            {
                return true;
            }
        }
        return false;
    };

    const auto tiny = Vertices(PImpl::Path::Rectangle(area, 0, 0, 0, 0.001f));
    EXPECT_EQ(tiny.front().command, moveTo);
    EXPECT_EQ(tiny.back().command, endClosedCcw);

    // The closing vertex of a rounded rectangle is a marker at the origin, also after a move.
    PImpl::Path rounded = PImpl::Path::Rectangle(Area(Point(20, 30), 100, 50), 5, 6, 7, 8);
    rounded.Translate(3, 4);
    const auto moved = Vertices(rounded);
    EXPECT_EQ(moved.back().command, endClosedCcw);
    EXPECT_EQ(moved.back().x, 0.0f);
    EXPECT_EQ(moved.back().y, 0.0f);
    EXPECT_EQ(moved.front().command, moveTo);
    EXPECT_GE(moved.front().x, 23.0f);

    // Only the top-left is rounded: its sharp corner is gone, the other three are there.
    const auto topLeft = Vertices(PImpl::Path::Rectangle(area, 5, 0, 0, 0));
    EXPECT_FALSE(hasVertexNear(topLeft, 0, 0));
    EXPECT_TRUE(hasVertexNear(topLeft, 0, 5));
    EXPECT_TRUE(hasVertexNear(topLeft, 5, 0));
    EXPECT_TRUE(hasVertexNear(topLeft, 100, 0));
    EXPECT_TRUE(hasVertexNear(topLeft, 100, 50));
    EXPECT_TRUE(hasVertexNear(topLeft, 0, 50));

    // The third radius is the bottom-left one.
    const auto bottomLeft = Vertices(PImpl::Path::Rectangle(area, 0, 0, 7, 0));
    EXPECT_FALSE(hasVertexNear(bottomLeft, 0, 50));
    EXPECT_TRUE(hasVertexNear(bottomLeft, 0, 43));
    EXPECT_TRUE(hasVertexNear(bottomLeft, 7, 50));
    EXPECT_TRUE(hasVertexNear(bottomLeft, 0, 0));
    EXPECT_TRUE(hasVertexNear(bottomLeft, 100, 50));
    for (size_t i = 1; i + 1 < bottomLeft.size(); ++i)
    {
        EXPECT_EQ(bottomLeft[i].command, lineTo);
    }
}

TEST(PathTest, CircleIsFourCubicQuartersRunningClockwise)
{
    const auto v = Vertices(PImpl::Path::Circle(Point(50, 60), 10));
    ASSERT_EQ(v.size(), 13u);
    EXPECT_EQ(v[0].command, moveTo);
    EXPECT_FLOAT_EQ(v[0].x, 60);
    EXPECT_FLOAT_EQ(v[0].y, 60);
    for (size_t i = 1; i < v.size(); ++i)
    {
        EXPECT_EQ(v[i].command, curve4);
    }
    EXPECT_GT(v[1].y, v[0].y);
    EXPECT_NEAR(v[12].x, 60, 1e-4);
    EXPECT_NEAR(v[12].y, 60, 1e-4);

    const auto line = Vertices(PImpl::Path::Line(Point(1, 2), Point(3, 4)));
    ASSERT_EQ(line.size(), 2u);
    EXPECT_EQ(line[0].command, moveTo);
    EXPECT_EQ(line[1].command, lineTo);
}

TEST(PathTest, CopiesAreIndependent)
{
    Path a;
    a.MoveTo(Point(1, 1));
    a.LineTo(Point(2, 2));
    a = a;
    EXPECT_EQ(a.GetPImpl().GetVertexCount(), 2u);

    Path b;
    b = a;
    b.LineTo(Point(3, 3));
    a.Translate(Point(100, 0));
    EXPECT_EQ(a.GetPImpl().GetVertexCount(), 2u);
    EXPECT_EQ(b.GetPImpl().GetVertexCount(), 3u);
    float x = 0;
    float y = 0;
    b.GetPImpl().GetVertex(0, x, y);
    EXPECT_EQ(x, 1.0f);

    const Path c(b);
    b.Clear();
    EXPECT_EQ(c.GetPImpl().GetVertexCount(), 3u);
}

namespace
{

float FloatFromBits(uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof(f));
    return f;
}

// The same float, bit for bit (the sign of a zero too), or NaN on both sides.
bool SameFloat(float a, float b)
{
    if (std::isnan(a) || std::isnan(b))
    {
        return std::isnan(a) && std::isnan(b);
    }
    return std::memcmp(&a, &b, sizeof(a)) == 0;
}

} // namespace

TEST(PathTest, TranslateGivesAggsDoublePrecisionTranslation)
{
    // Floats of every exponent on both sides (subnormals, far-apart magnitudes whose sum is all
    // rounding, sums that overflow, infinities), signed zeros and NaN, against AGG's translation
    // of the same vertices.
    std::mt19937 random(1108);
    const auto anyFloat = [&] {
        switch (random() % 8)
        {
        case 0:
            return random() % 2 ? 0.0f : -0.0f;
        case 1:
            return FloatFromBits(random() & 0x807fffffu); // subnormal
        case 2:
            return FloatFromBits(random() | 0x7f000000u); // huge, infinite or NaN
        default:
            return FloatFromBits(random());
        }
    };
    for (int round = 0; round < 20000; ++round)
    {
        PImpl::Path path;
        PImpl::AggPath reference;
        for (int i = 0; i < 6; ++i)
        {
            const Point p(anyFloat(), anyFloat());
            if (i == 0)
            {
                path.MoveTo(p);
                reference.move_to(p.x, p.y);
            }
            else
            {
                path.LineTo(p);
                reference.line_to(p.x, p.y);
            }
        }
        path.Close();
        reference.close_polygon();
        const float dx = anyFloat();
        const float dy = round % 5 == 0 ? -dx : anyFloat();
        path.Translate(dx, dy);
        reference.translate_all_paths(dx, dy);
        ASSERT_EQ(path.GetVertexCount(), reference.total_vertices());
        for (unsigned i = 0; i < path.GetVertexCount(); ++i)
        {
            float x;
            float y;
            double refX;
            double refY;
            ASSERT_EQ(path.GetVertex(i, x, y), reference.vertex(i, &refX, &refY));
            ASSERT_TRUE(SameFloat(x, static_cast<float>(refX)) && SameFloat(y, static_cast<float>(refY)))
                << round << " " << i << ": " << x << " " << y << " against " << refX << " " << refY;
        }
    }
}
