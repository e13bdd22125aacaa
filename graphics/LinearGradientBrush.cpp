#include "graphics/LinearGradientBrush.h"

#include "graphics/PImpl/LinearGradientBrush.h"

namespace Velmora
{

LinearGradientBrush::LinearGradientBrush(const GradientStop& start, const GradientStop& end)
    : Brush(new PImpl::LinearGradientBrush(start, end))
{
}

uint8_t LinearGradientBrush::GetType() const
{
    return GetPImpl().GetType();
}

} // namespace Velmora
