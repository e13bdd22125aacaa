#include "graphics/Area.h"

namespace Velmora
{

bool Area::Intersects(const Point& p) const
{
    if (p.x < GetLeft())
        return false;
    if (p.x > GetLeft() + m_width)
        return false;
    if (p.y < GetTop())
        return false;
    if (p.y > GetTop() + m_height)
        return false;
    return true;
}

} // namespace Velmora
