// Whether a glyph of the built-in font comes out of FreeType the same whatever was loaded before
// it: the text code keeps the built-in face and its pixel size between calls, so glyphs follow
// glyphs of earlier calls, and sizes follow other sizes, where a face opened afresh would start
// clean. Every glyph at every size the firmware may use is loaded once in a face of its own (the
// reference), then all of them again in one kept face, in a scrambled order with the sizes
// revisited, comparing points, tags, contours and advance. Built against both FreeTypes; exits
// non-zero at the first difference.

#include "graphics/DefaultFontData.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cstdint>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

namespace
{

struct Glyph
{
    std::vector<long> numbers;
    bool loaded = false;

    bool operator==(const Glyph& other) const { return loaded == other.loaded && numbers == other.numbers; }
};

Glyph Load(FT_Face face, FT_UInt glyph)
{
    Glyph result;
    if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT) != 0)
    {
        return result;
    }
    result.loaded = true;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Outline& outline = slot->outline;
    result.numbers.push_back(slot->advance.x);
    result.numbers.push_back(slot->advance.y);
    for (int i = 0; i < outline.n_points; ++i)
    {
        result.numbers.push_back(outline.points[i].x);
        result.numbers.push_back(outline.points[i].y);
        result.numbers.push_back(outline.tags[i] & 3);
    }
    for (int i = 0; i < outline.n_contours; ++i)
    {
        result.numbers.push_back(outline.contours[i]);
    }
    return result;
}

bool Open(FT_Library library, FT_Face& face)
{
    return FT_New_Memory_Face(library, Velmora::DefaultFontData,
                              static_cast<FT_Long>(Velmora::DefaultFontDataSize), 0, &face) == 0;
}

} // namespace

int main()
{
    FT_Library library;
    FT_Face kept;
    if (FT_Init_FreeType(&library) != 0 || !Open(library, kept))
    {
        std::fprintf(stderr, "the built-in font does not open\n");
        return 1;
    }
    const FT_UInt glyphs = static_cast<FT_UInt>(kept->num_glyphs);
    // The sizes are revisited after others, the clock's 240 pixels most often.
    const FT_UInt sizes[] = {240, 20, 240, 8,  10, 12, 14, 16, 240, 18,  20,  24,  28, 32,
                             16,  36, 40,  48, 56, 64, 72, 96, 120, 160, 200, 240, 32, 20};
    // Loading the whole font unscaled first, as the text code does, changes nothing either.
    for (FT_UInt glyph = 0; glyph < glyphs; ++glyph)
    {
        FT_Load_Glyph(kept, glyph, FT_LOAD_NO_SCALE);
    }

    std::map<std::pair<FT_UInt, FT_UInt>, Glyph> reference;
    std::uint32_t random = 12345;
    unsigned compared = 0;
    for (const FT_UInt size : sizes)
    {
        if (FT_Set_Pixel_Sizes(kept, size, size) != 0)
        {
            std::fprintf(stderr, "size %u refused\n", size);
            return 1;
        }
        // Every glyph once, shuffled afresh for each visit of a size.
        std::vector<FT_UInt> order(glyphs);
        for (FT_UInt i = 0; i < glyphs; ++i)
        {
            order[i] = i;
        }
        for (FT_UInt i = glyphs; i > 1; --i)
        {
            random = random * 1103515245u + 12345u;
            std::swap(order[i - 1], order[(random >> 8) % i]);
        }
        for (const FT_UInt glyph : order)
        {
            const auto key = std::make_pair(size, glyph);
            if (reference.find(key) == reference.end())
            {
                FT_Face fresh;
                if (!Open(library, fresh) || FT_Set_Pixel_Sizes(fresh, size, size) != 0)
                {
                    std::fprintf(stderr, "a fresh face does not open\n");
                    return 1;
                }
                reference[key] = Load(fresh, glyph);
                FT_Done_Face(fresh);
            }
            if (!(Load(kept, glyph) == reference[key]))
            {
                std::printf("size %u glyph %u: differs after other glyphs\n", size, glyph);
                return 1;
            }
            ++compared;
        }
    }
    FT_Done_Face(kept);
    FT_Done_FreeType(library);
    std::printf("%u glyph loads alike\n", compared);
    return compared == glyphs * (sizeof sizes / sizeof sizes[0]) ? 0 : 1;
}
