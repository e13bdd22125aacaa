// A foreground layer's ink map: the bit arithmetic against a plain list of blocks, and, over
// random layers painted by every writer and cleared at random, the map's promise (an unmarked
// block is all zero bytes) and a framebuffer that the compositor builds exactly as the
// pixel-by-pixel definition does.
#include "graphics/PImpl/InkMap.h"
#include "graphics/DefaultFont.h"
#include "graphics/Driver/LCD.h"
#include "graphics/ForegroundLayer.h"
#include "graphics/GradientStop.h"
#include "graphics/PImpl/ForegroundLayer.h"
#include "graphics/PImpl/LCD.h"
#include "graphics/PImpl/LinearGradientBrush.h"
#include "graphics/PImpl/Path.h"
#include "graphics/PImpl/SolidBrush.h"
#include "graphics/SolidBrush.h"

#include "tests/graphics/PanelBench.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

using PImpl::ForegroundGraphics;
using PImpl::InkMap;
using Velmora::Color;
using Velmora::Color565;
using Velmora::PixelArea;
using Velmora::PixelPoint;
using Velmora::Point;

namespace
{

int Whole(std::mt19937& random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

// Whether every block the map leaves unmarked holds zero bytes only.
::testing::AssertionResult KeepsItsPromise(const ForegroundGraphics& surface)
{
    const InkMap& ink = surface.GetPixelFormat().GetInk();
    const unsigned width = surface.GetArea().GetWidth();
    for (unsigned y = 0; y < surface.GetArea().GetHeight(); ++y)
    {
        for (unsigned x = 0; x < width; ++x)
        {
            const uint8_t* bytes =
                reinterpret_cast<const uint8_t*>(surface.GetPixel(static_cast<int>(x), static_cast<int>(y)));
            if (!ink.IsMarked(x / InkMap::blockPixels, y) && (bytes[0] | bytes[1] | bytes[2]) != 0)
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") of an unmarked block is " << int(bytes[0]) << ", "
                       << int(bytes[1]) << ", " << int(bytes[2]);
        }
    }
    return ::testing::AssertionSuccess();
}

Color RandomColor(std::mt19937& random)
{
    // Opaque and fully transparent paint are the cases with short cuts; give them their share.
    const int alpha = Whole(random, 0, 3) == 0 ? 255 : Whole(random, 0, 3) == 0 ? 0 : Whole(random, 1, 254);
    return Color(static_cast<uint8_t>(Whole(random, 0, 255)), static_cast<uint8_t>(Whole(random, 0, 255)),
                 static_cast<uint8_t>(Whole(random, 0, 255)), static_cast<uint8_t>(alpha));
}

agg::rgba8 RandomAggColor(std::mt19937& random)
{
    return agg::rgba8(static_cast<agg::int8u>(Whole(random, 0, 255)),
                      static_cast<agg::int8u>(Whole(random, 0, 255)),
                      static_cast<agg::int8u>(Whole(random, 0, 255)),
                      static_cast<agg::int8u>(Whole(random, 0, 2) == 0 ? 255 : Whole(random, 0, 255)));
}

// A shape around and partly beyond a surface of width x height: a polygon that may cross itself,
// a circle, or an upright rectangle with fractional edges.
PImpl::Path RandomShape(std::mt19937& random, int width, int height)
{
    const auto x = [&] { return static_cast<float>(Whole(random, -400, 100 * width + 400)) / 100.0f; };
    const auto y = [&] { return static_cast<float>(Whole(random, -400, 100 * height + 400)) / 100.0f; };
    switch (Whole(random, 0, 2))
    {
    case 0:
    {
        PImpl::Path path;
        path.MoveTo(Point(x(), y()));
        for (int i = Whole(random, 2, 6); i != 0; --i)
            path.LineTo(Point(x(), y()));
        path.Close();
        return path;
    }
    case 1:
        return PImpl::Path::Circle(Point(x(), y()), static_cast<float>(Whole(random, 50, 3000)) / 100.0f);
    default:
    {
        const Point corner(x(), y());
        return PImpl::Path::Rectangle(
            Velmora::Area(corner, static_cast<float>(Whole(random, 0, 100 * width)) / 100.0f,
                          static_cast<float>(Whole(random, 0, 100 * height)) / 100.0f),
            0.0f);
    }
    }
}

// One of AGG's write entry points, through the layer's renderer (which clips) with random
// arguments; what the other writers of the firmware do not reach. Returns which one it took.
int PaintThroughRenderer(std::mt19937& random, ForegroundGraphics& surface)
{
    PImpl::ForegroundRenderer& renderer = surface.GetRenderer();
    const int width = surface.GetArea().GetWidth();
    const int height = surface.GetArea().GetHeight();
    const int x1 = Whole(random, -20, width + 20);
    const int x2 = Whole(random, -20, width + 20);
    const int y1 = Whole(random, -5, height + 5);
    const int y2 = Whole(random, -5, height + 5);
    const agg::rgba8 color = RandomAggColor(random);
    const agg::int8u cover = static_cast<agg::int8u>(Whole(random, 0, 1) == 0 ? 255 : Whole(random, 0, 255));
    std::vector<agg::int8u> covers(64);
    std::vector<agg::rgba8> colors(64);
    for (size_t i = 0; i < covers.size(); ++i)
    {
        covers[i] = static_cast<agg::int8u>(Whole(random, 0, 255));
        colors[i] = RandomAggColor(random);
    }
    const int length = Whole(random, 1, 64);
    const int entry = Whole(random, 0, 15);
    switch (entry)
    {
    case 0:
        renderer.copy_pixel(x1, y1, color);
        break;
    case 1:
        renderer.blend_pixel(x1, y1, color, cover);
        break;
    case 2:
        renderer.copy_hline(x1, y1, x2, color);
        break;
    case 3:
        renderer.blend_hline(x1, y1, x2, color, cover);
        break;
    case 4:
        renderer.copy_vline(x1, y1, y2, color);
        break;
    case 5:
        renderer.blend_vline(x1, y1, y2, color, cover);
        break;
    case 6:
        renderer.copy_bar(x1, y1, x2, y2, color);
        break;
    case 7:
        renderer.blend_bar(x1, y1, x2, y2, color, cover);
        break;
    case 8:
        renderer.blend_solid_hspan(x1, y1, length, color, covers.data());
        break;
    case 9:
        renderer.blend_solid_vspan(x1, y1, length, color, covers.data());
        break;
    case 10:
        renderer.copy_color_hspan(x1, y1, length, colors.data());
        break;
    case 11:
        renderer.copy_color_vspan(x1, y1, length, colors.data());
        break;
    case 12:
        renderer.blend_color_hspan(x1, y1, length, colors.data(), covers.data(), cover);
        break;
    case 13:
        renderer.blend_color_vspan(x1, y1, length, colors.data(), nullptr, cover);
        break;
    case 14:
    {
        // Another layer's rows copied in, with an offset.
        ForegroundGraphics source(PixelArea(PixelPoint(0, 0), 40, 12), 0x00);
        source.GetRenderer().copy_bar(3, 2, 30, 9, RandomAggColor(random));
        renderer.copy_from(source.GetRenderingBuffer(), nullptr, x1 - 20, y1 - 6);
        break;
    }
    default:
        renderer.clear(color);
        break;
    }
    return entry;
}

// The panel pixels the compositor must build for the run: the background, then every layer that
// covers a pixel, bottom-most first, by the definition of compositing one layer pixel.
std::vector<uint16_t> Expected(const PixelPoint& at, unsigned length)
{
    std::vector<uint16_t> pixels;
    const PImpl::BackgroundGraphics& background = PImpl::LCD::GetBackgroundLayer();
    for (int x = at.x; x < at.x + static_cast<int>(length); ++x)
    {
        Color565 pixel = *background.GetPixel(x, at.y);
        for (const PImpl::ForegroundLayer* layer : PImpl::LCD::GetInstance().GetLayers())
        {
            const PixelArea& area = layer->GetPImpl().GetArea();
            if (x < area.GetLeft() || x >= area.GetLeft() + area.GetWidth() || at.y < area.GetTop() ||
                at.y > area.GetBottom())
                continue;
            const Color& over = *layer->GetPImpl().GetPixel(x - area.GetLeft(), at.y - area.GetTop());
            if (over.alpha == 255)
                pixel = over.rgb;
            else if (over.alpha != 0)
                pixel.AlphaBlend(over.rgb, over.alpha);
        }
        pixels.push_back(pixel.value);
    }
    return pixels;
}

// Composites random runs over and around the layer's rows (mid-block starts and ends included)
// and compares them with the definition.
::testing::AssertionResult CompositesAsDefined(std::mt19937& random, const PixelArea& area)
{
    const Velmora::Color565* framebuffer = Driver::LCD::GetInstance().GetFramebuffer();
    for (int i = 0; i < 6; ++i)
    {
        const int y = std::clamp(Whole(random, area.GetTop() - 2, area.GetBottom() + 2), 0, 479);
        const int first =
            std::clamp(Whole(random, area.GetLeft() - 20, area.GetLeft() + area.GetWidth()), 0, 799);
        const int last = std::clamp(Whole(random, first, area.GetLeft() + area.GetWidth() + 20), first, 799);
        const PixelPoint at(static_cast<int16_t>(first), static_cast<int16_t>(y));
        const unsigned length = static_cast<unsigned>(last - first + 1);
        PImpl::LCD::GetInstance().RenderScanline(at, static_cast<uint16_t>(length));
        const std::vector<uint16_t> expected = Expected(at, length);
        for (unsigned x = 0; x < length; ++x)
        {
            if (framebuffer[y * 800 + first + static_cast<int>(x)].value != expected[x])
                return ::testing::AssertionFailure()
                       << "panel pixel (" << first + static_cast<int>(x) << ", " << y << ") of the run from "
                       << first << ", " << length << " long";
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(InkMapTest, MarksAndFindsBlocksAsAListOfThemDoes)
{
    std::mt19937 random(20261211);
    for (unsigned width : {1u, 15u, 16u, 17u, 511u, 512u, 513u, 660u, 1030u})
    {
        InkMap ink(width, 3);
        const unsigned blocks = (width + 15) / 16;
        std::vector<std::vector<bool>> expected(3, std::vector<bool>(blocks, false));
        for (int round = 0; round < 300; ++round)
        {
            const unsigned y = static_cast<unsigned>(Whole(random, 0, 2));
            const unsigned x = static_cast<unsigned>(Whole(random, 0, static_cast<int>(width) - 1));
            const unsigned length = static_cast<unsigned>(Whole(random, 1, static_cast<int>(width - x)));
            if (Whole(random, 0, 2) != 0)
            {
                ink.Mark(x, y, length);
                for (unsigned b = x / 16; b <= (x + length - 1) / 16; ++b)
                    expected[y][b] = true;
            }
            else
            {
                InkMap::UnmarkBlocks(ink.GetRow(y), x / 16, (x + length - 1) / 16);
                for (unsigned b = x / 16; b <= (x + length - 1) / 16; ++b)
                    expected[y][b] = false;
            }
            for (unsigned b = 0; b < blocks; ++b)
                ASSERT_EQ(ink.IsMarked(b, y), expected[y][b]) << "width " << width << ", block " << b;
            // Searches from and to anywhere, for either kind of block.
            const unsigned from = static_cast<unsigned>(Whole(random, 0, static_cast<int>(blocks) - 1));
            const unsigned end =
                static_cast<unsigned>(Whole(random, static_cast<int>(from) + 1, static_cast<int>(blocks)));
            for (bool marked : {false, true})
            {
                unsigned found = from;
                while (found < end && expected[y][found] != marked)
                    ++found;
                ASSERT_EQ(InkMap::FindBlock(ink.GetRow(y), from, end, marked), found)
                    << "width " << width << ", from " << from << " to " << end
                    << (marked ? ", marked" : ", unmarked");
            }
        }
        // The bits of a range of blocks, word by word.
        for (int round = 0; round < 100; ++round)
        {
            const unsigned first = static_cast<unsigned>(Whole(random, 0, static_cast<int>(blocks)));
            const unsigned end = static_cast<unsigned>(Whole(random, 0, static_cast<int>(blocks)));
            for (unsigned word = 0; word < ink.GetWordsPerRow(); ++word)
            {
                uint32_t expectedBits = 0;
                for (unsigned bit = 0; bit < 32; ++bit)
                    expectedBits |= (32 * word + bit >= first && 32 * word + bit < end ? 1u : 0u) << bit;
                ASSERT_EQ(InkMap::BlockMask(word, first, end), expectedBits)
                    << first << " to " << end << ", word " << word;
            }
        }
        // Every block, and nothing past the row's last one, which a search must never find.
        ink.MarkAll();
        for (unsigned y = 0; y < 3; ++y)
        {
            EXPECT_EQ(InkMap::FindBlock(ink.GetRow(y), 0, blocks, false), blocks);
            if (blocks % 32 != 0)
            {
                EXPECT_EQ(ink.GetRow(y)[blocks / 32] >> (blocks % 32), 0u) << "width " << width;
            }
        }
        ink.UnmarkAll();
        EXPECT_EQ(InkMap::FindBlock(ink.GetRow(1), 0, blocks, true), blocks);
    }
}

TEST(InkMapTest, EveryWriterKeepsThePromiseAndCompositingIsUnchanged)
{
    Driver::LCD& lcd = Driver::LCD::GetInstance();
    PImpl::LCD& compositor = PImpl::LCD::GetInstance();
    // The compositor runs only when the test calls it.
    lcd.DisableRefresh(true);
    std::mt19937 random(20261212);
    PImpl::BackgroundGraphics& background = PImpl::LCD::GetBackgroundLayer();
    for (size_t i = 0; i < 800u * 480u; ++i)
        background.GetBuffer()[i].value = static_cast<uint16_t>(Whole(random, 0, 0xFFFF));

    for (int trial = 0; trial < 24; ++trial)
    {
        // Widths around and between whole blocks (the clock's 660 among them), places partly off
        // the panel; every third trial a second layer overlaps the first, for the pass that
        // composites layer after layer.
        const int width = trial == 0                 ? 660
                          : Whole(random, 0, 1) == 0 ? Whole(random, 1, 40)
                                                     : Whole(random, 41, 300);
        const int height = Whole(random, 1, 30);
        const PixelArea area(PixelPoint(static_cast<int16_t>(Whole(random, -30, 790 - std::min(width, 700))),
                                        static_cast<int16_t>(Whole(random, -5, 470))),
                             static_cast<uint16_t>(width), static_cast<uint16_t>(height));
        std::vector<std::unique_ptr<Velmora::ForegroundLayer>> layers;
        layers.emplace_back(new Velmora::ForegroundLayer(area));
        if (trial % 3 == 2)
        {
            layers.emplace_back(new Velmora::ForegroundLayer(PixelArea(
                PixelPoint(static_cast<int16_t>(area.GetLeft() + Whole(random, -20, 20)),
                           static_cast<int16_t>(area.GetTop() + Whole(random, -3, 3))),
                static_cast<uint16_t>(Whole(random, 1, 100)), static_cast<uint16_t>(Whole(random, 1, 20)))));
        }

        for (int step = 0; step < 40; ++step)
        {
            Velmora::ForegroundLayer& layer =
                *layers[static_cast<size_t>(Whole(random, 0, 9)) % layers.size()];
            ForegroundGraphics& surface = layer.GetPImpl().GetPImpl();
            const int w = surface.GetArea().GetWidth();
            const int h = surface.GetArea().GetHeight();
            int what = Whole(random, 0, 19);
            if (what < 5)
            {
                PImpl::SolidBrush brush(RandomColor(random));
                surface.FillPath(RandomShape(random, w, h), brush);
            }
            else if (what < 7)
            {
                PImpl::SolidBrush brush(RandomColor(random));
                surface.StrokePath(
                    PImpl::Path::Line(
                        Point(static_cast<float>(Whole(random, -5, w + 5)), 0.5f),
                        Point(static_cast<float>(Whole(random, -5, w + 5)), static_cast<float>(h) - 0.5f)),
                    Velmora::Stroke(static_cast<float>(Whole(random, 1, 6)), Velmora::LineCap::Round,
                                    Velmora::LineJoin::Round),
                    brush);
            }
            else if (what < 9)
            {
                PImpl::LinearGradientBrush brush(
                    Velmora::GradientStop(Point(0.0f, 0.0f), RandomColor(random)),
                    Velmora::GradientStop(Point(static_cast<float>(w), static_cast<float>(h)),
                                          RandomColor(random)));
                surface.FillPath(RandomShape(random, w, h), brush);
            }
            else if (what < 13)
            {
                what = 100 + PaintThroughRenderer(random, surface);
            }
            else if (what < 18)
            {
                // Any area, mid-block edges and areas reaching beyond the layer included.
                const int left = Whole(random, -20, w + 5);
                const int top = Whole(random, -3, h + 2);
                layer.Clear(PixelArea(PixelPoint(static_cast<int16_t>(left), static_cast<int16_t>(top)),
                                      static_cast<uint16_t>(Whole(random, 0, w + 40)),
                                      static_cast<uint16_t>(Whole(random, 0, h + 5))));
            }
            else if (what < 19)
            {
                layer.Clear();
            }
            else
            {
                surface.Fill(Whole(random, 0, 1) == 0 ? 0x00 : static_cast<uint8_t>(Whole(random, 1, 255)));
            }
            ASSERT_TRUE(KeepsItsPromise(surface)) << "trial " << trial << ", step " << step << ", writer "
                                                  << what << " (100 and more: AGG's entry point 0-15)";
            ASSERT_TRUE(CompositesAsDefined(random, surface.GetArea()))
                << "trial " << trial << ", step " << step;
        }
        ASSERT_EQ(compositor.GetLayers().size(), layers.size());
    }
    lcd.EnableRefresh(true);
}

TEST(InkMapTest, MarksNoMoreThanTheBlocksTheInkTouches)
{
    // What the map is for: a cleared layer has no marks, and text leaves marks only on the blocks
    // its glyphs reach into, so that clearing and compositing pass over the rest.
    Velmora::ForegroundLayer layer(PixelArea(PixelPoint(70, 0), 660, 325));
    ForegroundGraphics& surface = layer.GetPImpl().GetPImpl();
    const InkMap& ink = surface.GetPixelFormat().GetInk();
    const auto markedBlocks = [&]
    {
        unsigned marked = 0;
        for (unsigned y = 0; y < 325; ++y)
            for (unsigned block = 0; block < 42; ++block)
                marked += ink.IsMarked(block, y) ? 1 : 0;
        return marked;
    };
    EXPECT_EQ(markedBlocks(), 0u);
    layer.FillText(Point(20.0f, 250.0f), Velmora::DefaultFont::GetInstance(), "10", 240.0f,
                   Velmora::SolidBrush(Color(255, 255, 255, 255)));
    unsigned inkBlocks = 0;
    for (unsigned y = 0; y < 325; ++y)
    {
        for (unsigned block = 0; block < 42; ++block)
        {
            bool any = false;
            for (unsigned x = 16 * block; x < std::min(16 * block + 16, 660u); ++x)
                any = any || surface.GetPixel(static_cast<int>(x), static_cast<int>(y))->alpha != 0;
            inkBlocks += any ? 1 : 0;
        }
    }
    EXPECT_GT(inkBlocks, 0u);
    EXPECT_EQ(markedBlocks(), inkBlocks);
    layer.Clear(PixelArea(PixelPoint(0, 50), 660, 275));
    EXPECT_EQ(markedBlocks(), 0u);
}

TEST(InkMapTest, ClearingZeroesTheAreaAndUnmarksTheBlocksWhollyInsideIt)
{
    // Against the definition, pixel by pixel and block by block: every pixel of the area zero,
    // every other byte as it was; the blocks wholly inside the area (a narrow last block counts
    // when the area reaches the layer's edge) unmarked on the area's rows, every other mark as it
    // was. Marked blocks come in runs and alone, with ink or with none, in layers up to three
    // words of marks wide whose rows start at every offset from a word boundary.
    Driver::LCD& lcd = Driver::LCD::GetInstance();
    // The compositor exists before anything registered for it is recomposited.
    PImpl::LCD::GetInstance();
    lcd.DisableRefresh(true);
    std::mt19937 random(20261208);
    for (int trial = 0; trial < 60; ++trial)
    {
        const int width = trial == 0 ? 660 : Whole(random, 0, 2) == 0 ? Whole(random, 1, 70) : Whole(random, 71, 1100);
        const int height = Whole(random, 1, 6);
        PImpl::ForegroundLayer layer(PixelArea(PixelPoint(0, 0), static_cast<uint16_t>(width), static_cast<uint16_t>(height)));
        ForegroundGraphics& surface = layer.GetPImpl();
        InkMap& ink = surface.GetPixelFormat().GetInk();
        const unsigned blocks = (static_cast<unsigned>(width) + InkMap::blockPixels - 1) / InkMap::blockPixels;
        for (int round = 0; round < 20; ++round)
        {
            // Ink only where marked, as the map promises.
            for (unsigned y = 0; y < static_cast<unsigned>(height); ++y)
            {
                for (unsigned block = 0; block < blocks;)
                {
                    const unsigned run = std::min<unsigned>(static_cast<unsigned>(Whole(random, 1, 40)), blocks - block);
                    if (Whole(random, 0, 2) != 0)
                    {
                        InkMap::MarkBlocks(ink.GetRow(y), block, block + run - 1);
                        for (unsigned x = block * InkMap::blockPixels;
                             x < std::min((block + run) * InkMap::blockPixels, static_cast<unsigned>(width)); ++x)
                        {
                            if (Whole(random, 0, 3) != 0)
                                *surface.GetPixel(static_cast<int>(x), static_cast<int>(y)) = RandomColor(random);
                        }
                    }
                    block += run;
                }
            }
            const std::vector<uint8_t> before(reinterpret_cast<const uint8_t*>(surface.GetBuffer()),
                                              reinterpret_cast<const uint8_t*>(surface.GetBuffer()) +
                                                  3 * width * height);
            const std::vector<uint32_t> marksBefore(ink.GetRow(0), ink.GetRow(0) + ink.GetWordsPerRow() * height);
            const int left = Whole(random, 0, width - 1);
            const int top = Whole(random, 0, height - 1);
            const int right = Whole(random, 0, 3) == 0 ? width - 1 : Whole(random, left, width - 1);
            const int bottom = Whole(random, top, height - 1);
            layer.ClearPixels(PixelArea(PixelPoint(static_cast<int16_t>(left), static_cast<int16_t>(top)),
                                        static_cast<uint16_t>(right - left + 1),
                                        static_cast<uint16_t>(bottom - top + 1)));
            for (int y = 0; y < height; ++y)
            {
                for (int x = 0; x < width; ++x)
                {
                    const bool inside = x >= left && x <= right && y >= top && y <= bottom;
                    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(surface.GetPixel(x, y));
                    for (int i = 0; i < 3; ++i)
                    {
                        ASSERT_EQ(bytes[i], inside ? 0 : before[static_cast<size_t>(3 * (y * width + x) + i)])
                            << "trial " << trial << ", round " << round << ", pixel (" << x << ", " << y
                            << ") of a layer " << width << " wide, area " << left << ".." << right << ", " << top
                            << ".." << bottom;
                    }
                }
                for (unsigned block = 0; block < blocks; ++block)
                {
                    const int blockLeft = static_cast<int>(block * InkMap::blockPixels);
                    const int blockRight = std::min(blockLeft + static_cast<int>(InkMap::blockPixels), width) - 1;
                    const bool whollyInside = y >= top && y <= bottom && blockLeft >= left && blockRight <= right;
                    const bool was = (marksBefore[y * ink.GetWordsPerRow() + block / 32] >> (block % 32)) & 1u;
                    ASSERT_EQ(ink.IsMarked(block, static_cast<unsigned>(y)), whollyInside ? false : was)
                        << "trial " << trial << ", round " << round << ", block " << block << " of row " << y
                        << ", area " << left << ".." << right << ", " << top << ".." << bottom;
                }
            }
        }
    }
    lcd.EnableRefresh(true);
}
