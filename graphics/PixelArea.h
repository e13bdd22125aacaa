#pragma once

#include "graphics/PixelPoint.h"

#include <algorithm>
#include <cstdint>

namespace Velmora
{

// A rectangle of pixels. It covers columns left .. left + width - 1 and rows top .. top + height - 1;
// a width or height of 0 is empty.
class PixelArea
{
public:
    PixelArea(const PixelPoint& topLeft, uint16_t width, uint16_t height)
        : m_topLeft(topLeft), m_width(width), m_height(height)
    {
    }
    PixelArea(const PixelArea&) = default;
    PixelArea& operator=(const PixelArea&) = default;

    int16_t GetLeft() const { return m_topLeft.x; }
    int16_t GetTop() const { return m_topLeft.y; }
    uint16_t GetWidth() const { return m_width; }
    uint16_t GetHeight() const { return m_height; }
    PixelPoint GetTopLeft() const { return m_topLeft; }

    // The last row; -1 for an empty area at row 0.
    int16_t GetBottom() const { return static_cast<int16_t>(m_topLeft.y + m_height - 1); }

    void SetTopLeft(const PixelPoint& topLeft) { m_topLeft = topLeft; }
    void SetWidth(uint16_t width) { m_width = width; }
    void SetHeight(uint16_t height) { m_height = height; }

    // The overlap of both areas, or exactly (0, 0, 0, 0) when there is none, so callers can
    // test emptiness by width or height alone. Defined here: the compositor and the change record
    // clip with it for every run, where a call costs as much as the clipping.
    PixelArea GetIntersection(const PixelArea& other) const
    {
        const int16_t left = std::max(GetLeft(), other.GetLeft());
        const int16_t right = std::min(static_cast<int16_t>(GetLeft() + GetWidth() - 1),
                                       static_cast<int16_t>(other.GetLeft() + other.GetWidth() - 1));
        const int16_t top = std::max(GetTop(), other.GetTop());
        const int16_t bottom = std::min(GetBottom(), other.GetBottom());
        if (right < left || bottom < top)
            return PixelArea(PixelPoint(0, 0), 0, 0);
        return PixelArea(PixelPoint(left, top), static_cast<uint16_t>(right - left + 1),
                         static_cast<uint16_t>(bottom - top + 1));
    }

private:
    PixelPoint m_topLeft;
    uint16_t m_width;
    uint16_t m_height;
};

} // namespace Velmora
