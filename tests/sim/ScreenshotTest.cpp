#include "sim/Screenshot.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <unistd.h>

TEST(ScreenshotTest, Rgb565WidensByBitReplication)
{
    const uint16_t pixels[4] = {0xFFFF, 0x0000, 0xF800, 0x0821};
    const Sim::Image image = Sim::FromRgb565(pixels, 2, 2);
    ASSERT_EQ(image.rgb.size(), 12u);
    EXPECT_EQ(image.rgb[0], 255);
    EXPECT_EQ(image.rgb[4], 0);
    EXPECT_EQ(image.rgb[6], 255); // red 31
    EXPECT_EQ(image.rgb[7], 0);
    // 0x0821: red 1, green 1, blue 1 -> 8, 4, 8 plus the replicated high bits (0)
    EXPECT_EQ(image.rgb[9], 8);
    EXPECT_EQ(image.rgb[10], 4);
    EXPECT_EQ(image.rgb[11], 8);
}

TEST(ScreenshotTest, PngFilesRoundTrip)
{
    std::vector<uint16_t> pixels(37 * 11);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint16_t>(i * 2654435761u >> 7);
    const Sim::Image image = Sim::FromRgb565(pixels.data(), 37, 11);
    const std::string path = "screenshot-test-" + std::to_string(getpid()) + ".png";
    Sim::WritePng(image, path);
    const Sim::Image read = Sim::ReadPng(path);
    std::remove(path.c_str());
    EXPECT_EQ(read.width, 37u);
    EXPECT_EQ(read.height, 11u);
    EXPECT_TRUE(read == image);

    EXPECT_THROW(Sim::ReadPng("no/such/file.png"), std::runtime_error);
    EXPECT_THROW(Sim::WritePng(image, "no/such/dir/file.png"), std::runtime_error);
}
