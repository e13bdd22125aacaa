#pragma once

#include "graphics/Color.h"
#include "graphics/Point.h"

namespace Velmora
{

// A colour pinned to a point; a gradient brush interpolates between its stops.
class GradientStop
{
public:
    GradientStop(const Point& point, const Color& color) : m_point(point), m_color(color) {}
    GradientStop(const GradientStop&) = default;
    GradientStop& operator=(const GradientStop&) = default;

    Point GetPoint() const { return m_point; }
    Color GetColor() const { return m_color; }

private:
    Point m_point;
    Color m_color;
};

} // namespace Velmora
