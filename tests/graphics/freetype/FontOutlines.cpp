// Prints every glyph of the built-in font as FreeType outlines it at the sizes the firmware may
// use, loaded as the font code loads them (pixel size, default hinting). Built twice: against the
// system's FreeType (what the host firmware uses) and against the FreeType the board builds; the
// two listings must be identical.

#include "graphics/DefaultFontData.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cstdint>
#include <cstdio>

namespace
{
std::uint32_t Mix(std::uint32_t hash, long value)
{
    const std::uint32_t v = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
    {
        hash = (hash ^ ((v >> shift) & 0xFF)) * 16777619u;
    }
    return hash;
}
}

int main()
{
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) != 0 ||
        FT_New_Memory_Face(library, Velmora::DefaultFontData, static_cast<FT_Long>(Velmora::DefaultFontDataSize), 0,
                           &face) != 0)
    {
        std::fprintf(stderr, "the built-in font does not open\n");
        return 1;
    }
    const unsigned sizes[] = {8, 10, 12, 14, 16, 18, 20, 24, 28, 32, 36, 40, 48, 56, 64, 72, 96, 120, 160, 200, 240};
    for (unsigned size : sizes)
    {
        if (FT_Set_Pixel_Sizes(face, size, size) != 0)
        {
            std::fprintf(stderr, "size %u refused\n", size);
            return 1;
        }
        for (FT_Long glyph = 0; glyph < face->num_glyphs; ++glyph)
        {
            if (FT_Load_Glyph(face, static_cast<FT_UInt>(glyph), FT_LOAD_DEFAULT) != 0)
            {
                std::printf("size %u glyph %ld: not loaded\n", size, glyph);
                continue;
            }
            const FT_GlyphSlot slot = face->glyph;
            const FT_Outline& outline = slot->outline;
            std::uint32_t hash = 2166136261u;
            for (int i = 0; i < outline.n_points; ++i)
            {
                hash = Mix(hash, outline.points[i].x);
                hash = Mix(hash, outline.points[i].y);
                hash = Mix(hash, outline.tags[i] & 3);
            }
            for (int i = 0; i < outline.n_contours; ++i)
            {
                hash = Mix(hash, outline.contours[i]);
            }
            std::printf("size %u glyph %ld: advance %ld,%ld points %d contours %d outline %08lx\n", size, glyph,
                        slot->advance.x, slot->advance.y, outline.n_points, outline.n_contours,
                        static_cast<unsigned long>(hash));
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return 0;
}
