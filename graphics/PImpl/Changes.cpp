#include "graphics/PImpl/Changes.h"

namespace PImpl
{

Changes::Changes(uint16_t rowCount) : firstRow(0), lastRow(0), rowCount(rowCount), rows(new RowOfChanges[rowCount])
{
    SetEmpty();
}

Changes::~Changes()
{
    delete[] rows;
}

bool Changes::HasChanges() const
{
    for (int32_t row = First(); row <= Last(); ++row)
    {
        if (rows[row].HasChanges())
            return true;
    }
    return false;
}

void Changes::Clear()
{
    for (int32_t row = First(); row <= Last(); ++row)
        rows[row].Clear();
    SetEmpty();
}

// The walks stay inside the table whatever the row range says: an empty table of 0 rows has
// firstRow -1, and a careless owner might widen the range past the last row.
int32_t Changes::First() const
{
    return firstRow < 0 ? 0 : firstRow;
}

int32_t Changes::Last() const
{
    return lastRow >= rowCount ? rowCount - 1 : lastRow;
}

void Changes::SetEmpty()
{
    firstRow = static_cast<int16_t>(rowCount - 1);
    lastRow = 0;
}

} // namespace PImpl
