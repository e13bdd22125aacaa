// The cell rasteriser's walk along a line and along one cell row, for the cells the scanline
// rasteriser keeps (rasterizer_cells_aa<cell_aa>). They leave exactly the cells of AGG's own
// template, in the same order: the same steps with the same arithmetic, only narrower where that
// changes no value.
//
// AGG forms the coordinate differences and their products with a subpixel count in 64 bits and
// divides in 64 bits, which on the Cortex-M4 is a run-time call of about a hundred instructions
// where SDIV is one. Why 32 bits give the same cells when the checks below pass:
// - The difference d of the two coordinates is formed without overflow and -d fits too, so the
//   divisor |d| is the same number in either width.
// - Every dividend fits int: in the row walk it is a subpixel count (at most 256) times a
//   difference of subpixel fractions (at most 256), in the line walk at most 256 times |dx|, and
//   |dx| is below AGG's 2^22 split length. C++ division truncates toward zero in every width, so
//   quotient and remainder are the same numbers.
// - The running remainders stay inside (-|d|, |d|): AGG's conversions of them back to int change
//   nothing, and the 32-bit sums (at most 2|d| apart) cannot overflow.
// Otherwise (coordinates near int's limits, or a line long enough for AGG to split it) the walk
// runs in 64 bits as AGG's does, including AGG's going on with the whole line after drawing its
// two halves.
//
// Moving to another cell (AGG's set_curr_cell, with add_curr_cell's usual case) is inlined in the
// walks.

#include "graphics/PImpl/Rasterizer.h"

#include <algorithm>
#include <limits>
#include <type_traits>

namespace agg
{

namespace
{

// d = to - from in int, false when it or -d does not fit.
bool NarrowDifference(int to, int from, int& d)
{
    return !__builtin_sub_overflow(to, from, &d) && d != std::numeric_limits<int>::min();
}

} // namespace

// Written out here so that the walks, its only callers, take it without a call; a new block of
// cells stays AGG's add_curr_cell.
template <>
__attribute__((always_inline)) inline void rasterizer_cells_aa<cell_aa>::set_curr_cell(int x, int y)
{
    if (m_curr_cell.not_equal(x, y, m_style_cell))
    {
        if (m_curr_cell.area | m_curr_cell.cover)
        {
            if ((m_num_cells & cell_block_mask) != 0)
            {
                *m_curr_cell_ptr++ = m_curr_cell;
                ++m_num_cells;
            }
            else
            {
                add_curr_cell();
            }
        }
        m_curr_cell.style(m_style_cell);
        m_curr_cell.x = x;
        m_curr_cell.y = y;
        m_curr_cell.cover = 0;
        m_curr_cell.area = 0;
    }
}

template <> void rasterizer_cells_aa<cell_aa>::render_hline(int ey, int x1, int y1, int x2, int y2)
{
    int ex1 = x1 >> poly_subpixel_shift;
    const int ex2 = x2 >> poly_subpixel_shift;
    const int fx1 = x1 & poly_subpixel_mask;
    const int fx2 = x2 & poly_subpixel_mask;

    // A horizontal piece leaves no coverage, only its end cell current.
    if (y1 == y2)
    {
        set_curr_cell(ex2, ey);
        return;
    }
    // Within one cell.
    if (ex1 == ex2)
    {
        const int delta = y2 - y1;
        m_curr_cell.cover += delta;
        m_curr_cell.area += (fx1 + fx2) * delta;
        return;
    }

    // Across cells: the rise is shared out by the run through each cell, the remainders carried.
    const auto walk = [&](auto width) __attribute__((always_inline))
    {
        using Wide = decltype(width);
        int p = (poly_subpixel_scale - fx1) * (y2 - y1);
        int first = poly_subpixel_scale;
        int incr = 1;
        Wide dx = static_cast<Wide>(x2) - static_cast<Wide>(x1);
        if (dx < 0)
        {
            p = fx1 * (y2 - y1);
            first = 0;
            incr = -1;
            dx = -dx;
        }
        int delta = static_cast<int>(p / dx);
        int mod = static_cast<int>(p % dx);
        if (mod < 0)
        {
            --delta;
            mod = static_cast<int>(mod + dx);
        }
        m_curr_cell.cover += delta;
        m_curr_cell.area += (fx1 + first) * delta;

        ex1 += incr;
        set_curr_cell(ex1, ey);
        y1 += delta;

        if (ex1 != ex2)
        {
            p = poly_subpixel_scale * (y2 - y1 + delta);
            int lift = static_cast<int>(p / dx);
            int rem = static_cast<int>(p % dx);
            if (rem < 0)
            {
                --lift;
                rem = static_cast<int>(rem + dx);
            }
            mod = static_cast<int>(mod - dx);

            while (ex1 != ex2)
            {
                delta = lift;
                mod += rem;
                if (mod >= 0)
                {
                    mod = static_cast<int>(mod - dx);
                    ++delta;
                }
                m_curr_cell.cover += delta;
                m_curr_cell.area += poly_subpixel_scale * delta;
                y1 += delta;
                ex1 += incr;
                set_curr_cell(ex1, ey);
            }
        }
        delta = y2 - y1;
        m_curr_cell.cover += delta;
        m_curr_cell.area += (fx2 + poly_subpixel_scale - first) * delta;
    };

    int dx;
    if (NarrowDifference(x2, x1, dx))
    {
        walk(0);
    }
    else
    {
        walk(0LL);
    }
}

template <> void rasterizer_cells_aa<cell_aa>::line(int x1, int y1, int x2, int y2)
{
    // AGG draws lines longer than this (in subpixels) as two halves.
    constexpr int splitLength = 16384 << poly_subpixel_shift;

    // A row's piece within one cell (most pieces of a steep edge) adds to the current cell as
    // render_hline would, without the call.
    const auto hline = [this](int ey, int fromX, int fromY, int toX, int toY) __attribute__((always_inline))
    {
        if (fromY != toY && (fromX >> poly_subpixel_shift) == (toX >> poly_subpixel_shift))
        {
            const int delta = toY - fromY;
            m_curr_cell.cover += delta;
            m_curr_cell.area += ((fromX & poly_subpixel_mask) + (toX & poly_subpixel_mask)) * delta;
            return;
        }
        render_hline(ey, fromX, fromY, toX, toY);
    };

    const auto walk = [&](auto width) __attribute__((always_inline))
    {
        using Wide = decltype(width);
        Wide dx = static_cast<Wide>(x2) - static_cast<Wide>(x1);
        if constexpr (std::is_same<Wide, long long>::value)
        {
            if (dx >= splitLength || dx <= -splitLength)
            {
                const int cx = static_cast<int>((static_cast<long long>(x1) + x2) >> 1);
                const int cy = static_cast<int>((static_cast<long long>(y1) + y2) >> 1);
                line(x1, y1, cx, cy);
                line(cx, cy, x2, y2);
            }
        }
        Wide dy = static_cast<Wide>(y2) - static_cast<Wide>(y1);
        const int ex1 = x1 >> poly_subpixel_shift;
        const int ex2 = x2 >> poly_subpixel_shift;
        int ey1 = y1 >> poly_subpixel_shift;
        const int ey2 = y2 >> poly_subpixel_shift;
        const int fy1 = y1 & poly_subpixel_mask;
        const int fy2 = y2 & poly_subpixel_mask;

        m_min_x = std::min(m_min_x, ex1);
        m_max_x = std::max(m_max_x, ex1);
        m_min_y = std::min(m_min_y, ey1);
        m_max_y = std::max(m_max_y, ey1);
        m_min_x = std::min(m_min_x, ex2);
        m_max_x = std::max(m_max_x, ex2);
        m_min_y = std::min(m_min_y, ey2);
        m_max_y = std::max(m_max_y, ey2);

        set_curr_cell(ex1, ey1);

        // Within one cell row.
        if (ey1 == ey2)
        {
            hline(ey1, x1, fy1, x2, fy2);
            return;
        }

        int incr = 1;
        // Vertical: one cell a row, all rows between the ends alike.
        if (dx == 0)
        {
            const int twoFx = (x1 & poly_subpixel_mask) << 1;
            int first = poly_subpixel_scale;
            if (dy < 0)
            {
                first = 0;
                incr = -1;
            }
            int delta = first - fy1;
            m_curr_cell.cover += delta;
            m_curr_cell.area += twoFx * delta;

            ey1 += incr;
            set_curr_cell(ex1, ey1);

            delta = first + first - poly_subpixel_scale;
            const int area = twoFx * delta;
            while (ey1 != ey2)
            {
                m_curr_cell.cover = delta;
                m_curr_cell.area = area;
                ey1 += incr;
                set_curr_cell(ex1, ey1);
            }
            delta = fy2 - poly_subpixel_scale + first;
            m_curr_cell.cover += delta;
            m_curr_cell.area += twoFx * delta;
            return;
        }

        // Across rows: the run is shared out by the rise through each row, the remainders
        // carried, and each row's piece walked along its cells.
        Wide p = (poly_subpixel_scale - fy1) * dx;
        int first = poly_subpixel_scale;
        if (dy < 0)
        {
            p = fy1 * dx;
            first = 0;
            incr = -1;
            dy = -dy;
        }
        int delta = static_cast<int>(p / dy);
        int mod = static_cast<int>(p % dy);
        if (mod < 0)
        {
            --delta;
            mod = static_cast<int>(mod + dy);
        }

        int xFrom = x1 + delta;
        hline(ey1, x1, fy1, xFrom, first);

        ey1 += incr;
        set_curr_cell(xFrom >> poly_subpixel_shift, ey1);

        if (ey1 != ey2)
        {
            p = poly_subpixel_scale * dx;
            int lift = static_cast<int>(p / dy);
            int rem = static_cast<int>(p % dy);
            if (rem < 0)
            {
                --lift;
                rem = static_cast<int>(rem + dy);
            }
            mod = static_cast<int>(mod - dy);

            while (ey1 != ey2)
            {
                delta = lift;
                mod += rem;
                if (mod >= 0)
                {
                    mod = static_cast<int>(mod - dy);
                    ++delta;
                }
                const int xTo = xFrom + delta;
                hline(ey1, xFrom, poly_subpixel_scale - first, xTo, first);
                xFrom = xTo;

                ey1 += incr;
                set_curr_cell(xFrom >> poly_subpixel_shift, ey1);
            }
        }
        hline(ey1, xFrom, poly_subpixel_scale - first, x2, fy2);
    };

    int dx;
    int dy;
    if (NarrowDifference(x2, x1, dx) && dx < splitLength && dx > -splitLength && NarrowDifference(y2, y1, dy))
    {
        walk(0);
    }
    else
    {
        walk(0LL);
    }
}

} // namespace agg
