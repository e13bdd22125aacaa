#include "graphics/PixelArea.h"

#include <algorithm>

namespace Velmora
{

PixelArea PixelArea::GetIntersection(const PixelArea& other) const
{
    const PixelArea empty(PixelPoint(0, 0), 0, 0);

    const int16_t left = std::max(GetLeft(), other.GetLeft());
    const int16_t right = std::min(static_cast<int16_t>(GetLeft() + GetWidth() - 1),
                                   static_cast<int16_t>(other.GetLeft() + other.GetWidth() - 1));
    if (right < left)
        return empty;

    const int16_t top = std::max(GetTop(), other.GetTop());
    const int16_t bottom = std::min(GetBottom(), other.GetBottom());
    if (bottom < top)
        return empty;

    return PixelArea(PixelPoint(left, top), static_cast<uint16_t>(right - left + 1),
                     static_cast<uint16_t>(bottom - top + 1));
}

} // namespace Velmora
