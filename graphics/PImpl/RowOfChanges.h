#pragma once

#include "graphics/PImpl/Span.h"

#include <cstdint>
#include <vector>

namespace PImpl
{

// The dirty spans of one panel row. The slots in use always form a prefix of the list, so a walk
// can stop at the first free slot.
class RowOfChanges
{
public:
    // Fixed so that recording a change never allocates; a row that needs more collapses.
    static constexpr uint16_t slotCount = 40;

    RowOfChanges();

    bool HasChanges() const;

    // Frees every slot; the starts are left as they were.
    void Clear();

    // Records a span: the first slot it overlaps grows to the hull of both, otherwise it takes
    // the first free slot. With no free slot left the whole row becomes one dirty span.
    void Merge(const Span& span)
    {
        if (span.length == 0)
            return;
        // Most spans fall inside the first slot (what is drawn into an area after it was cleared
        // and registered whole): that slot overlaps the span, and their hull is the slot itself,
        // so the walk over the slots would end there changing nothing. The span must not wrap
        // around the 16-bit columns for that (its overlap with the slot would then be empty).
        const Span& first = spans[0];
        const int16_t last = span.GetLast();
        if (first.length != 0 && first.start <= span.start && span.start <= last && last <= first.GetLast())
            return;
        MergeIntoSlots(span);
    }

    std::vector<Span> spans;

private:
    // Merge's walk over the slots.
    void MergeIntoSlots(const Span& span);
};

} // namespace PImpl
