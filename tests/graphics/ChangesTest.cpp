#include "graphics/PImpl/Changes.h"
#include "graphics/PImpl/RowOfChanges.h"
#include "graphics/PImpl/Span.h"

#include <gtest/gtest.h>

using PImpl::Changes;
using PImpl::RowOfChanges;
using PImpl::Span;

namespace
{

int UsedSlots(const RowOfChanges& row)
{
    int used = 0;
    for (const Span& span : row.spans)
        used += span.length != 0 ? 1 : 0;
    return used;
}

void ExpectSpan(const Span& span, int start, int length)
{
    EXPECT_EQ(span.start, start);
    EXPECT_EQ(span.length, length);
}

} // namespace

TEST(SpanTest, IntersectionAndHull)
{
    ExpectSpan(Span(10, 5).GetIntersection(Span(20, 5)), 20, 0);
    ExpectSpan(Span(20, 5).GetIntersection(Span(10, 5)), 20, 0);
    ExpectSpan(Span(10, 10).GetIntersection(Span(15, 10)), 15, 5);
    ExpectSpan(Span(0, 10).GetIntersection(Span(10, 10)), 10, 0); // touching is not overlapping
    ExpectSpan(Span(-5, 10).GetIntersection(Span(0, 800)), 0, 5);
    ExpectSpan(Span(0, 100).GetIntersection(Span(40, 10)), 40, 10);

    Span hull(100, 10);
    hull.Merge(Span(200, 5)); // apart: the hull covers the gap too
    ExpectSpan(hull, 100, 105);
    hull.Merge(Span(-3, 4));
    ExpectSpan(hull, -3, 208);
}

TEST(RowOfChangesTest, StartsWithFortyFreeSlots)
{
    RowOfChanges row;
    EXPECT_EQ(row.spans.size(), 40u);
    EXPECT_FALSE(row.HasChanges());
    row.Merge(Span(5, 0)); // a span of length 0 changes nothing
    EXPECT_FALSE(row.HasChanges());

    // Not even on a full row, where it would find no free slot and mark the whole row dirty.
    for (int16_t i = 0; i < 40; ++i)
        row.Merge(Span(static_cast<int16_t>(i * 20), 5));
    row.Merge(Span(3, 0));
    EXPECT_EQ(UsedSlots(row), 40);
    ExpectSpan(row.spans[0], 0, 5);
    ExpectSpan(row.spans[39], 780, 5);
}

TEST(RowOfChangesTest, OverlappingSpansMergeTouchingSpansStayApart)
{
    RowOfChanges row;
    row.Merge(Span(100, 10));
    row.Merge(Span(105, 10));
    EXPECT_EQ(UsedSlots(row), 1);
    ExpectSpan(row.spans[0], 100, 15);

    RowOfChanges touching;
    touching.Merge(Span(0, 10));
    touching.Merge(Span(10, 10));
    EXPECT_EQ(UsedSlots(touching), 2);
    ExpectSpan(touching.spans[0], 0, 10);
    ExpectSpan(touching.spans[1], 10, 10);
}

TEST(RowOfChangesTest, OnlyTheFirstOverlappingSlotAbsorbs)
{
    RowOfChanges row;
    row.Merge(Span(0, 10));
    row.Merge(Span(20, 10));
    row.Merge(Span(5, 20)); // overlaps both; the first grows, the second is left alone
    EXPECT_EQ(UsedSlots(row), 2);
    ExpectSpan(row.spans[0], 0, 25);
    ExpectSpan(row.spans[1], 20, 10);
    row.Merge(Span(22, 2)); // now overlaps slot 0 first
    ExpectSpan(row.spans[0], 0, 25);
    ExpectSpan(row.spans[1], 20, 10);
}

TEST(RowOfChangesTest, FortyFirstDisjointSpanCollapsesTheRow)
{
    RowOfChanges row;
    for (int i = 0; i < 40; ++i)
        row.Merge(Span(static_cast<int16_t>(i * 20), 5));
    EXPECT_EQ(UsedSlots(row), 40);

    RowOfChanges absorbing = row;
    absorbing.Merge(Span(782, 10)); // overlaps the last slot [780, 5]
    EXPECT_EQ(UsedSlots(absorbing), 40);
    ExpectSpan(absorbing.spans[39], 780, 12);

    row.Merge(Span(790, 3));
    EXPECT_EQ(UsedSlots(row), 1);
    ExpectSpan(row.spans[0], 0, 800);
    // The used slots stay a prefix after the collapse, and the row keeps taking spans.
    row.Merge(Span(900, 1));
    ExpectSpan(row.spans[1], 900, 1);
}

TEST(RowOfChangesTest, ClearFreesEverySlotAndReusesThemInOrder)
{
    RowOfChanges row;
    row.Merge(Span(3, 4));
    row.Merge(Span(30, 4));
    row.Clear();
    EXPECT_FALSE(row.HasChanges());
    EXPECT_EQ(row.spans[0].start, 3); // starts are left as they were
    row.Merge(Span(50, 1));
    ExpectSpan(row.spans[0], 50, 1);
    EXPECT_EQ(UsedSlots(row), 1);
}

TEST(ChangesTest, EmptyStateAndRowRange)
{
    Changes changes(480);
    EXPECT_FALSE(changes.HasChanges());
    EXPECT_EQ(changes.firstRow, 479);
    EXPECT_EQ(changes.lastRow, 0);

    changes.rows[479].Merge(Span(0, 1));
    changes.firstRow = std::min<int16_t>(changes.firstRow, 479);
    changes.lastRow = std::max<int16_t>(changes.lastRow, 479);
    EXPECT_EQ(changes.firstRow, 479);
    EXPECT_EQ(changes.lastRow, 479);
    EXPECT_TRUE(changes.HasChanges());

    changes.Clear();
    EXPECT_FALSE(changes.HasChanges());
    EXPECT_FALSE(changes.rows[479].HasChanges());
    EXPECT_EQ(changes.firstRow, 479);
    EXPECT_EQ(changes.lastRow, 0);
}

TEST(ChangesTest, ClearEmptiesEveryRowOfTheRange)
{
    Changes changes(480);
    for (int16_t row : {10, 200, 300})
    {
        changes.rows[row].Merge(Span(row, 2));
        changes.firstRow = std::min(changes.firstRow, row);
        changes.lastRow = std::max(changes.lastRow, row);
    }
    changes.Clear();
    for (int row : {10, 200, 300})
        EXPECT_FALSE(changes.rows[row].HasChanges()) << row;
    EXPECT_FALSE(changes.HasChanges());
}

TEST(ChangesTest, DegenerateTablesStayInBounds)
{
    Changes none(0);
    EXPECT_FALSE(none.HasChanges());
    none.Clear();

    Changes one(1);
    EXPECT_FALSE(one.HasChanges());
    one.rows[0].Merge(Span(1, 1));
    EXPECT_TRUE(one.HasChanges());
    one.Clear();
    EXPECT_FALSE(one.HasChanges());
}
