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
