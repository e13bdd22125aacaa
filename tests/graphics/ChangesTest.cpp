#include "graphics/PImpl/Changes.h"
#include "graphics/PImpl/RowOfChanges.h"
#include "graphics/PImpl/Span.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

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

namespace
{

// The record's rule spelled out slot by slot: the first slot the span overlaps grows to the hull,
// else the first free slot takes it, else the row collapses to the whole panel width.
void ReferenceMerge(std::vector<Span>& slots, const Span& span)
{
    if (span.length == 0)
        return;
    for (Span& slot : slots)
    {
        if (slot.length == 0)
        {
            slot = span;
            return;
        }
        const int16_t first = std::max(slot.start, span.start);
        const int16_t last = std::min(slot.GetLast(), span.GetLast());
        if (last >= first && static_cast<uint16_t>(last - first + 1) != 0)
        {
            const int16_t hullFirst = std::min(slot.start, span.start);
            const int16_t hullLast = std::max(slot.GetLast(), span.GetLast());
            slot = Span(hullFirst, static_cast<uint16_t>(hullLast - hullFirst + 1));
            return;
        }
    }
    for (Span& slot : slots)
        slot.length = 0;
    slots[0] = Span(0, 800);
}

} // namespace

TEST(RowOfChangesTest, MergeFollowsTheSlotRuleForRandomSpans)
{
    // Spans on the panel, mostly inside an earlier one as drawing after a clear registers them,
    // and some anywhere in 16 bits, wrapping ones included.
    std::mt19937 random(480);
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> column(-20, 820);
    std::uniform_int_distribution<int> shortLength(0, 60);
    std::uniform_int_distribution<int> anyStart(-32768, 32767);
    std::uniform_int_distribution<int> anyLength(0, 65535);
    for (int trial = 0; trial < 300; ++trial)
    {
        RowOfChanges row;
        std::vector<Span> expected(RowOfChanges::slotCount);
        const int merges = std::uniform_int_distribution<int>(1, 120)(random);
        for (int i = 0; i < merges; ++i)
        {
            const int what = kind(random);
            Span span;
            if (what == 0)
                span = Span(static_cast<int16_t>(anyStart(random)), static_cast<uint16_t>(anyLength(random)));
            else if (what <= 3 || expected[0].length == 0)
                span = Span(static_cast<int16_t>(column(random)), static_cast<uint16_t>(shortLength(random)));
            else
            {
                // Inside (or just past) the first slot.
                const Span& first = expected[0];
                const int start = first.start + std::uniform_int_distribution<int>(0, first.length)(random);
                span = Span(static_cast<int16_t>(start), static_cast<uint16_t>(shortLength(random)));
            }
            row.Merge(span);
            ReferenceMerge(expected, span);
            for (size_t slot = 0; slot < expected.size(); ++slot)
            {
                ASSERT_EQ(row.spans[slot].start, expected[slot].start) << "trial " << trial << ", merge " << i;
                ASSERT_EQ(row.spans[slot].length, expected[slot].length) << "trial " << trial << ", merge " << i;
            }
        }
    }
}
