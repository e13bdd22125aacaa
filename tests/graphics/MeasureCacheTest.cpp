// The measure cache serves a measure only for the very outline and stroke it was worked out for,
// and keeps no more than its entries hold.

#include "graphics/PImpl/MeasureCache.h"

#include "graphics/DefaultFont.h"
#include "graphics/PImpl/Graphics.h"
#include "graphics/VelmoraExtensions.h"

#include <gtest/gtest.h>

#include <limits>

using namespace PImpl;
using Velmora::Area;
using Velmora::LineCap;
using Velmora::LineJoin;
using Velmora::Point;
using Velmora::Stroke;

namespace
{

// A zig-zag of count vertices starting at (x, 0).
Path Zigzag(unsigned count, float x)
{
    Path path;
    path.MoveTo(Point(x, 0.0f));
    for (unsigned i = 1; i < count; ++i)
        path.LineTo(Point(x + static_cast<float>(i), (i % 2) * 5.0f));
    return path;
}

Area Marked(float left)
{
    return Area(Point(left, 1.0f), 2.0f, 3.0f);
}

bool Finds(const Path& path, const Stroke* stroke, float left)
{
    Area area = Marked(-1.0f);
    return MeasureCache::GetInstance().Find(path, stroke, area) && area.GetLeft() == left;
}

} // namespace

TEST(MeasureCacheTest, KeepsAMeasureForTheSameOutlineAndStrokeOnly)
{
    MeasureCache& cache = MeasureCache::GetInstance();
    Path path = Zigzag(10, 0.0f);
    const Stroke hairline(0.001f, LineCap::Butt, LineJoin::Miter);
    const Stroke wider(0.0010001f, LineCap::Butt, LineJoin::Miter);
    const Stroke round(0.001f, LineCap::Round, LineJoin::Miter);
    const Stroke bevel(0.001f, LineCap::Butt, LineJoin::Bevel);

    Area area = Marked(0.0f);
    ASSERT_FALSE(cache.Find(path, &hairline, area));
    cache.Add(Marked(7.0f));
    EXPECT_TRUE(Finds(path, &hairline, 7.0f));
    EXPECT_FALSE(Finds(path, &wider, 7.0f));
    EXPECT_FALSE(Finds(path, &round, 7.0f));
    EXPECT_FALSE(Finds(path, &bevel, 7.0f));
    EXPECT_FALSE(Finds(path, nullptr, 7.0f));

    // The same object changed in place, by one vertex or by a sign of zero.
    Path moved = path;
    moved.Translate(0.0f, 1e-6f);
    EXPECT_FALSE(Finds(moved, &hairline, 7.0f));
    Path longer = path;
    longer.LineTo(Point(10.0f, 0.0f));
    EXPECT_FALSE(Finds(longer, &hairline, 7.0f));
    Path closed = path;
    closed.Close();
    EXPECT_FALSE(Finds(closed, &hairline, 7.0f));
    Path negativeZero;
    negativeZero.MoveTo(Point(-0.0f, 0.0f));
    negativeZero.LineTo(Point(1.0f, 0.0f));
    Path positiveZero;
    positiveZero.MoveTo(Point(0.0f, 0.0f));
    positiveZero.LineTo(Point(1.0f, 0.0f));
    ASSERT_FALSE(cache.Find(positiveZero, &hairline, area));
    cache.Add(Marked(3.0f));
    EXPECT_FALSE(Finds(negativeZero, &hairline, 3.0f));
    EXPECT_TRUE(Finds(positiveZero, &hairline, 3.0f));

    // A coordinate that is not a number is never kept.
    Path notANumber;
    notANumber.MoveTo(Point(0.0f, std::numeric_limits<float>::quiet_NaN()));
    ASSERT_FALSE(cache.Find(notANumber, &hairline, area));
    cache.Add(Marked(5.0f));
    EXPECT_FALSE(Finds(notANumber, &hairline, 5.0f));
}

TEST(MeasureCacheTest, GivesWayToTheMostRecentWithinItsEntries)
{
    MeasureCache& cache = MeasureCache::GetInstance();
    Area area = Marked(0.0f);
    // More outlines than entries: the least recently used go, the others stay.
    const unsigned count = MeasureCache::entryCount + 3;
    for (unsigned i = 0; i < count; ++i)
    {
        ASSERT_FALSE(cache.Find(Zigzag(4, static_cast<float>(i)), nullptr, area));
        cache.Add(Marked(static_cast<float>(i)));
        // The first one stays in use throughout.
        ASSERT_TRUE(Finds(Zigzag(4, 0.0f), nullptr, 0.0f)) << i;
    }
    EXPECT_FALSE(Finds(Zigzag(4, 1.0f), nullptr, 1.0f));
    EXPECT_FALSE(Finds(Zigzag(4, 3.0f), nullptr, 3.0f));
    EXPECT_TRUE(Finds(Zigzag(4, static_cast<float>(count - 1)), nullptr, static_cast<float>(count - 1)));

    // An outline as large as an entry holds is kept; a larger one is not.
    const unsigned largest = (MeasureCache::entryWords - 4) / 3;
    ASSERT_FALSE(cache.Find(Zigzag(largest, 0.5f), nullptr, area));
    cache.Add(Marked(0.5f));
    EXPECT_TRUE(Finds(Zigzag(largest, 0.5f), nullptr, 0.5f));
    ASSERT_FALSE(cache.Find(Zigzag(largest + 1, 0.5f), nullptr, area));
    cache.Add(Marked(9.0f));
    EXPECT_FALSE(Finds(Zigzag(largest + 1, 0.5f), nullptr, 9.0f));
    EXPECT_TRUE(Finds(Zigzag(largest, 0.5f), nullptr, 0.5f));
}

TEST(MeasureCacheTest, MeasuresAgainFollowTheOutline)
{
    // Measured twice, moved, and measured again: each measure is the one for the outline as it
    // is, stroked or filled.
    ForegroundGraphics layer(Velmora::PixelArea(Velmora::PixelPoint(0, 0), 4, 4), 0x00);
    const Stroke hairline(0.001f, LineCap::Butt, LineJoin::Miter);
    Path path = Path::Text(Point(0.0f, 0.0f), Velmora::DefaultFont::GetInstance(), Velmora::ToUTF32("10"), 240.0f, 0.0f);
    const Area stroked = layer.MeasurePath(path, hairline);
    const Area filled = layer.MeasureFill(path);
    EXPECT_EQ(stroked.GetLeft(), layer.MeasurePath(path, hairline).GetLeft());
    EXPECT_EQ(filled.GetWidth(), layer.MeasureFill(path).GetWidth());
    path.Translate(3.0f, 2.0f);
    const Area movedStroke = layer.MeasurePath(path, hairline);
    const Area movedFill = layer.MeasureFill(path);
    EXPECT_EQ(stroked.GetLeft() + 3.0f, movedStroke.GetLeft());
    EXPECT_EQ(stroked.GetTop() + 2.0f, movedStroke.GetTop());
    EXPECT_EQ(stroked.GetWidth(), movedStroke.GetWidth());
    EXPECT_EQ(filled.GetLeft() + 3.0f, movedFill.GetLeft());
    EXPECT_EQ(filled.GetHeight(), movedFill.GetHeight());
    path.Translate(-3.0f, -2.0f);
    EXPECT_EQ(stroked.GetLeft(), layer.MeasurePath(path, hairline).GetLeft());
    EXPECT_EQ(stroked.GetTop(), layer.MeasurePath(path, hairline).GetTop());
}
