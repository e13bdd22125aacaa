// Screenshots of the panel as a person sees it, and their PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Sim
{

class SSD1963;

// An 8-bit RGB picture, 3 bytes a pixel, row-major.
struct Image
{
    unsigned width = 0;
    unsigned height = 0;
    std::vector<uint8_t> rgb;

    bool operator==(const Image& other) const
    {
        return width == other.width && height == other.height && rgb == other.rgb;
    }
    bool operator!=(const Image& other) const { return !(*this == other); }
};

// What the panel shows right now: its scanned-out picture, black while the display is off or
// not driven, scaled by the backlight duty.
Image TakeScreenshot(SSD1963& panel);

// An RGB565 picture widened the way the panel widens it (low bits repeat the high bits), at
// full brightness: what a screenshot of those pixels on a fully lit panel must equal.
Image FromRgb565(const uint16_t* pixels, unsigned width, unsigned height);

// PNG files, 8-bit RGB. Both throw std::runtime_error naming the file when it fails.
void WritePng(const Image& image, const std::string& path);
Image ReadPng(const std::string& path);

} // namespace Sim
