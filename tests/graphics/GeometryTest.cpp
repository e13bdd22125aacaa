#include "graphics/Area.h"
#include "graphics/PixelArea.h"
#include "graphics/Point.h"
#include "graphics/VelmoraExtensions.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Velmora;

namespace
{

void ExpectArea(const PixelArea& area, int left, int top, int width, int height)
{
    EXPECT_EQ(area.GetLeft(), left);
    EXPECT_EQ(area.GetTop(), top);
    EXPECT_EQ(area.GetWidth(), width);
    EXPECT_EQ(area.GetHeight(), height);
}

} // namespace

TEST(PixelAreaTest, IntersectionClipsToThePanel)
{
    const PixelArea panel(PixelPoint(0, 0), 800, 480);
    ExpectArea(panel.GetIntersection(PixelArea(PixelPoint(790, -5), 20, 20)), 790, 0, 10, 15);
    ExpectArea(PixelArea(PixelPoint(-10, -10), 20, 20).GetIntersection(panel), 0, 0, 10, 10);
    ExpectArea(panel.GetIntersection(panel), 0, 0, 800, 480);
}

TEST(PixelAreaTest, NoOverlapGivesExactlyTheEmptyArea)
{
    // Touching areas: one ends in column 9, the other starts in column 10.
    ExpectArea(PixelArea(PixelPoint(0, 50), 10, 5).GetIntersection(PixelArea(PixelPoint(10, 50), 10, 5)), 0, 0, 0, 0);
    // Overlapping columns but disjoint rows.
    ExpectArea(PixelArea(PixelPoint(100, 100), 10, 5).GetIntersection(PixelArea(PixelPoint(100, 105), 10, 5)), 0, 0,
               0, 0);
    // An area of width 0 never intersects anything, not even an area around it.
    ExpectArea(PixelArea(PixelPoint(5, 5), 0, 10).GetIntersection(PixelArea(PixelPoint(0, 0), 20, 20)), 0, 0, 0, 0);
    ExpectArea(PixelArea(PixelPoint(0, 0), 20, 20).GetIntersection(PixelArea(PixelPoint(5, 5), 10, 0)), 0, 0, 0, 0);
}

TEST(PixelAreaTest, BottomIsTheLastRow)
{
    EXPECT_EQ(PixelArea(PixelPoint(0, 0), 5, 0).GetBottom(), -1);
    EXPECT_EQ(PixelArea(PixelPoint(3, 470), 5, 10).GetBottom(), 479);
    EXPECT_EQ(PixelArea(PixelPoint(0, -4), 5, 2).GetBottom(), -3);
}

TEST(AreaTest, EdgesAreInside)
{
    const Area area(Point(10, 20), 30, 40);
    EXPECT_FLOAT_EQ(area.GetRight(), 40);
    EXPECT_FLOAT_EQ(area.GetBottom(), 60);
    EXPECT_TRUE(area.Intersects(Point(10, 20)));
    EXPECT_TRUE(area.Intersects(Point(40, 60)));
    EXPECT_TRUE(area.Intersects(Point(40, 20)));
    EXPECT_FALSE(area.Intersects(Point(40.01f, 30)));
    EXPECT_FALSE(area.Intersects(Point(9.99f, 30)));
    EXPECT_FALSE(area.Intersects(Point(20, 60.01f)));
    EXPECT_FALSE(area.Intersects(Point(20, 19.99f)));
}

TEST(AreaTest, CornersFollowSetters)
{
    Area area(Point(1, 2), 3, 4);
    area.SetTop(10);
    area.SetHeight(5);
    EXPECT_FLOAT_EQ(area.GetBottomRight().x, 4);
    EXPECT_FLOAT_EQ(area.GetBottomRight().y, 15);
    EXPECT_FLOAT_EQ(area.GetTopRight().y, 10);
    EXPECT_FLOAT_EQ(area.GetBottomLeft().x, 1);
}

TEST(PointTest, DisplacementIsWholePixelBased)
{
    EXPECT_FLOAT_EQ(Point::GetDisplacement(Point(0, 0), Point(2.9f, 0)), 2.0f);
    EXPECT_FLOAT_EQ(Point::GetDisplacement(Point(0, 0), Point(-3.7f, 4.2f)), 5.0f);
    EXPECT_FLOAT_EQ(Point::GetDisplacement(Point(0.5f, 0.5f), Point(0.9f, 0.9f)), 0.0f);
    EXPECT_FLOAT_EQ(Point::GetDisplacement(Point(10, 10), Point(7, 6)), 5.0f);
    // The difference is a float difference: 3.1f - 0.1f is exactly 3 there, just under it in
    // double, which would truncate a gradient one pixel short.
    EXPECT_FLOAT_EQ(Point::GetDisplacement(Point(0.1f, 0), Point(3.1f, 0)), 3.0f);
    EXPECT_FLOAT_EQ(Point::GetDisplacement(Point(0, 0.1f), Point(0, 3.1f)), 3.0f);
}

TEST(PointTest, AngleGrowsClockwiseOnScreen)
{
    EXPECT_FLOAT_EQ(Point::GetAngleRadians(Point(0, 0), Point(0, 10)), static_cast<float>(M_PI / 2));
    EXPECT_FLOAT_EQ(Point::GetAngleRadians(Point(0, 0), Point(-1, 0)), static_cast<float>(M_PI));
    EXPECT_FLOAT_EQ(Point::GetAngleRadians(Point(5, 5), Point(10, 5)), 0.0f);
    EXPECT_FLOAT_EQ(Point::GetAngleRadians(Point(0, 0), Point(0, -3)), static_cast<float>(-M_PI / 2));
}

TEST(ConversionTest, ToPixelAreaRoundsHalvesAwayFromZero)
{
    ExpectArea(ToPixelArea(Area(Point(10.5f, 20.4f), 99.5f, 30.49f)), 11, 20, 100, 30);
    ExpectArea(ToPixelArea(Area(Point(-0.5f, 0.5f), 1, 1)), -1, 1, 1, 1);
    ExpectArea(ToPixelArea(Area(Point(-2.4f, -2.6f), 0.4f, 0.5f)), -2, -3, 0, 1);
}

TEST(ConversionTest, ToAreaSpansTheSamePixels)
{
    const Area area = ToArea(PixelArea(PixelPoint(-3, 7), 10, 2));
    EXPECT_FLOAT_EQ(area.GetLeft(), -3);
    EXPECT_FLOAT_EQ(area.GetRight(), 7);
    EXPECT_FLOAT_EQ(area.GetBottom(), 9);
    ExpectArea(ToPixelArea(area), -3, 7, 10, 2);
}

TEST(ConversionTest, OutOfRangeValuesSaturate)
{
    ExpectArea(ToPixelArea(Area(Point(40000, -40000), -5, 70000)), 32767, -32768, 0, 65535);
}
