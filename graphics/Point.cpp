#include "graphics/Point.h"

#include <cmath>

namespace Velmora
{

float Point::GetDisplacement(const Point& a, const Point& b)
{
    // The differences are taken in float, as the coordinates are: in double, 3.1f - 0.1f comes out
    // just under 3 and truncates to 2, a gradient one pixel short.
    const float dx = std::fabs(std::trunc(b.x - a.x));
    const float dy = std::fabs(std::trunc(b.y - a.y));
    return static_cast<float>(std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy));
}

float Point::GetAngleRadians(const Point& a, const Point& b)
{
    return static_cast<float>(std::atan2(static_cast<double>(b.y) - a.y, static_cast<double>(b.x) - a.x));
}

} // namespace Velmora
