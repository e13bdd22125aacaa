#include "graphics/DefaultFont.h"
#include "graphics/DefaultFontData.h"
#include "graphics/FiniteStreamReader.h"
#include "graphics/FreeTypeHooks.h"
#include "graphics/PImpl/Path.h"
#include "graphics/PImpl/WholePixels.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>

extern "C" void* FT_User_Malloc(unsigned int size)
{
    return std::malloc(size);
}

extern "C" void FT_User_Free(void* block)
{
    std::free(block);
}

extern "C" void* FT_User_Realloc(void* block, unsigned int size)
{
    return std::realloc(block, size);
}

namespace
{

FT_Library m_library;
bool m_initialised = false;

// An exception raised inside a callback that FreeType called. FreeType is C: unwinding through
// it would skip its clean-up and leak the half-built face, so the callbacks park the exception
// here, report an error to FreeType, and the text builder rethrows it once FreeType has returned
// and the face is closed.
std::exception_ptr m_pending;

void RethrowPending()
{
    if (m_pending)
    {
        std::exception_ptr pending = m_pending;
        m_pending = nullptr;
        std::rethrow_exception(pending);
    }
}

unsigned long FT_User_Read(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count)
{
    // The reader's position is the only state the text call moves; the reader itself is the
    // caller's.
    auto& reader = *static_cast<Velmora::FiniteStreamReader*>(stream->descriptor.pointer);
    try
    {
        reader.Seek(static_cast<unsigned int>(offset));
        return reader.Read(buffer, static_cast<unsigned int>(count));
    }
    catch (...)
    {
        m_pending = std::current_exception();
        // A seek (count 0) fails with any non-zero value; a read fails by delivering nothing.
        return count == 0 ? 1 : 0;
    }
}

void FT_User_Close(FT_Stream) {}

// FreeType's 26.6 vector to a whole-pixel point, flipped to y-down.
Velmora::Point ToPoint(const FT_Vector* v)
{
    return Velmora::Point(PImpl::WholePixels(v->x), -PImpl::WholePixels(v->y));
}

template <typename Append> int Guarded(Append append)
{
    try
    {
        append();
        return 0;
    }
    catch (...)
    {
        m_pending = std::current_exception();
        return 1;
    }
}

int FT_MoveTo(const FT_Vector* to, void* user)
{
    return Guarded([&] { static_cast<PImpl::Path*>(user)->MoveTo(ToPoint(to)); });
}

int FT_LineTo(const FT_Vector* to, void* user)
{
    return Guarded([&] { static_cast<PImpl::Path*>(user)->LineTo(ToPoint(to)); });
}

int FT_ConicTo(const FT_Vector* control, const FT_Vector* to, void* user)
{
    return Guarded([&] { static_cast<PImpl::Path*>(user)->CurveTo(ToPoint(control), ToPoint(to)); });
}

int FT_CubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user)
{
    return Guarded(
        [&] { static_cast<PImpl::Path*>(user)->CurveTo(ToPoint(control1), ToPoint(control2), ToPoint(to)); });
}

const FT_Outline_Funcs m_outlineFunctions = {FT_MoveTo, FT_LineTo, FT_ConicTo, FT_CubicTo, 0, 0};

void ThrowOpenError(FT_Error opened)
{
    if (opened == FT_Err_Unknown_File_Format)
    {
        throw std::runtime_error("Font: Loading Typeface Failed: Unknown File Format");
    }
    char message[48];
    std::snprintf(message, sizeof(message), "Font: Loading Typeface Failed: %d", static_cast<int>(opened));
    throw std::runtime_error(message);
}

// The built-in font's face, opened once and kept with the pixel size it was last set to.
//
// Opening a face and preparing a size for hinting run the font program and the size's control-value
// program; for the built-in font at clock sizes those are nine tenths of a text call. Keeping the
// face gives the same outlines as opening it afresh because:
// - its bytes are constant data (the built-in font is read in place and nothing writes it), so the
//   face is read straight from them rather than through the shared stream;
// - setting a pixel size (on a new face or a kept one) marks the size for a fresh start, and the
//   next glyph then clears the interpreter's storage and twilight points, rescales the control
//   values from the font's and runs the control-value program again: the state a new face reaches;
//   the font program's functions, kept from the first time, are what running it again would define;
// - no glyph program of the built-in font leaves anything behind for the next glyph: none writes
//   the storage or a control value or reaches the twilight zone, and the graphics state is taken
//   afresh from the size for every glyph. So a glyph comes out the same after any other glyphs,
//   which is what keeping the size between calls relies on (graphics_freetype_GlyphsWithoutHistory
//   checks it for every glyph at every size, with both FreeType builds).
// The glyph slot's outline store grows to the largest glyph loaded and never shrinks. It is grown
// to its final size when the face is opened, so that the heap in use does not change with the text
// drawn later: every glyph is loaded once unscaled (no hinting runs), and the composite glyph with
// the most points once hinted, with the first pixel size (hinting a composite glyph needs room for
// a few points more).
struct BuiltInFace
{
    FT_Face face = nullptr;
    // The pixel size the face is set to; none while unset, or after setting it failed.
    bool sized = false;
    FT_UInt pixels = 0;
    // The composite glyph still to be loaded hinted, if any.
    bool growPending = false;
    FT_UInt largestComposite = 0;
};

BuiltInFace m_builtIn;

// The built-in font's glyph outlines as loading leaves them in the glyph slot (scaled, hinted, not
// yet moved), by pixel size and character, so that text drawn again (the clock's digits every
// minute) skips the glyph loader and its hinting. A kept outline is the one loading gives again:
// loading depends on the character and the pixel size alone, as no glyph leaves anything behind
// for the next one (see BuiltInFace), and what the text builder then does to the points it does to
// a copy. The store is taken whole the first time, so the heap in use does not follow the text
// drawn; a glyph too large for an entry is loaded every time, and entries are reused in turn.
class KeptGlyphs
{
public:
    // The outline kept for the character at that size, with the points copied to a scratch store
    // the caller may change; false if none is kept.
    bool Find(FT_UInt pixels, char32_t character, FT_Outline& outline, FT_Vector& advance)
    {
        for (unsigned i = 0; i < entryCount; ++i)
        {
            const Entry& entry = m_entries[i];
            if (entry.used && entry.pixels == pixels && entry.character == character)
            {
                FT_Vector* scratch = m_points + entryCount * pointCapacity;
                std::copy(m_points + i * pointCapacity, m_points + i * pointCapacity + entry.points, scratch);
                outline.n_contours = entry.contours;
                outline.n_points = entry.points;
                outline.points = scratch;
                outline.tags = m_tags + i * pointCapacity;
                outline.contours = m_contours + i * contourCapacity;
                outline.flags = entry.flags;
                advance = entry.advance;
                return true;
            }
        }
        return false;
    }

    // Keeps the outline and advance just loaded for the character at that size, if they fit.
    void Keep(FT_UInt pixels, char32_t character, const FT_GlyphSlot slot)
    {
        const FT_Outline& outline = slot->outline;
        if (outline.n_points < 0 || outline.n_points > static_cast<short>(pointCapacity) || outline.n_contours < 0 ||
            outline.n_contours > static_cast<short>(contourCapacity))
        {
            return;
        }
        Reserve();
        const unsigned i = m_next;
        m_next = (m_next + 1) % entryCount;
        Entry& entry = m_entries[i];
        entry.used = true;
        entry.pixels = pixels;
        entry.character = character;
        entry.points = outline.n_points;
        entry.contours = outline.n_contours;
        entry.flags = outline.flags;
        entry.advance = slot->advance;
        std::copy(outline.points, outline.points + outline.n_points, m_points + i * pointCapacity);
        std::copy(outline.tags, outline.tags + outline.n_points, m_tags + i * pointCapacity);
        std::copy(outline.contours, outline.contours + outline.n_contours, m_contours + i * contourCapacity);
    }

    // Takes the store, so that it is in use from the first text on.
    void Reserve()
    {
        if (m_points == nullptr)
        {
            // One entry's points more, as the scratch store for the copy Find hands out.
            m_points = new FT_Vector[(entryCount + 1) * pointCapacity];
            m_tags = new char[entryCount * pointCapacity];
            m_contours = new short[entryCount * contourCapacity];
        }
    }

private:
    // Enough for the clock's digits and colon at two sizes, and the texts of a page besides.
    static constexpr unsigned entryCount = 32;
    static constexpr unsigned pointCapacity = 96;
    static constexpr unsigned contourCapacity = 8;

    struct Entry
    {
        bool used = false;
        FT_UInt pixels = 0;
        char32_t character = 0;
        short points = 0;
        short contours = 0;
        int flags = 0;
        FT_Vector advance = {0, 0};
    };

    Entry m_entries[entryCount];
    unsigned m_next = 0;
    FT_Vector* m_points = nullptr;
    char* m_tags = nullptr;
    short* m_contours = nullptr;
};

KeptGlyphs m_keptGlyphs;

FT_Face OpenBuiltInFace()
{
    if (m_builtIn.face == nullptr)
    {
        FT_Face face = nullptr;
        const FT_Error opened =
            FT_New_Memory_Face(m_library, Velmora::DefaultFontData,
                               static_cast<FT_Long>(Velmora::DefaultFontDataSize), 0, &face);
        if (opened != 0)
        {
            ThrowOpenError(opened);
        }
        short mostPoints = -1;
        for (FT_Long glyph = 0; glyph < face->num_glyphs; ++glyph)
        {
            const auto index = static_cast<FT_UInt>(glyph);
            if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_RECURSE) == 0 &&
                face->glyph->format == FT_GLYPH_FORMAT_COMPOSITE &&
                FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE) == 0 &&
                face->glyph->outline.n_points > mostPoints)
            {
                mostPoints = face->glyph->outline.n_points;
                m_builtIn.largestComposite = index;
                m_builtIn.growPending = true;
            }
        }
        m_keptGlyphs.Reserve();
        m_builtIn.face = face;
        m_builtIn.sized = false;
    }
    return m_builtIn.face;
}

} // namespace

namespace PImpl
{

Path Path::Text(const Velmora::Point& origin, const Velmora::FiniteStreamReader& font,
                const std::u32string& text, float size, float angle)
{
    if (!m_initialised)
    {
        if (FT_Init_FreeType(&m_library) != 0)
        {
            throw std::runtime_error("Font: Initialization Failed");
        }
        m_initialised = true;
    }

    m_pending = nullptr;
    // The built-in font's face is kept (see BuiltInFace); any other font is opened afresh for every
    // call, since nothing says its bytes stay as they were.
    const bool builtIn = &font == &Velmora::DefaultFont::GetInstance();
    FT_StreamRec stream{};
    FT_Face face = nullptr;
    if (builtIn)
    {
        face = OpenBuiltInFace();
    }
    else
    {
        stream.base = nullptr;
        stream.size = font.GetSize();
        stream.pos = 0;
        stream.descriptor.pointer = const_cast<Velmora::FiniteStreamReader*>(&font);
        stream.read = FT_User_Read;
        stream.close = FT_User_Close;

        FT_Open_Args args{};
        args.flags = FT_OPEN_STREAM;
        args.stream = &stream;

        const FT_Error opened = FT_Open_Face(m_library, &args, 0, &face);
        if (m_pending && opened == 0)
        {
            FT_Done_Face(face);
        }
        RethrowPending();
        if (opened != 0)
        {
            ThrowOpenError(opened);
        }
    }
    // Closes the face unless it is the kept one.
    const auto done = [&]
    {
        if (!builtIn)
        {
            FT_Done_Face(face);
        }
    };

    // Negative or huge sizes would not convert to an unsigned pixel count; FreeType takes at most
    // 65535 pixels anyway.
    double rounded = std::round(static_cast<double>(size));
    rounded = rounded >= 0.0 ? std::min(rounded, 65535.0) : 0.0; // NaN too
    const auto pixels = static_cast<FT_UInt>(rounded);
    if (!builtIn || !m_builtIn.sized || m_builtIn.pixels != pixels)
    {
        if (builtIn)
        {
            m_builtIn.sized = false;
        }
        if (FT_Set_Pixel_Sizes(face, pixels, pixels) != 0)
        {
            done();
            m_pending = nullptr;
            throw std::runtime_error("Font: Set Character Size Failed");
        }
        if (builtIn)
        {
            m_builtIn.sized = true;
            m_builtIn.pixels = pixels;
            if (m_builtIn.growPending)
            {
                // Outlines are as without this load: glyphs leave nothing behind for the next one.
                m_builtIn.growPending = false;
                FT_Load_Glyph(face, m_builtIn.largestComposite, FT_LOAD_DEFAULT);
            }
        }
    }

    // Origin in 26.6 fixed point; the turn as a 16.16 matrix, negated because FreeType's y axis
    // points up while a positive angle turns clockwise on the y-down screen.
    const FT_Pos ox = std::lround(static_cast<double>(origin.x) * 64.0);
    const FT_Pos oy = std::lround(static_cast<double>(origin.y) * 64.0);
    const float a = -(angle * 3.1415927f / 180.0f);
    const float cosine = static_cast<float>(std::cos(static_cast<double>(a)));
    const float sine = static_cast<float>(std::sin(static_cast<double>(a)));
    FT_Matrix matrix;
    matrix.xx = std::lround(cosine * 65536.0f);
    matrix.xy = std::lround(-sine * 65536.0f);
    matrix.yx = std::lround(sine * 65536.0f);
    matrix.yy = matrix.xx;
    // Unturned text skips the turn about the origin: the unit matrix leaves every point as it is
    // (a 16.16 product by 1.0 is exact), so moving to the origin and back leaves them as they were
    // too, even where the 32-bit sums would wrap.
    const bool straight = matrix.xx == 0x10000 && matrix.xy == 0 && matrix.yx == 0;

    Path path;
    FT_Pos px = ox;
    FT_Pos py = oy;
    for (const char32_t c : text)
    {
        // A character the font cannot load is left out, without advancing; one outside the
        // character map still loads glyph 0, the missing-glyph box.
        FT_Outline outline;
        FT_Vector advance;
        if (!builtIn || !m_keptGlyphs.Find(pixels, c, outline, advance))
        {
            if (FT_Load_Char(face, c, FT_LOAD_DEFAULT) != 0)
            {
                if (m_pending)
                {
                    break;
                }
                continue;
            }
            if (builtIn)
            {
                m_keptGlyphs.Keep(pixels, c, face->glyph);
            }
            // The slot's points are changed in place; they are reloaded for the next character.
            outline = face->glyph->outline;
            advance = face->glyph->advance;
        }
        FT_Outline_Translate(&outline, px, -py);
        if (!straight)
        {
            FT_Outline_Translate(&outline, -ox, oy);
            FT_Outline_Transform(&outline, &matrix);
            FT_Outline_Translate(&outline, ox, -oy);
        }
        if (FT_Outline_Decompose(&outline, &m_outlineFunctions, &path) != 0 && m_pending)
        {
            break;
        }
        // The advance is not turned: each glyph is set on the straight line and the turn about
        // the origin carries it to its place.
        px += advance.x;
        py += advance.y;
    }

    done();
    RethrowPending();
    return path;
}

} // namespace PImpl
