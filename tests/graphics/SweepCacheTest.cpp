// A fill served from the sweep cache paints every pixel and registers every run as sweeping the
// outline afresh does, and the cache serves a sweep only for the very outline it was made from.

#include "graphics/PImpl/SweepCache.h"

#include "graphics/DefaultFont.h"
#include "graphics/LCD.h"
#include "graphics/PImpl/Graphics.h"
#include "graphics/PImpl/SolidBrush.h"
#include "graphics/VelmoraExtensions.h"

#include "tests/graphics/PanelBench.h"

#include <agg_conv_curve.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <vector>

using namespace PImpl;
using Velmora::Color;
using Velmora::PixelArea;
using Velmora::PixelPoint;
using Velmora::Point;

namespace
{

typedef std::array<int, 3> Run; // x, y, length on the panel

// What a drawing call leaves: the layer's bytes and the runs it registered.
struct Result
{
    std::vector<unsigned char> bytes;
    std::vector<Run> runs;

    bool operator==(const Result& other) const { return bytes == other.bytes && runs == other.runs; }
};

std::vector<Run> RegisteredRuns()
{
    std::vector<Run> runs;
    const Changes& changes = Driver::LCD::GetInstance().GetChanges();
    for (int row = changes.firstRow; changes.HasChanges() && row <= changes.lastRow; ++row)
    {
        for (const Span& span : changes.rows[row].spans)
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

// Starts every drawing from the same layer contents and an empty change record, runs draw, and
// returns what it left.
template <typename Draw> Result Drawn(ForegroundGraphics& layer, const std::vector<unsigned char>& start, Draw draw)
{
    Velmora::LCD& lcd = Velmora::LCD::GetInstance();
    lcd.EnableFlush(true);
    PanelBench::WaitForFlush();
    lcd.DisableFlush(true);
    std::memcpy(static_cast<void*>(layer.GetBuffer()), start.data(), start.size());
    draw();
    Result result;
    result.bytes.assign(reinterpret_cast<const unsigned char*>(layer.GetBuffer()),
                        reinterpret_cast<const unsigned char*>(layer.GetBuffer()) + start.size());
    result.runs = RegisteredRuns();
    return result;
}

// The fill swept afresh, past the cache.
Result Afresh(ForegroundGraphics& layer, const std::vector<unsigned char>& start, const Path& path, const Color& color)
{
    return Drawn(layer, start, [&] {
        Rasterizer rasterizer;
        PathWalker walker = path.Walk();
        agg::conv_curve<PathWalker> curve(walker);
        rasterizer.add_path(curve);
        SolidBrush brush(color);
        brush.Render(layer.GetArea(), rasterizer, layer.GetScanline(), layer.GetRenderer());
    });
}

Result Filled(ForegroundGraphics& layer, const std::vector<unsigned char>& start, const Path& path, const Color& color)
{
    return Drawn(layer, start, [&] {
        SolidBrush brush(color);
        layer.FillPath(path, brush);
    });
}

bool Kept(const Path& path)
{
    SweepCache::Replay replay;
    return SweepCache::GetInstance().Find(path, replay);
}

class RandomOutline
{
public:
    explicit RandomOutline(std::mt19937& random) : m_random(random) {}

    // Text at a random size and place, partly off the layer at times, or random polygons and
    // curves with several contours, crossing themselves.
    Path Make()
    {
        if (Whole(0, 2) == 0)
        {
            static const char* const texts[] = {"10", "08", "35", "fy", "x", "Wg"};
            return Path::Text(Point(Real(-30, 100), Real(0, 90)), Velmora::DefaultFont::GetInstance(),
                              Velmora::ToUTF32(texts[Whole(0, 5)]), Real(4, 90), 0.0f);
        }
        Path path;
        for (int contour = Whole(1, 3); contour > 0; --contour)
        {
            path.MoveTo(Place());
            for (int corner = Whole(2, 8); corner > 0; --corner)
            {
                if (Whole(0, 1) == 0)
                    path.LineTo(Place());
                else
                    path.CurveTo(Place(), Place());
            }
            if (Whole(0, 3) != 0)
                path.Close();
        }
        return path;
    }

    Color MakeColor()
    {
        const int kind = Whole(0, 3);
        return Color(static_cast<uint8_t>(Whole(0, 255)), static_cast<uint8_t>(Whole(0, 255)),
                     static_cast<uint8_t>(Whole(0, 255)),
                     static_cast<uint8_t>(kind == 0 ? Whole(0, 254) : 255));
    }

    std::vector<unsigned char> Contents(size_t bytes)
    {
        // Mostly transparent pixels, the usual place of text, some with colour left in them.
        std::vector<unsigned char> contents(bytes);
        for (size_t i = 0; i < bytes; ++i)
        {
            contents[i] = static_cast<unsigned char>(i % 3 == 0 && Whole(0, 3) != 0 ? 0 : m_random());
        }
        return contents;
    }

private:
    int Whole(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    float Real(float low, float high) { return std::uniform_real_distribution<float>(low, high)(m_random); }
    Point Place() { return Point(Real(-20, 140), Real(-10, 70)); }

    std::mt19937& m_random;
};

} // namespace

TEST(SweepCacheTest, AKeptSweepPaintsAndRegistersAsSweepingAfresh)
{
    PanelBench::StartDisplay();
    ForegroundGraphics layer(PixelArea(PixelPoint(300, 200), 120, 60), 0);
    const size_t bytes = layer.GetByteCount();
    std::mt19937 random(71);
    RandomOutline outlines(random);
    int kept = 0;
    for (int i = 0; i < 200; ++i)
    {
        const Path path = outlines.Make();
        const Color color = outlines.MakeColor();
        const std::vector<unsigned char> start = outlines.Contents(bytes);
        const Result afresh = Afresh(layer, start, path, color);
        // The first fill keeps the sweep as it paints, the second paints the kept one; a third
        // in another colour over other contents paints it again.
        ASSERT_EQ(Filled(layer, start, path, color), afresh) << "case " << i;
        if (Kept(path))
        {
            ++kept;
            ASSERT_EQ(Filled(layer, start, path, color), afresh) << "case " << i;
            const Color other = outlines.MakeColor();
            const std::vector<unsigned char> otherStart = outlines.Contents(bytes);
            ASSERT_EQ(Filled(layer, otherStart, path, other), Afresh(layer, otherStart, path, other))
                << "case " << i;
        }
    }
    EXPECT_GT(kept, 160);
    Velmora::LCD::GetInstance().EnableFlush(true);
    PanelBench::WaitForFlush();
}

TEST(SweepCacheTest, ServesASweepOnlyForTheVeryOutline)
{
    PanelBench::StartDisplay();
    ForegroundGraphics layer(PixelArea(PixelPoint(0, 0), 40, 40), 0);
    SolidBrush brush(Color(255, 255, 255, 255));
    Path path;
    path.MoveTo(Point(1.0f, 1.0f));
    path.LineTo(Point(30.0f, 2.5f));
    path.CurveTo(Point(20.0f, 20.0f), Point(3.0f, 30.0f));
    path.Close();
    layer.FillPath(path, brush);
    ASSERT_TRUE(Kept(path));

    Path moved = path;
    moved.Translate(1e-5f, 0.0f);
    EXPECT_FALSE(Kept(moved));
    Path longer = path;
    longer.LineTo(Point(2.0f, 2.0f));
    EXPECT_FALSE(Kept(longer));
    Path open;
    open.MoveTo(Point(1.0f, 1.0f));
    open.LineTo(Point(30.0f, 2.5f));
    open.CurveTo(Point(20.0f, 20.0f), Point(3.0f, 30.0f));
    EXPECT_FALSE(Kept(open));
    Path negativeZero;
    negativeZero.MoveTo(Point(-0.0f, 0.0f));
    negativeZero.LineTo(Point(10.0f, 10.0f));
    negativeZero.LineTo(Point(0.0f, 10.0f));
    layer.FillPath(negativeZero, brush);
    Path positiveZero;
    positiveZero.MoveTo(Point(0.0f, 0.0f));
    positiveZero.LineTo(Point(10.0f, 10.0f));
    positiveZero.LineTo(Point(0.0f, 10.0f));
    EXPECT_TRUE(Kept(negativeZero));
    EXPECT_FALSE(Kept(positiveZero));

    // The least recently used sweep gives way: path was found last of the first two.
    ASSERT_TRUE(Kept(path));
    for (unsigned i = 0; i + 1 < SweepCache::entryCount; ++i)
    {
        Path other = path;
        other.Translate(static_cast<float>(i + 1), 0.0f);
        layer.FillPath(other, brush);
    }
    EXPECT_TRUE(Kept(path));
    EXPECT_FALSE(Kept(negativeZero));
}

TEST(SweepCacheTest, AnOutlineTooLargeToKeepIsPaintedAfreshAndNotKept)
{
    PanelBench::StartDisplay();
    ForegroundGraphics layer(PixelArea(PixelPoint(0, 0), 700, 400), 0);
    const std::vector<unsigned char> start(layer.GetByteCount(), 0);
    const Color white(255, 255, 255, 255);

    // Too many vertices for the key.
    Path manyVertices;
    manyVertices.MoveTo(Point(0.0f, 0.0f));
    for (int i = 1; i < 200; ++i)
        manyVertices.LineTo(Point(static_cast<float>(i * 3), static_cast<float>(i % 2 * 50 + 10)));
    // Few vertices, but too many cells for a record: a saw of long slanted edges.
    Path manyCells;
    manyCells.MoveTo(Point(0.0f, 399.0f));
    for (int i = 0; i < 30; ++i)
    {
        manyCells.LineTo(Point(static_cast<float>(i * 23 + 11), 0.5f));
        manyCells.LineTo(Point(static_cast<float>(i * 23 + 22), 399.0f));
    }
    manyCells.Close();

    for (const Path* path : {&manyVertices, &manyCells})
    {
        EXPECT_EQ(Filled(layer, start, *path, white), Afresh(layer, start, *path, white));
        EXPECT_FALSE(Kept(*path));
    }
    Velmora::LCD::GetInstance().EnableFlush(true);
    PanelBench::WaitForFlush();
}
