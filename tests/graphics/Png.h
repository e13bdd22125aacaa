#pragma once

// Reading and writing RGB565 images as 8-bit RGB PNG files for the golden-image tests. Channels
// are widened by bit replication so that a golden file shows the panel's true colours and
// converts back to the same RGB565 values.

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace Png
{

inline bool Write(const std::string& file, const std::vector<uint16_t>& pixels, unsigned width, unsigned height)
{
    FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr)
    {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(width * 3);
    for (unsigned y = 0; y < height; ++y)
    {
        for (unsigned x = 0; x < width; ++x)
        {
            const uint16_t v = pixels[y * width + x];
            const unsigned r = v >> 11, g = (v >> 5) & 0x3F, b = v & 0x1F;
            row[x * 3] = static_cast<uint8_t>((r << 3) | (r >> 2));
            row[x * 3 + 1] = static_cast<uint8_t>((g << 2) | (g >> 4));
            row[x * 3 + 2] = static_cast<uint8_t>((b << 3) | (b >> 2));
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(out);
    return true;
}

// An empty vector when the file is missing or not an 8-bit RGB image of the given size.
inline std::vector<uint16_t> Read(const std::string& file, unsigned width, unsigned height)
{
    std::vector<uint16_t> pixels;
    FILE* in = std::fopen(file.c_str(), "rb");
    if (in == nullptr)
    {
        return pixels;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(in);
        return {};
    }
    png_init_io(png, in);
    png_read_info(png, info);
    if (png_get_image_width(png, info) != width || png_get_image_height(png, info) != height ||
        png_get_bit_depth(png, info) != 8 || png_get_color_type(png, info) != PNG_COLOR_TYPE_RGB)
    {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(in);
        return {};
    }
    std::vector<uint8_t> row(width * 3);
    pixels.resize(static_cast<size_t>(width) * height);
    for (unsigned y = 0; y < height; ++y)
    {
        png_read_row(png, row.data(), nullptr);
        for (unsigned x = 0; x < width; ++x)
        {
            pixels[y * width + x] =
                static_cast<uint16_t>(((row[x * 3] >> 3) << 11) | ((row[x * 3 + 1] >> 2) << 5) | (row[x * 3 + 2] >> 3));
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(in);
    return pixels;
}

} // namespace Png
