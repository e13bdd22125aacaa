#include "graphics/Point.h"

#include <cmath>

namespace Velmora
{

float Point::GetDisplacement(const Point& a, const Point& b)
{
    const double dx = std::fabs(std::trunc(static_cast<double>(b.x) - a.x));
    const double dy = std::fabs(std::trunc(static_cast<double>(b.y) - a.y));
    return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

float Point::GetAngleRadians(const Point& a, const Point& b)
{
    return static_cast<float>(std::atan2(static_cast<double>(b.y) - a.y, static_cast<double>(b.x) - a.x));
}

} // namespace Velmora
