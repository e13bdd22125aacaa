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
    void Merge(const Span& span);

    std::vector<Span> spans;
};

} // namespace PImpl
