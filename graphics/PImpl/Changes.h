#pragma once

#include "graphics/PImpl/RowOfChanges.h"

#include <cstdint>

namespace PImpl
{

// The dirty spans of the whole panel: one span list per row plus the range of rows that may
// hold any. The owner merges spans into `rows` and widens firstRow/lastRow itself, and reads the
// fields directly when it walks the changes.
class Changes
{
public:
    explicit Changes(uint16_t rowCount);
    ~Changes();
    Changes(const Changes&) = delete;
    Changes& operator=(const Changes&) = delete;

    bool HasChanges() const;

    // Clears the rows in firstRow..lastRow and returns to the empty state.
    void Clear();

    // Empty state: firstRow > lastRow, so that the first recorded row sets both by plain
    // minimum and maximum.
    int16_t firstRow;
    int16_t lastRow;
    uint16_t rowCount;
    RowOfChanges* rows;

private:
    void SetEmpty();
    int32_t First() const;
    int32_t Last() const;
};

} // namespace PImpl
