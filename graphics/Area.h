#pragma once

#include "graphics/Point.h"

namespace Velmora
{

// A rectangle in the drawing world. Right and bottom are edges (left + width, top + height),
// not last pixels.
class Area
{
public:
    Area(const Point& topLeft, float width, float height) : m_topLeft(topLeft), m_width(width), m_height(height) {}
    Area(const Area&) = default;
    Area& operator=(const Area&) = default;

    float GetLeft() const { return m_topLeft.x; }
    float GetTop() const { return m_topLeft.y; }
    float GetWidth() const { return m_width; }
    float GetHeight() const { return m_height; }
    float GetRight() const { return m_topLeft.x + m_width; }
    float GetBottom() const { return m_topLeft.y + m_height; }

    Point GetTopLeft() const { return Point(GetLeft(), GetTop()); }
    Point GetTopRight() const { return Point(GetRight(), GetTop()); }
    Point GetBottomLeft() const { return Point(GetLeft(), GetBottom()); }
    Point GetBottomRight() const { return Point(GetRight(), GetBottom()); }

    void SetTop(float top) { m_topLeft.y = top; }
    void SetHeight(float height) { m_height = height; }

    // All four edges count as inside, so a touch exactly on a button's border hits it.
    bool Intersects(const Point& p) const;

private:
    Point m_topLeft;
    float m_width;
    float m_height;
};

} // namespace Velmora
