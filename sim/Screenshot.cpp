#include "sim/Screenshot.h"

#include "sim/devices/SSD1963.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace Sim
{

namespace
{

struct FileCloser
{
    void operator()(FILE* file) const { std::fclose(file); }
};

} // namespace

Image TakeScreenshot(SSD1963& panel)
{
    Image image;
    image.width = SSD1963::frameWidth;
    image.height = SSD1963::frameHeight;
    image.rgb = panel.GetVisibleImage();
    return image;
}

Image FromRgb565(const uint16_t* pixels, unsigned width, unsigned height)
{
    Image image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i)
    {
        const unsigned v = pixels[i];
        const unsigned r = v >> 11, g = (v >> 5) & 0x3F, b = v & 0x1F;
        image.rgb[i * 3] = static_cast<uint8_t>((r << 3) | (r >> 2));
        image.rgb[i * 3 + 1] = static_cast<uint8_t>((g << 2) | (g >> 4));
        image.rgb[i * 3 + 2] = static_cast<uint8_t>((b << 3) | (b >> 2));
    }
    return image;
}

void WritePng(const Image& image, const std::string& path)
{
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        throw std::runtime_error("Screenshot: cannot create " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info)
    {
        png_destroy_write_struct(&png, nullptr);
        throw std::runtime_error("Screenshot: cannot write " + path);
    }
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("Screenshot: cannot write " + path);
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (unsigned y = 0; y < image.height; ++y)
        png_write_row(png, image.rgb.data() + static_cast<size_t>(y) * image.width * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}

Image ReadPng(const std::string& path)
{
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw std::runtime_error("Screenshot: cannot open " + path);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info)
    {
        png_destroy_read_struct(&png, nullptr, nullptr);
        throw std::runtime_error("Screenshot: cannot read " + path);
    }
    Image image;
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_read_struct(&png, &info, nullptr);
        throw std::runtime_error("Screenshot: cannot read " + path);
    }
    png_init_io(png, file.get());
    png_read_info(png, info);
    // Whatever the file holds, hand back 8-bit RGB.
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_palette_to_rgb(png);
    png_set_gray_to_rgb(png);
    png_set_expand_gray_1_2_4_to_8(png);
    png_read_update_info(png, info);
    image.width = png_get_image_width(png, info);
    image.height = png_get_image_height(png, info);
    image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
    for (unsigned y = 0; y < image.height; ++y)
        png_read_row(png, image.rgb.data() + static_cast<size_t>(y) * image.width * 3, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return image;
}

} // namespace Sim
