#pragma once

// The AGG pixel formats of the two kinds of drawing surface: RGB565 for the opaque background,
// and the 3-byte alpha + RGB565 pixel of the foreground layers.

#include "graphics/Color.h"
#include "graphics/PImpl/InkMap.h"

#include <agg_color_rgba.h>
#include <agg_pixfmt_rgb_packed.h>
#include <agg_rendering_buffer.h>

#include <cstdint>
#include <cstring>

namespace PImpl
{

// Blends into foreground-layer pixels: not premultiplied, alpha byte first. The colour mix is
// weighted by the pixel's existing opacity, so painting into a transparent pixel keeps the pure
// source colour and carries the coverage in alpha, which the compositor applies later against
// whatever lies beneath the layer.
struct blender_argb8565
{
    typedef agg::rgba8 color_type;
    typedef color_type::value_type value_type;
    typedef color_type::calc_type calc_type;
    typedef Velmora::Color pixel_type;

    static AGG_INLINE void blend_pix(pixel_type* p, unsigned cr, unsigned cg, unsigned cb, unsigned alpha, unsigned)
    {
        const unsigned d = p->alpha;
        const unsigned value = p->rgb.value;
        const unsigned r = ((value >> 11) & 0x1F) << 3;
        const unsigned g = ((value >> 5) & 0x3F) << 2;
        const unsigned b = (value & 0x1F) << 3;

        const unsigned x = (255 - alpha) * d;
        const unsigned newAlpha = alpha + ((x + 1 + (x >> 8)) >> 8);

        const unsigned yr = cr * (255 - d) + r * d;
        const unsigned yg = cg * (255 - d) + g * d;
        const unsigned yb = cb * (255 - d) + b * d;
        const unsigned nr = (yr + 1 + (yr >> 8)) >> 11;
        const unsigned ng = (yg + 1 + (yg >> 8)) >> 10;
        const unsigned nb = (yb + 1 + (yb >> 8)) >> 11;

        p->alpha = static_cast<uint8_t>(newAlpha);
        p->rgb.value = static_cast<uint16_t>((nr << 11) | (ng << 5) | nb);
    }

    static AGG_INLINE pixel_type make_pix(unsigned r, unsigned g, unsigned b)
    {
        return pixel_type(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b), 255);
    }

    static AGG_INLINE color_type make_color(pixel_type p)
    {
        const unsigned value = p.rgb.value;
        return color_type(static_cast<value_type>((value >> 8) & 0xF8), static_cast<value_type>((value >> 3) & 0xFC),
                          static_cast<value_type>((value << 3) & 0xF8), p.alpha);
    }
};

// A 32-bit store into a buffer that is otherwise read and written as pixels.
typedef uint32_t __attribute__((__may_alias__)) PixelWord;

// Sets len RGB565 pixels from p on: two pixels a word once p is word-aligned.
inline void FillPixels(agg::int16u* p, unsigned len, agg::int16u value)
{
    if (len != 0 && (reinterpret_cast<uintptr_t>(p) & 2) != 0)
    {
        *p++ = value;
        --len;
    }
    const uint32_t pair = value * 0x10001u;
    PixelWord* word = reinterpret_cast<PixelWord*>(p);
    for (; len >= 8; len -= 8, word += 4)
    {
        word[0] = pair;
        word[1] = pair;
        word[2] = pair;
        word[3] = pair;
    }
    for (; len >= 2; len -= 2)
    {
        *word++ = pair;
    }
    if (len != 0)
    {
        *reinterpret_cast<agg::int16u*>(word) = value;
    }
}

// A 3-byte layer pixel repeated along a run, as the words that store it: the bytes a0 a1 a2 of
// the pixel repeat every three bytes, so a word holds them from one of three phases. Taken once
// for a colour that fills many runs.
class PixelPattern
{
public:
    explicit PixelPattern(const Velmora::Color& value)
    {
        // Bytes a0 a1 a2 a0, a1 a2 a0 a1 and a2 a0 a1 a2: shifts of the pixel read as a
        // little-endian number. Twice over, so that any three phases in a row follow one another.
        static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the words are assembled little-endian");
        const uint32_t pixel = value.alpha | static_cast<uint32_t>(value.rgb.value) << 8;
        m_words[0] = m_words[3] = pixel | pixel << 24;
        m_words[1] = m_words[4] = pixel >> 8 | pixel << 16;
        m_words[2] = m_words[5] = pixel >> 16 | pixel << 8;
    }

    // Sets len pixels from p on.
    //
    // A run of two pixels or more takes one word store, unaligned, at each end: its first four
    // bytes (phase 0) and its last four (phase 2, as 3 len - 4 leaves 2 over from a multiple of
    // three). Between them the aligned words are stored whole, from the first word boundary in
    // the run, d = 0..3 bytes in, up to the last boundary in it. The word i words after that
    // boundary starts at phase (d + 4 i) mod 3 = (d + i) mod 3, which is m_words[d + (i mod 3)].
    // Every byte stored lies in the run and gets the byte of its own phase; the two end stores
    // cover what the aligned words leave at both ends (under four bytes each). Stores that
    // overlap write the same bytes.
    void Fill(Velmora::Color* p, unsigned len) const
    {
        if (len < 2)
        {
            if (len != 0)
            {
                unsigned char* const bytes = reinterpret_cast<unsigned char*>(p);
                const uint16_t low = static_cast<uint16_t>(m_words[0]);
                std::memcpy(bytes, &low, sizeof low);
                bytes[2] = static_cast<unsigned char>(m_words[0] >> 16);
            }
            return;
        }
        unsigned char* const bytes = reinterpret_cast<unsigned char*>(p);
        unsigned char* const end = bytes + 3 * len;
        StoreWord(bytes, m_words[0]);
        StoreWord(end - 4, m_words[2]);
        const uintptr_t head = -reinterpret_cast<uintptr_t>(bytes) & 3u;
        const uint32_t* const phase = m_words + head;
        const uint32_t a = phase[0];
        const uint32_t b = phase[1];
        const uint32_t c = phase[2];
        PixelWord* word = reinterpret_cast<PixelWord*>(bytes + head);
        PixelWord* const last = reinterpret_cast<PixelWord*>(reinterpret_cast<uintptr_t>(end) & ~uintptr_t(3));
        // Sixteen pixels a round (six double-word stores), then what is left in steps of eight,
        // four and single words: a short run costs a few stores and little looping.
        for (; last - word >= 12; word += 12)
        {
            word[0] = a;
            word[1] = b;
            word[2] = c;
            word[3] = a;
            word[4] = b;
            word[5] = c;
            word[6] = a;
            word[7] = b;
            word[8] = c;
            word[9] = a;
            word[10] = b;
            word[11] = c;
        }
        if (last - word >= 6)
        {
            word[0] = a;
            word[1] = b;
            word[2] = c;
            word[3] = a;
            word[4] = b;
            word[5] = c;
            word += 6;
        }
        if (last - word >= 3)
        {
            word[0] = a;
            word[1] = b;
            word[2] = c;
            word += 3;
        }
        if (word != last)
        {
            word[0] = a;
            if (word + 1 != last)
            {
                word[1] = b;
            }
        }
    }

private:
    // A word at p, which need not be aligned (the Cortex-M4 splits an unaligned store by itself).
    static void StoreWord(void* p, uint32_t word) { std::memcpy(p, &word, sizeof word); }

    uint32_t m_words[6];
};

// Sets len 3-byte layer pixels from p on.
inline void FillPixels(Velmora::Color* p, unsigned len, const Velmora::Color& value)
{
    PixelPattern(value).Fill(p, len);
}

typedef agg::row_accessor<unsigned char> RenderingBuffer;

// AGG's packed-pixel format with its opaque runs (the inside of every filled shape, and clearing)
// stored a word at a time instead of a pixel at a time; every pixel gets the same value.
template <class Blender>
class PackedPixelFormat : public agg::pixfmt_alpha_blend_rgb_packed<Blender, RenderingBuffer>
{
    typedef agg::pixfmt_alpha_blend_rgb_packed<Blender, RenderingBuffer> Base;

public:
    typedef typename Base::color_type color_type;
    typedef typename Base::pixel_type pixel_type;

    explicit PackedPixelFormat(RenderingBuffer& buffer) : Base(buffer) {}

    // AGG's packed format blends a vertical line into column 0 of each row instead of column x
    // (its copy branch, for full opacity and coverage, is right). Each pixel is painted as
    // blend_pixel paints it, which is the same alpha and blend the line's loop works out.
    void blend_vline(int x, int y, unsigned len, const color_type& c, agg::int8u cover)
    {
        do
        {
            Base::blend_pixel(x, y++, c, cover);
        } while (--len);
    }

    // The opaque background keeps no map of its ink: marking and filling note nothing.
    void MarkInk(int, int, unsigned) {}
    void NoteFill(uint8_t) {}

    void copy_hline(int x, int y, unsigned len, const color_type& c)
    {
        FillPixels(reinterpret_cast<pixel_type*>(this->pix_ptr(x, y)), len, Blender::make_pix(c.r, c.g, c.b));
    }

    void blend_hline(int x, int y, unsigned len, const color_type& c, agg::int8u cover)
    {
        // Opacity and coverage both full is the only case AGG copies rather than blends.
        if (c.a == Base::base_mask && cover == agg::cover_full)
        {
            copy_hline(x, y, len, c);
        }
        else
        {
            Base::blend_hline(x, y, len, c, cover);
        }
    }
};

typedef PackedPixelFormat<agg::blender_rgb565> BackgroundPixelFormat;

// The foreground layers' format: every entry point through which AGG's renderer_base writes
// pixels marks the blocks it touches in the layer's ink map, then writes as the packed format
// does. The map is the layer's own, taken once with it.
class ForegroundPixelFormat : public PackedPixelFormat<blender_argb8565>
{
    typedef PackedPixelFormat<blender_argb8565> Base;

public:
    typedef Base::color_type color_type;
    typedef agg::int8u int8u;

    explicit ForegroundPixelFormat(RenderingBuffer& buffer) : Base(buffer), m_ink(buffer.width(), buffer.height()) {}

    InkMap& GetInk() { return m_ink; }
    const InkMap& GetInk() const { return m_ink; }

    // Marks pixels x .. x + length - 1 of row y, which a painter writes directly.
    void MarkInk(int x, int y, unsigned length) { m_ink.Mark(x, y, length); }
    // Every byte of the buffer has been set to value.
    void NoteFill(uint8_t value)
    {
        if (value == 0)
            m_ink.UnmarkAll();
        else
            m_ink.MarkAll();
    }

    void copy_pixel(int x, int y, const color_type& c)
    {
        MarkInk(x, y, 1);
        Base::copy_pixel(x, y, c);
    }
    void blend_pixel(int x, int y, const color_type& c, int8u cover)
    {
        MarkInk(x, y, 1);
        Base::blend_pixel(x, y, c, cover);
    }
    void copy_hline(int x, int y, unsigned len, const color_type& c)
    {
        MarkInk(x, y, len);
        Base::copy_hline(x, y, len, c);
    }
    void blend_hline(int x, int y, unsigned len, const color_type& c, int8u cover)
    {
        MarkInk(x, y, len);
        Base::blend_hline(x, y, len, c, cover);
    }
    void copy_vline(int x, int y, unsigned len, const color_type& c)
    {
        MarkColumn(x, y, len);
        Base::copy_vline(x, y, len, c);
    }
    void blend_vline(int x, int y, unsigned len, const color_type& c, int8u cover)
    {
        MarkColumn(x, y, len);
        Base::blend_vline(x, y, len, c, cover);
    }
    void blend_solid_hspan(int x, int y, unsigned len, const color_type& c, const int8u* covers)
    {
        MarkInk(x, y, len);
        Base::blend_solid_hspan(x, y, len, c, covers);
    }
    void blend_solid_vspan(int x, int y, unsigned len, const color_type& c, const int8u* covers)
    {
        MarkColumn(x, y, len);
        Base::blend_solid_vspan(x, y, len, c, covers);
    }
    void copy_color_hspan(int x, int y, unsigned len, const color_type* colors)
    {
        MarkInk(x, y, len);
        Base::copy_color_hspan(x, y, len, colors);
    }
    void copy_color_vspan(int x, int y, unsigned len, const color_type* colors)
    {
        MarkColumn(x, y, len);
        Base::copy_color_vspan(x, y, len, colors);
    }
    void blend_color_hspan(int x, int y, unsigned len, const color_type* colors, const int8u* covers, int8u cover)
    {
        MarkInk(x, y, len);
        Base::blend_color_hspan(x, y, len, colors, covers, cover);
    }
    void blend_color_vspan(int x, int y, unsigned len, const color_type* colors, const int8u* covers, int8u cover)
    {
        MarkColumn(x, y, len);
        Base::blend_color_vspan(x, y, len, colors, covers, cover);
    }
    template <class RenBuf2>
    void copy_from(const RenBuf2& from, int xdst, int ydst, int xsrc, int ysrc, unsigned len)
    {
        MarkInk(xdst, ydst, len);
        Base::copy_from(from, xdst, ydst, xsrc, ysrc, len);
    }
    template <class SrcPixelFormatRenderer>
    void blend_from(const SrcPixelFormatRenderer& from, int xdst, int ydst, int xsrc, int ysrc, unsigned len,
                    int8u cover)
    {
        MarkInk(xdst, ydst, len);
        Base::blend_from(from, xdst, ydst, xsrc, ysrc, len, cover);
    }
    template <class SrcPixelFormatRenderer>
    void blend_from_color(const SrcPixelFormatRenderer& from, const color_type& color, int xdst, int ydst, int xsrc,
                          int ysrc, unsigned len, int8u cover)
    {
        MarkInk(xdst, ydst, len);
        Base::blend_from_color(from, color, xdst, ydst, xsrc, ysrc, len, cover);
    }
    template <class SrcPixelFormatRenderer>
    void blend_from_lut(const SrcPixelFormatRenderer& from, const color_type* colorLut, int xdst, int ydst, int xsrc,
                        int ysrc, unsigned len, int8u cover)
    {
        MarkInk(xdst, ydst, len);
        Base::blend_from_lut(from, colorLut, xdst, ydst, xsrc, ysrc, len, cover);
    }

private:
    void MarkColumn(int x, int y, unsigned len)
    {
        for (; len != 0; --len, ++y)
            MarkInk(x, y, 1);
    }

    InkMap m_ink;
};

} // namespace PImpl
