#include "graphics/PImpl/Span.h"

#include <algorithm>

namespace PImpl
{

Span Span::GetIntersection(const Span& other) const
{
    const int16_t first = std::max(start, other.start);
    const int16_t last = std::min(GetLast(), other.GetLast());
    if (last < first)
        return Span(first, 0);
    return Span(first, static_cast<uint16_t>(last - first + 1));
}

void Span::Merge(const Span& other)
{
    const int16_t first = std::min(start, other.start);
    const int16_t last = std::max(GetLast(), other.GetLast());
    start = first;
    length = static_cast<uint16_t>(last - first + 1);
}

} // namespace PImpl
