#include "graphics/Color.h"
#include "graphics/Color565.h"
#include "graphics/Constants.h"
#include "graphics/Stroke.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Velmora;

namespace
{

uint16_t Blend(uint16_t destination, uint16_t source, uint8_t alpha)
{
    Color565 d(0, 0, 0);
    d.value = destination;
    Color565 s(0, 0, 0);
    s.value = source;
    d.AlphaBlend(s, alpha);
    return d.value;
}

} // namespace

TEST(Color565Test, ChannelsAreTruncated)
{
    EXPECT_EQ(Color565(255, 255, 255).value, 0xFFFF);
    EXPECT_EQ(Color565(34, 85, 34).value, 0x22A4);
    EXPECT_EQ(Color565(7, 3, 7).value, 0x0000);
    EXPECT_EQ(Color565(255, 0, 0).value, 0xF800);
    EXPECT_EQ(Color565(0, 255, 0).value, 0x07E0);
    EXPECT_EQ(Color565(0, 0, 255).value, 0x001F);
}

TEST(Color565Test, AlphaBlendOfWhiteOverBlack)
{
    EXPECT_EQ(Blend(0x0000, 0xFFFF, 127), 0x7BEF);
    EXPECT_EQ(Blend(0x0000, 0xFFFF, 128), 0x7BEF);
    EXPECT_EQ(Blend(0x0000, 0xFFFF, 200), 0xC638);
}

TEST(Color565Test, AlphaBlendIsExactAtBothEnds)
{
    // Every channel value of source and destination, so a carry between fields would show.
    const uint16_t samples[] = {0x0000, 0xFFFF, 0x1234, 0xF800, 0x07E0, 0x001F, 0x8410, 0x7BEF, 0xABCD, 0x0821};
    for (uint16_t d : samples)
    {
        for (uint16_t s : samples)
        {
            EXPECT_EQ(Blend(d, s, 0), d) << std::hex << d << " " << s;
            EXPECT_EQ(Blend(d, s, 255), s) << std::hex << d << " " << s;
        }
    }
}

TEST(Color565Test, AlphaBlendKeepsChannelsApart)
{
    // Pure red over pure green at half opacity: each channel halves, nothing leaks across.
    const uint16_t result = Blend(0x07E0, 0xF800, 128);
    EXPECT_EQ(result >> 11, 15); // 248 * 128 / 255 = 124, narrowed to 15
    EXPECT_EQ((result >> 5) & 0x3F, 31);
    EXPECT_EQ(result & 0x1F, 0);
}

TEST(ColorTest, PacksIntoThreeBytesAlphaFirst)
{
    Color colors[4] = {Color(255, 0, 0, 10), Color(0, 255, 0, 20), Color(0, 0, 255, 30), white};
    static_assert(sizeof(colors) == 12, "3 bytes a pixel");
    unsigned char bytes[12];
    std::memcpy(bytes, colors, sizeof(bytes));
    // alpha, then the RGB565 half-word in little-endian order
    const unsigned char expected[12] = {10, 0x00, 0xF8, 20, 0xE0, 0x07, 30, 0x1F, 0x00, 255, 0xFF, 0xFF};
    EXPECT_EQ(0, std::memcmp(bytes, expected, sizeof(bytes)));
    EXPECT_EQ(uint16_t(colors[2].rgb.value), 0x001F);
}

TEST(ColorTest, TransparentWhiteChangesNothing)
{
    EXPECT_EQ(Blend(0x1234, uint16_t(white0.rgb.value), white0.alpha), 0x1234);
}

TEST(ColorTest, NamedColoursConvertToThePanelFormat)
{
    // The 8-bit channels are cut to 5-6-5 bits: the low bits of each channel are dropped.
    EXPECT_EQ(uint16_t(veryDarkLimeGreen.rgb.value), 0x22A4);
    EXPECT_EQ(uint16_t(veryDarkBlue.rgb.value), 0x10CA);
    EXPECT_EQ(uint16_t(green.rgb.value), 0x07E0);
    EXPECT_EQ(uint16_t(white25.rgb.value), 0xFFFF);
}
