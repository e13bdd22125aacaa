#pragma once

#include <cstdint>

namespace Velmora
{

// A pixel position: column and row, possibly negative for areas partly off the panel.
struct PixelPoint
{
    int16_t x;
    int16_t y;

    PixelPoint(int16_t x, int16_t y) : x(x), y(y) {}
    PixelPoint(const PixelPoint&) = default;
    PixelPoint& operator=(const PixelPoint&) = default;
};

} // namespace Velmora
