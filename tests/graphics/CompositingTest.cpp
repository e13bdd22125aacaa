// The compositor's pixel loop against the plain pixel-by-pixel definition, over many random
// layer rows (cleared stretches, opaque ink, soft edges, transparent pixels with colour bits), at
// every alignment of source and target and at lengths around each block size.
#include "graphics/PImpl/Compositing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

using Velmora::Color;
using Velmora::Color565;

namespace
{

// What compositing one layer pixel means.
void ReferencePut(const Color& pixel, Color565& target)
{
    if (pixel.alpha == 255)
        target = pixel.rgb;
    else if (pixel.alpha != 0)
        target.AlphaBlend(pixel.rgb, pixel.alpha);
}

// A layer row made of stretches of one kind each, the way painting leaves a layer.
void FillLayerRow(std::mt19937& random, uint8_t* bytes, size_t pixels, int longest = 40)
{
    std::uniform_int_distribution<int> kind(0, 5);
    std::uniform_int_distribution<int> stretch(1, longest);
    std::uniform_int_distribution<int> byte(0, 255);
    size_t x = 0;
    while (x < pixels)
    {
        const int what = kind(random);
        const size_t end = std::min(pixels, x + static_cast<size_t>(stretch(random)));
        for (; x < end; ++x)
        {
            uint8_t* p = bytes + 3 * x;
            switch (what)
            {
            case 0:
            case 1: // cleared
                p[0] = p[1] = p[2] = 0;
                break;
            case 2: // transparent, with colour bits
                p[0] = 0;
                p[1] = static_cast<uint8_t>(byte(random));
                p[2] = static_cast<uint8_t>(byte(random));
                break;
            case 3: // opaque
                p[0] = 255;
                p[1] = static_cast<uint8_t>(byte(random));
                p[2] = static_cast<uint8_t>(byte(random));
                break;
            default: // anything, soft edges included
                p[0] = static_cast<uint8_t>(byte(random));
                p[1] = static_cast<uint8_t>(byte(random));
                p[2] = static_cast<uint8_t>(byte(random));
                break;
            }
        }
    }
}

std::vector<uint16_t> RandomPixels(std::mt19937& random, size_t count)
{
    std::uniform_int_distribution<int> value(0, 0xFFFF);
    std::vector<uint16_t> pixels(count);
    for (uint16_t& pixel : pixels)
        pixel = static_cast<uint16_t>(value(random));
    return pixels;
}

constexpr size_t maxCount = 200;
// Framebuffer pixels on either side of a run, which must stay untouched.
constexpr size_t guard = 8;

// Every length up to past the block sizes, then randomOnes random ones up to maxCount.
std::vector<unsigned> Counts(std::mt19937& random, int randomOnes)
{
    std::vector<unsigned> counts;
    for (unsigned n = 0; n <= 40; ++n)
        counts.push_back(n);
    std::uniform_int_distribution<unsigned> anyCount(0, maxCount);
    for (int i = 0; i < randomOnes; ++i)
        counts.push_back(anyCount(random));
    return counts;
}

// A random layer row starting at a word boundary of its store, so that an offset of 0 to 3 pixels
// into it has every word alignment.
struct LayerRow
{
    explicit LayerRow(std::mt19937& random) : words((3 * (maxCount + 8) + 3) / 4)
    {
        FillLayerRow(random, reinterpret_cast<uint8_t*>(words.data()), maxCount + 8);
    }
    const Color* At(size_t offset) const { return reinterpret_cast<const Color*>(words.data()) + offset; }

    std::vector<uint32_t> words;
};

// count random framebuffer pixels in a word-aligned store.
std::vector<uint32_t> PixelWords(std::mt19937& random, size_t count)
{
    const std::vector<uint16_t> pixels = RandomPixels(random, count);
    std::vector<uint32_t> words((count + 1) / 2);
    std::memcpy(words.data(), pixels.data(), count * sizeof(uint16_t));
    return words;
}

Color565* Pixels(std::vector<uint32_t>& words)
{
    return reinterpret_cast<Color565*>(words.data());
}

// A random background run and two equal random target runs with guard pixels on both sides, at
// the given half-word offsets: the fast path composites into one, the reference into the other.
struct OverRuns
{
    OverRuns(std::mt19937& random, size_t belowOffset, size_t targetOffset, size_t longest = maxCount)
        : belowWords(PixelWords(random, longest + 2)), fastWords(PixelWords(random, longest + 2 * guard)),
          slowWords(fastWords), below(Pixels(belowWords) + belowOffset),
          fast(Pixels(fastWords) + guard + targetOffset), slow(Pixels(slowWords) + guard + targetOffset)
    {
    }

    std::vector<uint32_t> belowWords;
    std::vector<uint32_t> fastWords;
    std::vector<uint32_t> slowWords;
    const Color565* below;
    Color565* fast;
    Color565* slow;
};

} // namespace

TEST(CompositingTest, CompositePixelsMatchesThePixelByPixelDefinition)
{
    std::mt19937 random(20261208);
    // Lengths around every block size, then random ones; each at all four source and both target
    // alignments.
    for (unsigned count : Counts(random, 150))
    {
        for (size_t sourceOffset = 0; sourceOffset < 4; ++sourceOffset)
        {
            for (size_t targetOffset = 0; targetOffset < 2; ++targetOffset)
            {
                const LayerRow layer(random);
                const Color* source = layer.At(sourceOffset);
                std::vector<uint32_t> fastWords = PixelWords(random, maxCount + 2 * guard);
                std::vector<uint32_t> slowWords = fastWords;
                Color565* fast = Pixels(fastWords) + guard + targetOffset;
                Color565* slow = Pixels(slowWords) + guard + targetOffset;

                PImpl::CompositePixels(fast, source, count);
                for (unsigned i = 0; i < count; ++i)
                    ReferencePut(source[i], slow[i]);

                ASSERT_EQ(fastWords, slowWords)
                    << "count " << count << ", source offset " << sourceOffset << ", target offset "
                    << targetOffset;
            }
        }
    }
}

TEST(CompositingTest, CompositePixelsOverWholeClearedAndWholeOpaqueRows)
{
    // The two stretches the fast paths are for, long enough for every block loop, with one pixel
    // of another kind at each position in turn.
    constexpr unsigned count = 100;
    for (unsigned odd = 0; odd <= count; ++odd)
    {
        for (uint8_t base : {0, 255})
        {
            std::vector<uint32_t> layerWords((3 * count + 3) / 4);
            uint8_t* layer = reinterpret_cast<uint8_t*>(layerWords.data());
            for (unsigned x = 0; x < count; ++x)
            {
                layer[3 * x] = base;
                layer[3 * x + 1] = base == 0 ? 0 : static_cast<uint8_t>(x * 7);
                layer[3 * x + 2] = base == 0 ? 0 : static_cast<uint8_t>(x * 13);
            }
            if (odd < count)
            {
                layer[3 * odd] = 128;
                layer[3 * odd + 1] = 0x5A;
                layer[3 * odd + 2] = 0xC3;
            }
            const Color* source = reinterpret_cast<const Color*>(layer);

            std::vector<uint32_t> fastWords(count / 2, 0x12345678u);
            std::vector<uint32_t> slowWords(count / 2, 0x12345678u);
            Color565* fast = reinterpret_cast<Color565*>(fastWords.data());
            Color565* slow = reinterpret_cast<Color565*>(slowWords.data());
            PImpl::CompositePixels(fast, source, count);
            for (unsigned i = 0; i < count; ++i)
                ReferencePut(source[i], slow[i]);
            ASSERT_EQ(fastWords, slowWords) << "odd pixel " << odd << ", base alpha " << int(base);
        }
    }
}

TEST(CompositingTest, CompositePixelsOverMatchesTheCopyThenComposite)
{
    // The combined pass against the two steps it replaces: the background run copied to the
    // target, then the layer composited over it. Random rows of every kind of stretch, every
    // length up to past the block sizes and random ones, at every source alignment and both
    // alignments of target and background; the guard pixels on both sides must stay untouched.
    std::mt19937 random(20261209);
    for (unsigned count : Counts(random, 100))
    {
        for (size_t sourceOffset = 0; sourceOffset < 4; ++sourceOffset)
        {
            for (size_t targetOffset = 0; targetOffset < 2; ++targetOffset)
            {
                for (size_t belowOffset = 0; belowOffset < 2; ++belowOffset)
                {
                    const LayerRow layer(random);
                    const Color* source = layer.At(sourceOffset);
                    OverRuns runs(random, belowOffset, targetOffset);
                    const Color565* below = runs.below;
                    Color565* fast = runs.fast;
                    Color565* slow = runs.slow;

                    PImpl::CompositePixelsOver(fast, below, source, count);
                    std::memcpy(static_cast<void*>(slow), below, count * sizeof(Color565));
                    PImpl::CompositePixels(slow, source, count);

                    ASSERT_EQ(runs.fastWords, runs.slowWords)
                        << "count " << count << ", source offset " << sourceOffset << ", target offset "
                        << targetOffset << ", background offset " << belowOffset;
                }
            }
        }
    }
}

TEST(CompositingTest, TheInkMapChangesNoPixelOfEitherPass)
{
    // Random layer rows with about half their 16-pixel blocks wiped to zero bytes, marked as a
    // layer's map would leave them: every block with a non-zero byte, and some zero ones too (a
    // map only promises that unmarked blocks are zero). Runs start at every column of the first
    // blocks, so at every source alignment and mid-block, and end anywhere; target and background
    // at both alignments, alike or not. Both passes with the map must leave exactly what they
    // leave without it, guard pixels included.
    std::mt19937 random(20261210);
    std::bernoulli_distribution half(0.5);
    std::bernoulli_distribution sometimes(0.2);
    std::uniform_int_distribution<unsigned> anyColumn(0, 40);
    constexpr unsigned rowPixels = maxCount + 48;
    for (unsigned count : Counts(random, 150))
    {
        for (int round = 0; round < 6; ++round)
        {
            std::vector<uint32_t> layerWords((3 * rowPixels + 3) / 4);
            uint8_t* bytes = reinterpret_cast<uint8_t*>(layerWords.data());
            FillLayerRow(random, bytes, rowPixels);
            uint32_t marks[1] = {0};
            for (unsigned block = 0; block < (rowPixels + 15) / 16; ++block)
            {
                const unsigned first = 16 * block;
                const unsigned pixels = std::min(16u, rowPixels - first);
                if (half(random))
                    std::memset(bytes + 3 * first, 0, 3 * pixels);
                bool ink = sometimes(random);
                for (unsigned i = 3 * first; i < 3 * (first + pixels); ++i)
                    ink = ink || bytes[i] != 0;
                if (ink)
                    marks[0] |= 1u << block;
            }
            static_assert((rowPixels + 15) / 16 <= 32, "one word of marks");
            const unsigned column = anyColumn(random);
            const Color* source = reinterpret_cast<const Color*>(bytes) + column;
            const PImpl::InkRow ink{marks, column};
            const size_t targetOffset = random() % 2;
            const size_t belowOffset = random() % 2;

            OverRuns runs(random, belowOffset, targetOffset);
            const Color565* below = runs.below;
            Color565* fast = runs.fast;
            Color565* slow = runs.slow;
            PImpl::CompositePixelsOver(fast, below, source, count, ink);
            PImpl::CompositePixelsOver(slow, below, source, count);
            ASSERT_EQ(runs.fastWords, runs.slowWords) << "over: count " << count << ", column " << column << ", marks "
                                            << std::hex << marks[0];

            PImpl::CompositePixels(fast, source, count, ink);
            PImpl::CompositePixels(slow, source, count);
            ASSERT_EQ(runs.fastWords, runs.slowWords) << "alone: count " << count << ", column " << column << ", marks "
                                            << std::hex << marks[0];
        }
    }
}

TEST(CompositingTest, BlendColoursIsAlphaBlendForEveryChannelValueAndAlpha)
{
    // Every pair of colour and background values of every channel at every alpha: red and green
    // run up together, blue down, so a mixed-up channel shows too.
    for (unsigned alpha = 0; alpha <= 255; ++alpha)
    {
        for (unsigned i = 0; i < 64; ++i)
        {
            for (unsigned j = 0; j < 64; ++j)
            {
                const uint16_t colour = static_cast<uint16_t>(((i & 31) << 11) | (i << 5) | (31 - (i & 31)));
                const uint16_t background = static_cast<uint16_t>(((j & 31) << 11) | (j << 5) | (31 - (j & 31)));
                Color565 expected(0, 0, 0);
                expected.value = background;
                Color565 source(0, 0, 0);
                source.value = colour;
                expected.AlphaBlend(source, static_cast<uint8_t>(alpha));
                ASSERT_EQ(expected.value, PImpl::BlendColours(colour, background, alpha))
                    << "colour " << std::hex << colour << ", background " << background << ", alpha " << std::dec
                    << alpha;
            }
        }
    }
}

TEST(CompositingTest, TheInkMapChangesNoPixelOfRowsOfManyBlocks)
{
    // Rows over three words of marks, marked and unmarked in runs of 1 to 40 blocks (so whole
    // words of either kind too), the unmarked blocks wiped, the marked ones with long opaque and
    // cleared stretches among the rest; runs from any column, mostly at block starts, of any
    // length, with target and background at both alignments: the pass with the map must leave
    // what it leaves without it, guard pixels included.
    std::mt19937 random(20261211);
    std::bernoulli_distribution coin(0.5);
    std::uniform_int_distribution<unsigned> runBlocks(1, 40);
    constexpr unsigned rowPixels = 1200;
    constexpr unsigned rowBlocks = (rowPixels + 15) / 16;
    static_assert(rowBlocks > 64 && rowBlocks <= 96, "three words of marks");
    std::uniform_int_distribution<unsigned> anyBlock(0, rowBlocks - 1);
    std::uniform_int_distribution<unsigned> anyPixel(0, 15);
    for (int round = 0; round < 400; ++round)
    {
        std::vector<uint32_t> layerWords((3 * rowPixels + 3) / 4);
        uint8_t* bytes = reinterpret_cast<uint8_t*>(layerWords.data());
        FillLayerRow(random, bytes, rowPixels, 120);
        uint32_t marks[3] = {0, 0, 0};
        bool marked = coin(random);
        for (unsigned block = 0; block < rowBlocks;)
        {
            const unsigned end = std::min(rowBlocks, block + runBlocks(random));
            for (; block < end; ++block)
            {
                if (marked)
                    marks[block >> 5] |= 1u << (block & 31);
                else
                    std::memset(bytes + 3 * 16 * block, 0, 3 * std::min(16u, rowPixels - 16 * block));
            }
            marked = !marked;
        }
        const unsigned column = 16 * anyBlock(random) + (round % 4 == 0 ? anyPixel(random) : 0);
        const unsigned count = std::uniform_int_distribution<unsigned>(0, rowPixels - column)(random);
        const Color* source = reinterpret_cast<const Color*>(bytes) + column;
        const PImpl::InkRow ink{marks, column};
        const size_t targetOffset = round % 3 == 0 ? 1 : 0;
        const size_t belowOffset = round % 5 == 0 ? 1 : 0;

        OverRuns runs(random, belowOffset, targetOffset, rowPixels);
        PImpl::CompositePixelsOver(runs.fast, runs.below, source, count, ink);
        std::memcpy(static_cast<void*>(runs.slow), runs.below, count * sizeof(Color565));
        for (unsigned i = 0; i < count; ++i)
            ReferencePut(source[i], runs.slow[i]);
        ASSERT_EQ(runs.fastWords, runs.slowWords)
            << "round " << round << ": count " << count << ", column " << column << ", marks " << std::hex
            << marks[0] << " " << marks[1] << " " << marks[2];
    }
}
