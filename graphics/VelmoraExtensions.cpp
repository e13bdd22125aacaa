#include "graphics/VelmoraExtensions.h"

#include <algorithm>
#include <cmath>

namespace Velmora
{

PixelArea ToPixelArea(const Area& area)
{
    // Out-of-range values saturate instead of wrapping: no caller produces them, but a wrapped
    // size would turn a small mistake into a full-screen redraw.
    const auto position = [](float v) {
        return static_cast<int16_t>(std::clamp(std::round(static_cast<double>(v)), -32768.0, 32767.0));
    };
    const auto size = [](float v) {
        return static_cast<uint16_t>(std::clamp(std::round(static_cast<double>(v)), 0.0, 65535.0));
    };
    return PixelArea(PixelPoint(position(area.GetLeft()), position(area.GetTop())), size(area.GetWidth()),
                     size(area.GetHeight()));
}

Area ToArea(const PixelArea& area)
{
    return Area(Point(static_cast<float>(area.GetLeft()), static_cast<float>(area.GetTop())),
                static_cast<float>(area.GetWidth()), static_cast<float>(area.GetHeight()));
}

} // namespace Velmora

#include <utf8.h>

#include <cstdio>
#include <iterator>

namespace Velmora
{

std::u32string ToUTF32(const std::string& text)
{
    std::u32string result;
    utf8::utf8to32(text.begin(), text.end(), std::back_inserter(result));
    return result;
}

std::string ToString(int value)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%d", value);
    return text;
}

std::string ToString(unsigned int value)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%u", value);
    return text;
}

std::string ToString(unsigned long value)
{
    // 16 characters hold any 32-bit value (the board's); the host's 64-bit values need 21.
    char text[sizeof(unsigned long) > 4 ? 24 : 16];
    std::snprintf(text, sizeof(text), "%lu", value);
    return text;
}

} // namespace Velmora
