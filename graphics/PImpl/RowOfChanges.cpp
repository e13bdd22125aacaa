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

void RowOfChanges::MergeIntoSlots(const Span& span)
{
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
