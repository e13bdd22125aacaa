#include "graphics/PImpl/Compositing.h"

#include <algorithm>
#include <cstring>

namespace PImpl
{

namespace
{

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the word-wise loops below pick bytes out of words by little-endian positions");

// Loads and stores of pixel buffers as whole words.
typedef uint32_t __attribute__((__may_alias__)) Word;
typedef uint64_t __attribute__((__may_alias__)) WordPair;

// The compositing of one layer pixel, the definition every faster path below must match.
// Always inlined: a call would cost more than the pixel.
inline __attribute__((__always_inline__)) void Put(const Velmora::Color& pixel, Velmora::Color565& target)
{
    // The fields are read in place: copying a packed 3-byte pixel out goes through the stack.
    const uint8_t alpha = pixel.alpha;
    if (alpha == 255)
        target.value = pixel.rgb.value;
    else if (alpha != 0)
        target.AlphaBlend(pixel.rgb, alpha);
}

// The same over a background pixel, for the combined pass: alpha 0 takes the background pixel
// (what the copy before Put leaves), alpha 255 the layer's colour (what Put then stores), and
// anything between blends the layer's colour over that background pixel, as Put blends it over
// the copy.
inline __attribute__((__always_inline__)) void PutOver(const Velmora::Color& pixel, const Velmora::Color565& below,
                                                       Velmora::Color565& target)
{
    const uint8_t alpha = pixel.alpha;
    if (alpha == 255)
    {
        target.value = pixel.rgb.value;
    }
    else
    {
        target.value = below.value;
        if (alpha != 0)
            target.AlphaBlend(pixel.rgb, alpha);
    }
}

// Copies count background pixels (a constant at every call, so the copy is unrolled into word
// moves); neither pointer need be more than half-word aligned.
template <unsigned count>
inline __attribute__((__always_inline__)) void CopyPixels(Velmora::Color565* target, const Velmora::Color565* below)
{
    static_assert(count % 2 == 0, "whole words");
#pragma GCC unroll 16
    for (unsigned i = 0; i < count; i += 2)
    {
        uint32_t pair;
        std::memcpy(&pair, static_cast<const void*>(below + i), sizeof pair);
        std::memcpy(static_cast<void*>(target + i), &pair, sizeof pair);
    }
}

// Copies 8 words (16 pixels) between word-aligned pointers. Told of the alignment, the compiler
// copies with multiple-word loads and stores (four words each on the Cortex-M4) instead of calling
// the library or moving one word per instruction each way.
inline __attribute__((__always_inline__)) void CopyEightWords(Velmora::Color565* target, const Velmora::Color565* below)
{
    std::memcpy(__builtin_assume_aligned(static_cast<void*>(target), sizeof(Word)),
                __builtin_assume_aligned(static_cast<const void*>(below), sizeof(Word)), 8 * sizeof(Word));
}

// Copies 16 background pixels. When target and below sit at the same half-word of their words
// (the framebuffer and the background have the same row width, so they do), whole aligned words
// are moved, or one pixel at each end and whole words between if they start mid-word.
inline __attribute__((__always_inline__)) void CopySixteen(Velmora::Color565* target, const Velmora::Color565* below,
                                                           bool sameAlignment)
{
    if (!sameAlignment)
    {
        CopyPixels<16>(target, below);
    }
    else if ((reinterpret_cast<uintptr_t>(target) & 2) == 0)
    {
        CopyEightWords(target, below);
    }
    else
    {
        // Mid-word: the first pixel alone, 7 whole words, the last pixel alone.
        target[0] = below[0];
        CopyPixels<14>(target + 1, below + 1);
        target[15] = below[15];
    }
}

// Two framebuffer pixels, the first in the low half-word; the target need only be half-word
// aligned (the Cortex-M4 splits an unaligned word store by itself).
inline void PutTwo(Velmora::Color565* target, uint32_t pixels)
{
    std::memcpy(static_cast<void*>(target), &pixels, sizeof pixels);
}

// Whether the 16 layer pixels from p on (48 bytes) are all zero bytes, which is how clearing leaves
// a layer. p is aligned to a pair of words, which the compiler then loads with one instruction.
inline __attribute__((__always_inline__)) bool AllZero(const Velmora::Color* p)
{
    const WordPair* pair = reinterpret_cast<const WordPair*>(p);
    const uint64_t any = pair[0] | pair[1] | pair[2] | pair[3] | pair[4] | pair[5];
    return (static_cast<uint32_t>(any) | static_cast<uint32_t>(any >> 32)) == 0;
}

// The alpha bytes of four pixels from a word-aligned p on. They sit at byte offsets 0, 3, 6 and 9
// of their three words: gathered, they fill one word, each alpha in a byte of its own.
inline __attribute__((__always_inline__)) uint32_t GatherAlphas(const Velmora::Color* p, uint32_t& w0, uint32_t& w1, uint32_t& w2)
{
    const Word* word = reinterpret_cast<const Word*>(p);
    w0 = word[0];
    w1 = word[1];
    w2 = word[2];
    return (w0 & 0xFF0000FFu) | (w1 & 0x00FF0000u) | (w2 & 0x0000FF00u);
}

} // namespace

namespace
{

// The loop of both passes. Alone (over = false, below unused), a pixel's target is left as it is
// for alpha 0, as Put leaves it. Over a background run, each path writes what copying the
// background first and then compositing alone would leave: transparent groups and cleared blocks
// copy the background pixels, opaque groups store the layer's colours, every other pixel takes
// PutOver.
template <bool over>
inline __attribute__((__always_inline__)) void Composite(Velmora::Color565* target, const Velmora::Color565* below,
                                                         const Velmora::Color* source, unsigned count)
{
    const auto put = [&](int i) __attribute__((__always_inline__)) {
        if constexpr (over)
            PutOver(source[i], below[i], target[i]);
        else
            Put(source[i], target[i]);
    };
    const auto advance = [&](unsigned pixels) __attribute__((__always_inline__)) {
        source += pixels;
        target += pixels;
        if constexpr (over)
            below += pixels;
    };

    // One pixel at a time up to a word boundary of the layer: from there on four pixels fill
    // exactly three words.
    for (; count != 0 && (reinterpret_cast<uintptr_t>(source) & 3) != 0; --count)
    {
        put(0);
        advance(1);
    }

    const Velmora::Color* const end = source + count;
    const Velmora::Color* const groupsEnd = source + (count & ~3u);
    // Where the last 16-pixel block that fits before groupsEnd begins (0 if none fits).
    const uintptr_t lastBlock = count >= 16 ? reinterpret_cast<uintptr_t>(groupsEnd - 16) : 0;
    const bool sameAlignment = ((reinterpret_cast<uintptr_t>(target) ^ reinterpret_cast<uintptr_t>(below)) & 2) == 0;
    while (source != groupsEnd)
    {
        uint32_t w0;
        uint32_t w1;
        uint32_t w2;
        uint32_t alphas = GatherAlphas(source, w0, w1, w2);
        if (alphas == 0)
        {
            // All four transparent. Such a group usually opens a cleared stretch of the layer,
            // passed over 16 pixels at a time while every byte is zero (a transparent pixel with
            // colour bits, which painting can leave, ends the stretch and takes the test of its
            // group instead). Blocks start on a pair of words, every other group; 48-byte blocks
            // keep that.
            if constexpr (over)
                CopyPixels<4>(target, below);
            advance(4);
            if ((reinterpret_cast<uintptr_t>(source) & 4) == 0)
            {
                while (reinterpret_cast<uintptr_t>(source) <= lastBlock && AllZero(source))
                {
                    if constexpr (over)
                        CopySixteen(target, below, sameAlignment);
                    advance(16);
                }
            }
            continue;
        }
        if (alphas == 0xFFFFFFFFu)
        {
            // All four opaque, and usually more after them: their colours (bytes 1-2, 4-5, 7-8
            // and 10-11) are copied, exactly what Put does for alpha 255. The group that ends the
            // stretch is taken from the top again.
            do
            {
                PutTwo(target, ((w0 >> 8) & 0xFFFFu) | (w1 << 16));
                PutTwo(target + 2, (((w2 << 8) | (w1 >> 24)) & 0xFFFFu) | (w2 & 0xFFFF0000u));
                advance(4);
            } while (source != groupsEnd && GatherAlphas(source, w0, w1, w2) == 0xFFFFFFFFu);
            continue;
        }
        for (int i = 0; i < 4; ++i)
            put(i);
        advance(4);
    }
    while (source != end)
    {
        put(0);
        advance(1);
    }
}

} // namespace

namespace
{

// Copies count background pixels between rows of the same width: one pixel up to a word boundary
// of the target, 16 pixels (8 words) a round with multiple-word moves, then whole words and a last
// pixel. Pointers at different half-words of their words fall back on the library's copy.
void CopyBackground(Velmora::Color565* target, const Velmora::Color565* below, unsigned count)
{
    if (((reinterpret_cast<uintptr_t>(target) ^ reinterpret_cast<uintptr_t>(below)) & 2) != 0)
    {
        std::memcpy(static_cast<void*>(target), below, count * sizeof(Velmora::Color565));
        return;
    }
    if (count != 0 && (reinterpret_cast<uintptr_t>(target) & 2) != 0)
    {
        *target++ = *below++;
        --count;
    }
    for (; count >= 16; count -= 16, target += 16, below += 16)
        CopyEightWords(target, below);
    for (; count >= 2; count -= 2, target += 2, below += 2)
        *reinterpret_cast<Word*>(target) = *reinterpret_cast<const Word*>(below);
    if (count != 0)
        *target = *below;
}

// Splits the run at the edges of the layer's marked blocks: runs of marked blocks go through the
// pixel loop, runs of unmarked blocks (all zero bytes, so alpha 0 throughout) are passed over or
// take the background, which is what the loop would do with them pixel by pixel. The loop's
// result for a pixel depends on that pixel alone, not on where its run begins or ends.
template <bool over>
inline __attribute__((__always_inline__)) void CompositeMarked(Velmora::Color565* target,
                                                               const Velmora::Color565* below,
                                                               const Velmora::Color* source, unsigned count,
                                                               const InkRow& ink)
{
    if (count == 0)
        return;
    const unsigned first = ink.column;
    const unsigned end = first + count;
    const unsigned endBlock = ((end - 1) >> InkMap::blockShift) + 1;
    unsigned column = first;
    while (column != end)
    {
        const unsigned block = column >> InkMap::blockShift;
        const bool marked = (ink.marks[block >> 5] >> (block & 31)) & 1u;
        const unsigned next = InkMap::FindBlock(ink.marks, block, endBlock, !marked) << InkMap::blockShift;
        const unsigned stop = next < end ? next : end;
        const unsigned offset = column - first;
        if constexpr (over)
        {
            if (marked)
                Composite<true>(target + offset, below + offset, source + offset, stop - column);
            else
                CopyBackground(target + offset, below + offset, stop - column);
        }
        else if (marked)
        {
            Composite<false>(target + offset, nullptr, source + offset, stop - column);
        }
        column = stop;
    }
}

// Whether the block loop below may take a run: target, background and layer all at word
// boundaries.
inline bool WordAligned(const void* target, const void* below, const void* source)
{
    return ((reinterpret_cast<uintptr_t>(target) | reinterpret_cast<uintptr_t>(below) |
             reinterpret_cast<uintptr_t>(source)) & 3) == 0;
}

// Copies four words and moves both pointers past them, which the compiler makes one
// multiple-word load and one multiple-word store.
inline __attribute__((__always_inline__)) void CopyFourWords(Word*& target, const Word*& below)
{
    std::memcpy(__builtin_assume_aligned(static_cast<void*>(target), sizeof(Word)),
                __builtin_assume_aligned(static_cast<const void*>(below), sizeof(Word)), 4 * sizeof(Word));
    target += 4;
    below += 4;
}

// word with its low half-word replaced by that of low: one bit-field insertion on the Cortex-M4
// (GCC lays the first bit-field in the low bits on little-endian targets).
inline uint32_t ReplaceLowHalf(uint32_t word, uint32_t low)
{
    struct Halves
    {
        uint32_t low : 16;
        uint32_t high : 16;
    } halves;
    std::memcpy(&halves, &word, sizeof word);
    halves.low = low & 0xFFFFu;
    std::memcpy(&word, &halves, sizeof word);
    return word;
}

// The four alpha bytes of a group (byte 0 and byte 3 of its first word, byte 2 of the second,
// byte 1 of the third) shifted into byte 3 and combined: the top byte is the AND of the four, so
// the group is opaque exactly when the word is 0xFF000000 or more.
inline uint32_t AlphasAnd(uint32_t w0, uint32_t w1, uint32_t w2)
{
    return w0 & (w0 << 24) & (w1 << 8) & (w2 << 16);
}

// The given number (at least one) of whole 16-pixel blocks from block on of a run over a
// background, all three pointers at word boundaries (the layer's at the start of a block), a run
// of like blocks at a time: a run of unmarked blocks takes its background 8 words a block, a run
// of marked blocks goes through groups of four pixels as in the loop above (transparent groups
// take the background, opaque ones the layer's colours, every other pixel PutOver's result with
// the blend as BlendColours), without the cleared-block test: a marked block is seldom all zero.
// The result for a pixel depends on that pixel alone, so the pixels are those of the run loop.
__attribute__((__noinline__)) void CompositeBlocksOver(Word* target, const Word* below, const Word* source,
                                                       const uint32_t* marks, unsigned block, unsigned blocks)
{
    do
    {
        const unsigned shift = block & 31;
        const uint32_t bits = marks[block >> 5] >> shift;
        const bool marked = (bits & 1) != 0;
        // The run ends at the first bit of the other kind; if there is none, the rest of the
        // word is alike (zeros shifted in at the top end a marked run at the word's end).
        const uint32_t other = marked ? ~bits : bits;
        unsigned run = other != 0 ? static_cast<unsigned>(__builtin_ctz(other)) : 32 - shift;
        if (run > blocks)
            run = blocks;
        block += run;
        blocks -= run;
        if (!marked)
        {
            source += 12 * run;
            const Word* const stop = below + 8 * run;
            do
            {
                CopyFourWords(target, below);
                CopyFourWords(target, below);
            } while (below != stop);
            continue;
        }
        const Word* const end = source + 12 * run;
        do
        {
            uint32_t w0;
            uint32_t w1;
            uint32_t w2;
            const uint32_t alphas = GatherAlphas(reinterpret_cast<const Velmora::Color*>(source), w0, w1, w2);
            if (alphas == 0xFFFFFFFFu)
            {
                // Opaque, and usually more after them: the colours (bytes 1-2, 4-5, 7-8 and
                // 10-11) are stored in pairs.
                for (;;)
                {
                    target[0] = ((w0 >> 8) & 0xFFFFu) | (w1 << 16);
                    target[1] = ReplaceLowHalf(w2, (w2 << 8) | (w1 >> 24));
                    source += 3;
                    target += 2;
                    below += 2;
                    if (source == end)
                        break;
                    w0 = source[0];
                    w1 = source[1];
                    w2 = source[2];
                    if (AlphasAnd(w0, w1, w2) < 0xFF000000u)
                        break;
                }
                continue;
            }
            if (alphas == 0)
            {
                // Told of the alignment, the compiler moves the two words with one load and one
                // store.
                std::memcpy(__builtin_assume_aligned(static_cast<void*>(target), sizeof(Word)),
                            __builtin_assume_aligned(static_cast<const void*>(below), sizeof(Word)),
                            2 * sizeof(Word));
            }
            else
            {
                const Velmora::Color* pixel = reinterpret_cast<const Velmora::Color*>(source);
                Velmora::Color565* out = reinterpret_cast<Velmora::Color565*>(target);
                const Velmora::Color565* back = reinterpret_cast<const Velmora::Color565*>(below);
                // Each case stores on its own: sharing the store puts a jump and a move on the
                // path of the unblended pixels.
#pragma GCC unroll 4
                for (int i = 0; i < 4; ++i)
                {
                    const uint32_t alpha = pixel[i].alpha;
                    if (alpha == 255)
                        out[i].value = pixel[i].rgb.value;
                    else if (alpha == 0)
                        out[i].value = back[i].value;
                    else
                        out[i].value =
                            static_cast<uint16_t>(BlendColours(pixel[i].rgb.value, back[i].value, alpha));
                }
            }
            source += 3;
            target += 2;
            below += 2;
        } while (source != end);
    } while (blocks != 0);
}

// Part of one block, count pixels (1 to 15) from target, below and source on: unmarked, it takes
// the background (as the run loop would), marked, the pixel loop.
void PartBlockOver(Velmora::Color565* target, const Velmora::Color565* below, const Velmora::Color* source,
                   unsigned count, const uint32_t* marks, unsigned block)
{
    if ((marks[block >> 5] >> (block & 31)) & 1u)
    {
        Composite<true>(target, below, source, count);
        return;
    }
    // Fewer than 16 pixels: one at a time costs less than the set-up of the word copy.
    do
    {
        *target++ = *below++;
    } while (--count != 0);
}

} // namespace

void CompositePixels(Velmora::Color565* target, const Velmora::Color* source, unsigned count)
{
    Composite<false>(target, nullptr, source, count);
}

void CompositePixelsOver(Velmora::Color565* target, const Velmora::Color565* below, const Velmora::Color* source,
                         unsigned count)
{
    Composite<true>(target, below, source, count);
}

void CompositePixels(Velmora::Color565* target, const Velmora::Color* source, unsigned count, const InkRow& ink)
{
    CompositeMarked<false>(target, nullptr, source, count, ink);
}

void CompositePixelsOver(Velmora::Color565* target, const Velmora::Color565* below, const Velmora::Color* source,
                         unsigned count, const InkRow& ink)
{
    // The part of a block at either end alone, the whole blocks between through the block loop,
    // or through the run loop if the pointers are not at word boundaries there.
    unsigned column = ink.column;
    const unsigned head = std::min(count, (0u - column) & (InkMap::blockPixels - 1));
    if (head != 0)
    {
        PartBlockOver(target, below, source, head, ink.marks, column >> InkMap::blockShift);
        target += head;
        below += head;
        source += head;
        count -= head;
        column += head;
    }
    const unsigned blocks = count >> InkMap::blockShift;
    if (blocks != 0)
    {
        if (!WordAligned(target, below, source))
        {
            CompositeMarked<true>(target, below, source, count, InkRow{ink.marks, column});
            return;
        }
        const unsigned block = column >> InkMap::blockShift;
        CompositeBlocksOver(reinterpret_cast<Word*>(target), reinterpret_cast<const Word*>(below),
                            reinterpret_cast<const Word*>(source), ink.marks, block, blocks);
        const unsigned pixels = blocks << InkMap::blockShift;
        target += pixels;
        below += pixels;
        source += pixels;
        count -= pixels;
        column += pixels;
    }
    if (count != 0)
        PartBlockOver(target, below, source, count, ink.marks, column >> InkMap::blockShift);
}

} // namespace PImpl
