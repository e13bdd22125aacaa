#include "graphics/PImpl/Brush.h"

namespace PImpl
{

agg::rgba8 Brush::ToAgg(const Velmora::Color& color)
{
    const unsigned value = color.rgb.value;
    return agg::rgba8(static_cast<agg::int8u>((value >> 8) & 0xF8), static_cast<agg::int8u>((value >> 3) & 0xFC),
                      static_cast<agg::int8u>((value << 3) & 0xF8), color.alpha);
}

} // namespace PImpl
