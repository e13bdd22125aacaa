#include "graphics/SolidBrush.h"

#include "graphics/PImpl/SolidBrush.h"

namespace Velmora
{

SolidBrush::SolidBrush(const Color& color) : Brush(new PImpl::SolidBrush(color))
{
}

uint8_t SolidBrush::GetType() const
{
    return GetPImpl().GetType();
}

} // namespace Velmora
