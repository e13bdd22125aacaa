#pragma once

namespace Velmora
{

// A position in the drawing world: floating point, so that anti-aliased drawing can place
// edges between pixels. y grows downwards.
struct Point
{
    float x;
    float y;

    Point(float x, float y) : x(x), y(y) {}
    Point(const Point&) = default;
    Point& operator=(const Point&) = default;

    // Whole-pixel distance: each axis difference is truncated toward zero before squaring, so the
    // gradient length of a brush does not depend on where inside a pixel its stops lie.
    static float GetDisplacement(const Point& a, const Point& b);

    // Direction from a to b in radians, -pi .. pi; positive angles point below a on the screen.
    static float GetAngleRadians(const Point& a, const Point& b);
};

} // namespace Velmora
