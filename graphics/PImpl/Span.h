#pragma once

#include <algorithm>
#include <cstdint>

namespace PImpl
{

// A run of columns in one panel row. A length of 0 marks a free slot.
struct Span
{
    int16_t start;
    uint16_t length;

    Span() : start(0), length(0) {}
    Span(int16_t start, uint16_t length) : start(start), length(length) {}
    Span(const Span&) = default;
    Span& operator=(const Span&) = default;

    // The overlap of both spans. An empty result keeps the larger start (its length is 0), which
    // is all the change record needs to decide that two spans are apart. Defined here, like Merge,
    // so that the change record's loops over its slots inline both.
    Span GetIntersection(const Span& other) const
    {
        const int16_t first = std::max(start, other.start);
        const int16_t last = std::min(GetLast(), other.GetLast());
        if (last < first)
            return Span(first, 0);
        return Span(first, static_cast<uint16_t>(last - first + 1));
    }

    // Grows this span to the hull of both, whether or not they overlap.
    void Merge(const Span& other)
    {
        const int16_t first = std::min(start, other.start);
        const int16_t last = std::max(GetLast(), other.GetLast());
        start = first;
        length = static_cast<uint16_t>(last - first + 1);
    }

    // The last column; computed in 16 bits like every other panel coordinate.
    int16_t GetLast() const { return static_cast<int16_t>(start + length - 1); }
};

} // namespace PImpl
