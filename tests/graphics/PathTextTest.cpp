#include "graphics/DefaultFont.h"
#include "graphics/DefaultFontData.h"
#include "graphics/MemoryStream.h"
#include "graphics/PImpl/Path.h"
#include "graphics/PImpl/WholePixels.h"
#include "graphics/Path.h"
#include "graphics/VelmoraExtensions.h"

#include <gtest/gtest.h>
#include <utf8.h>

#if defined(__SANITIZE_ADDRESS__)
// The address sanitiser's count of the bytes allocated and not yet freed.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Velmora;

namespace
{

struct Bounds
{
    float left = 1e9f;
    float top = 1e9f;
    float right = -1e9f;
    float bottom = -1e9f;
    unsigned vertices = 0;
    unsigned contours = 0;
};

Bounds Measure(const PImpl::Path& path)
{
    Bounds b;
    for (unsigned i = 0; i < path.GetVertexCount(); ++i)
    {
        float x = 0;
        float y = 0;
        const unsigned command = path.GetVertex(i, x, y);
        b.contours += command == 1 ? 1 : 0;
        b.left = std::min(b.left, x);
        b.right = std::max(b.right, x);
        b.top = std::min(b.top, y);
        b.bottom = std::max(b.bottom, y);
        ++b.vertices;
    }
    return b;
}

PImpl::Path Text(const std::u32string& text, float x = 10, float y = 50, float size = 20, float angle = 0)
{
    return PImpl::Path::Text(Point(x, y), DefaultFont::GetInstance(), text, size, angle);
}

std::string ErrorOf(FiniteStreamReader& font)
{
    try
    {
        PImpl::Path::Text(Point(0, 0), font, U"Hi", 20, 0);
    }
    catch (const std::runtime_error& e)
    {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(MemoryStreamTest, ReadsAndSeeksWithinBounds)
{
    unsigned char bytes[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    MemoryStream stream(bytes, sizeof(bytes));
    EXPECT_EQ(stream.GetSize(), 10u);
    stream.Seek(9);
    EXPECT_EQ(stream.GetCurrentPosition(), 9u);
    EXPECT_THROW(stream.Seek(10), std::runtime_error);
    EXPECT_EQ(stream.GetCurrentPosition(), 9u);
    try
    {
        stream.Seek(11);
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_STREQ(e.what(), "MemoryStream: Can't seek beyond the bounds of the buffer");
    }

    stream.Seek(4);
    unsigned char out[100] = {};
    EXPECT_EQ(stream.Read(out, 100), 6u);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(out[5], 9);
    EXPECT_EQ(stream.GetCurrentPosition(), 10u);
    EXPECT_EQ(stream.Read(out, 100), 0u);
}

TEST(DefaultFontTest, IsTheReducedTrueTypeFile)
{
    MemoryStream& font = DefaultFont::GetInstance();
    EXPECT_EQ(&font, &DefaultFont::GetInstance());
    EXPECT_EQ(font.GetSize(), DefaultFontDataSize);
    // A TrueType outline font starts with version 1.0.
    EXPECT_EQ(DefaultFontData[0], 0x00);
    EXPECT_EQ(DefaultFontData[1], 0x01);
    EXPECT_EQ(DefaultFontData[2], 0x00);
    EXPECT_EQ(DefaultFontData[3], 0x00);
}

TEST(PathTextTest, GlyphsSitOnWholePixelsAlongTheBaseline)
{
    const PImpl::Path hi = Text(U"Hi");
    const PImpl::Path h = Text(U"H");
    ASSERT_GT(h.GetVertexCount(), 0u);
    ASSERT_GT(hi.GetVertexCount(), h.GetVertexCount());
    for (unsigned i = 0; i < hi.GetVertexCount(); ++i)
    {
        float x = 0;
        float y = 0;
        hi.GetVertex(i, x, y);
        EXPECT_EQ(x, std::round(x));
        EXPECT_EQ(y, std::round(y));
        EXPECT_LE(y, 50.0f); // neither letter descends
    }
    // The H's first vertices are shared; the i starts one H advance (1540 of 2048 units, about
    // 15 pixels at size 20) to the right of the H's origin.
    const Bounds hBounds = Measure(h);
    EXPECT_EQ(hBounds.bottom, 50.0f);
    EXPECT_NEAR(hBounds.top, 50.0f - 1493.0f * 20 / 2048, 1.0f);
    const Bounds i = Measure(Text(U"i", 25));
    float x = 0;
    float y = 0;
    float ix = 0;
    float iy = 0;
    hi.GetVertex(h.GetVertexCount(), x, y);
    Text(U"i", 25).GetVertex(0, ix, iy);
    EXPECT_EQ(x, ix);
    EXPECT_EQ(y, iy);
    EXPECT_GT(i.left, hBounds.right);
}

TEST(PathTextTest, AQuarterTurnRunsTheLineDownwards)
{
    const Bounds turned = Measure(Text(U"HHHH", 100, 100, 20, 90));
    const Bounds straight = Measure(Text(U"HHHH", 100, 100, 20, 0));
    EXPECT_GT(turned.bottom - turned.top, 50.0f);
    EXPECT_LT(turned.right - turned.left, 20.0f);
    EXPECT_GE(turned.top, 100.0f);  // clockwise: the line leaves the origin downwards
    EXPECT_GE(turned.left, 100.0f); // and the letters, turned with it, rise to the right of it
    EXPECT_NEAR(turned.bottom - turned.top, straight.right - straight.left, 1.0f);
    const PImpl::Path path = Text(U"HHHH", 100, 100, 20, 90);
    for (unsigned k = 0; k < path.GetVertexCount(); ++k)
    {
        float x = 0;
        float y = 0;
        path.GetVertex(k, x, y);
        EXPECT_EQ(x, std::round(x));
        EXPECT_EQ(y, std::round(y));
    }
}

TEST(PathTextTest, CharacterOutsideTheMapDrawsTheMissingGlyphAndAdvances)
{
    const Bounds missing = Measure(Text(U"\u0416"));
    EXPECT_GT(missing.vertices, 0u);
    EXPECT_GT(missing.right - missing.left, 5.0f);
    // Every character the map lacks looks the same: the box of glyph 0.
    const Bounds other = Measure(Text(U"\u4E2D"));
    EXPECT_EQ(missing.vertices, other.vertices);
    EXPECT_EQ(missing.left, other.left);
    EXPECT_EQ(missing.top, other.top);
    // And the pen moved on: an H after it starts further right than an H alone.
    const Bounds after = Measure(Text(U"\u0416H"));
    const Bounds alone = Measure(Text(U"H"));
    EXPECT_GT(after.right, alone.right + 5.0f);
}

TEST(PathTextTest, EmptyTextIsAnEmptyPathButStillOpensTheFont)
{
    EXPECT_EQ(Text(U"").GetVertexCount(), 0u);
    unsigned char junk[16] = {};
    MemoryStream notAFont(junk, sizeof(junk));
    EXPECT_THROW(PImpl::Path::Text(Point(0, 0), notAFont, U"", 20, 0), std::runtime_error);
}

TEST(PathTextTest, FontErrorsCarryTheirMessages)
{
    std::vector<unsigned char> text(4096, 'a');
    MemoryStream notAFont(text.data(), static_cast<unsigned>(text.size()));
    EXPECT_EQ(ErrorOf(notAFont), "Font: Loading Typeface Failed: Unknown File Format");

    // Too short for FreeType to tell what it is: another open error, given by number.
    unsigned char tiny[4] = {};
    MemoryStream tooShort(tiny, sizeof(tiny));
    const std::string message = ErrorOf(tooShort);
    const std::string prefix = "Font: Loading Typeface Failed: ";
    ASSERT_EQ(message.compare(0, prefix.size(), prefix), 0) << message;
    const std::string number = message.substr(prefix.size());
    ASSERT_FALSE(number.empty());
    EXPECT_EQ(number.find_first_not_of("0123456789"), std::string::npos) << message;
    EXPECT_NE(number, "2");

    // A font cut short: its table directory points beyond the data.
    std::vector<unsigned char> cut(DefaultFontData, DefaultFontData + 1000);
    MemoryStream truncated(cut.data(), static_cast<unsigned>(cut.size()));
    EXPECT_NE(ErrorOf(truncated), "no error");

    // Sizes that do not convert to a pixel count are clamped rather than converted blindly.
    EXPECT_NO_THROW(Text(U"H", 10, 50, -5.0f));
    EXPECT_NO_THROW(Text(U"H", 10, 50, std::nanf("")));

    // The default font is still usable afterwards.
    EXPECT_GT(Text(U"x").GetVertexCount(), 0u);
}

namespace
{

// A reader whose data is a good font but which fails any seek past a limit, as a store with a
// read error would: the failure must reach the caller as the reader's own exception.
class FailingReader : public FiniteStreamReader
{
public:
    explicit FailingReader(unsigned int limit)
        : m_stream(DefaultFontData, DefaultFontDataSize), m_limit(limit)
    {
    }
    unsigned int Read(void* buffer, unsigned int count) override { return m_stream.Read(buffer, count); }
    unsigned int GetCurrentPosition() override { return m_stream.GetCurrentPosition(); }
    void Seek(unsigned int position) override
    {
        if (position > m_limit)
        {
            throw std::out_of_range("store read error");
        }
        m_stream.Seek(position);
    }
    unsigned int GetSize() const override { return m_stream.GetSize(); }

private:
    MemoryStream m_stream;
    unsigned int m_limit;
};

} // namespace

TEST(PathTextTest, ReaderExceptionsReachTheCaller)
{
    for (unsigned int limit : {0u, 100u, 2000u, DefaultFontDataSize / 2})
    {
        FailingReader reader(limit);
        EXPECT_THROW(PImpl::Path::Text(Point(0, 0), reader, U"Hello", 20, 0), std::out_of_range) << limit;
    }
    FailingReader fine(DefaultFontDataSize);
    EXPECT_GT(PImpl::Path::Text(Point(0, 0), fine, U"Hello", 20, 0).GetVertexCount(), 0u);
}

TEST(PathTextTest, PublicTextDecodesUtf8First)
{
    const Path path = Path::Text(Point(10, 50), DefaultFont::GetInstance(), "H\xC3\xA9", 20, 0);
    EXPECT_EQ(path.GetPImpl().GetVertexCount(), Text(U"H\u00E9").GetVertexCount());
    EXPECT_THROW(Path::Text(Point(0, 0), DefaultFont::GetInstance(), "ab\xC3", 20, 0), utf8::not_enough_room);
}

TEST(ToUTF32Test, DecodesAndRejectsMalformedInput)
{
    EXPECT_EQ(ToUTF32(""), U"");
    EXPECT_EQ(ToUTF32("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), U"A\u00E9\u20AC\U0001F600");
    EXPECT_THROW(ToUTF32("abc\xC3"), utf8::not_enough_room);
    EXPECT_THROW(ToUTF32("\xED\xA0\x80"), utf8::invalid_code_point);
    EXPECT_THROW(ToUTF32("\xF4\x90\x80\x80"), utf8::invalid_code_point);
    EXPECT_THROW(ToUTF32("\x80"), utf8::invalid_utf8);
    EXPECT_THROW(ToUTF32("\xC3\x28"), utf8::invalid_utf8);
    EXPECT_THROW(ToUTF32("\xC0\xAF"), utf8::invalid_utf8);
}

TEST(ToStringTest, FormatsDecimal)
{
    EXPECT_EQ(ToString(-2147483647 - 1), "-2147483648");
    EXPECT_EQ(ToString(0u), "0");
    EXPECT_EQ(ToString(4294967295u), "4294967295");
    EXPECT_EQ(ToString(123456789ul), "123456789");
}

namespace
{

// The vertex stream of a path, bit for bit.
std::vector<uint32_t> Vertices(const PImpl::Path& path)
{
    std::vector<uint32_t> words;
    for (unsigned i = 0; i < path.GetVertexCount(); ++i)
    {
        float x = 0;
        float y = 0;
        words.push_back(path.GetVertex(i, x, y));
        uint32_t bits[2];
        std::memcpy(&bits[0], &x, sizeof x);
        std::memcpy(&bits[1], &y, sizeof y);
        words.insert(words.end(), bits, bits + 2);
    }
    return words;
}

} // namespace

// The built-in font's face is kept from call to call, with the last pixel size; any other reader
// gets a face of its own each time. A reader of its own over the same bytes is the unoptimised path:
// both must give the same outlines, whatever came before, at changing and repeated sizes.
TEST(PathTextTest, KeptBuiltInFaceGivesTheOutlinesOfAFreshOne)
{
    MemoryStream fresh(DefaultFontData, DefaultFontDataSize);
    std::u32string characters;
    for (char32_t c = 0x20; c < 0x7F; ++c)
    {
        characters += c;
    }
    characters += U"\u00E4\u00F6\u00FC\u00DF\u00E9\u00B0\u00B1\u00BD\u00C5\u00FF\u0416";
    uint32_t random = 99;
    const auto next = [&random](uint32_t n)
    {
        random = random * 1664525u + 1013904223u;
        return (random >> 8) % n;
    };
    const float sizes[] = {240, 240, 20, 16, 32, 240, 8.4f, 28, 72, 19.6f, 240};
    for (unsigned round = 0; round < 60; ++round)
    {
        std::u32string text;
        const unsigned length = next(6);
        for (unsigned k = 0; k < length; ++k)
        {
            text += characters[next(static_cast<uint32_t>(characters.size()))];
        }
        const float size = sizes[next(sizeof sizes / sizeof sizes[0])];
        const Point origin(static_cast<float>(next(4000)) / 8.0f - 100.0f,
                           static_cast<float>(next(4000)) / 8.0f);
        const float angle = next(4) == 0 ? static_cast<float>(next(360)) : 0.0f;
        const PImpl::Path kept = PImpl::Path::Text(origin, DefaultFont::GetInstance(), text, size, angle);
        const PImpl::Path opened = PImpl::Path::Text(origin, fresh, text, size, angle);
        ASSERT_EQ(Vertices(kept), Vertices(opened)) << round << " size " << size;
    }
    // The clock's strings after one another, as the main page draws them.
    for (const std::u32string text : {U"10", U"07", U"10", U"08", U":", U"12", U"35", U"11", U"11"})
    {
        const PImpl::Path kept = PImpl::Path::Text(Point(0, 0), DefaultFont::GetInstance(), text, 240, 0);
        EXPECT_EQ(Vertices(kept), Vertices(PImpl::Path::Text(Point(0, 0), fresh, text, 240, 0)));
    }
}

// Keeping the face must not make the heap in use follow the text drawn: it is taken whole the
// first time (the face, and its glyph store grown to the largest glyph at once).
TEST(PathTextTest, KeptBuiltInFaceTakesItsMemoryOnce)
{
#if defined(__SANITIZE_ADDRESS__)
    std::u32string all = U"\u0131\u02C6\u02DA\u02DC\u2044\u2074\u0416";
    for (char32_t c = 0x20; c < 0x100; ++c)
    {
        all += c;
    }
    Text(U"x", 0, 0, 20);
    const size_t before = __sanitizer_get_current_allocated_bytes();
    for (const float size : {8.0f, 20.0f, 240.0f, 96.0f})
    {
        Text(all, 0, 0, size);
    }
    EXPECT_EQ(__sanitizer_get_current_allocated_bytes(), before);
#else
    GTEST_SKIP() << "the heap in use is read through the address sanitiser";
#endif
}

// Glyph points are rounded to whole pixels in integers: the same floats, bit for bit (signed zeros
// included), as the steps in single and double precision, for every 26.6 number up to 2^21 and
// samples up to the limits of the type.
TEST(PathTextTest, WholePixelsAreTheFloatStepsRounded)
{
    const auto reference = [](long v)
    { return static_cast<float>(std::round(static_cast<double>(static_cast<float>(v) * 0.015625f))); };
    const auto same = [&](long v)
    {
        const float expected = reference(v);
        const float actual = PImpl::WholePixels(v);
        return std::memcmp(&expected, &actual, sizeof expected) == 0;
    };
    for (long v = -(1L << 21); v <= (1L << 21); ++v)
    {
        ASSERT_TRUE(same(v)) << v;
    }
    uint32_t random = 7;
    for (int i = 0; i < 200000; ++i)
    {
        random = random * 1664525u + 1013904223u;
        const long v = static_cast<long>(static_cast<int32_t>(random)) >> (random % 16);
        ASSERT_TRUE(same(v)) << v;
        ASSERT_TRUE(same((1L << 24) - 64 + static_cast<long>(random % 128))) << v;
        ASSERT_TRUE(same(-(1L << 24) - 64 + static_cast<long>(random % 128))) << v;
    }
    for (const long v : {std::numeric_limits<long>::min(), std::numeric_limits<long>::max(), -1L, 0L, 1L, 31L, 32L, -32L, -33L})
    {
        ASSERT_TRUE(same(v)) << v;
    }
}
