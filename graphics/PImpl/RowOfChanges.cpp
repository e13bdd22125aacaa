#include "graphics/PImpl/RowOfChanges.h"

#include "graphics/PImpl/LCDGeometry.h"

namespace PImpl
{

RowOfChanges::RowOfChanges() : spans(slotCount)
{
}

bool RowOfChanges::HasChanges() const
{
    for (const Span& span : spans)
    {
        if (span.length != 0)
            return true;
    }
    return false;
}

void RowOfChanges::Clear()
{
    for (Span& span : spans)
        span.length = 0;
}

void RowOfChanges::Merge(const Span& span)
{
    if (span.length == 0)
        return;

    // Most spans fall inside the first slot (what is drawn into an area after it was cleared and
    // registered whole): that slot overlaps the span, and their hull is the slot itself, so the
    // walk below would end there changing nothing. The span must not wrap around the 16-bit
    // columns for that (its overlap with the slot would then be empty).
    const Span& first = spans[0];
    const int16_t last = span.GetLast();
    if (first.length != 0 && first.start <= span.start && span.start <= last && last <= first.GetLast())
        return;

    for (Span& slot : spans)
    {
        if (slot.length == 0)
        {
            slot = span;
            return;
        }
        // Only the first overlapping slot grows; slots are never coalesced with each other, so
        // a grown slot may come to overlap a later one. Flushing such a row sends some pixels
        // twice, which is cheaper than keeping the list sorted.
        if (slot.GetIntersection(span).length != 0)
        {
            slot.Merge(span);
            return;
        }
    }

    // Out of slots: precision is traded for bounded memory, the whole row is dirty.
    Clear();
    spans[0] = Span(0, panelWidth);
}

} // namespace PImpl
