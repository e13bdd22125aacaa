#pragma once

// The sweep shared by every brush: walk the rasteriser's scanlines, let the brush paint each one,
// and register what was painted.

#include "graphics/Driver/LCD.h"
#include "graphics/PImpl/Brush.h"

#include <algorithm>

namespace PImpl
{

template <typename Renderer, typename Paint>
void Sweep(const Velmora::PixelArea& area, Rasterizer& rasterizer, agg::scanline_u8& scanline, Renderer& renderer,
           Paint paint)
{
    // Closes the open polygon and sorts the cells; a path without outline has none.
    if (!rasterizer.rewind_scanlines())
    {
        return;
    }
    scanline.reset(rasterizer.min_x(), rasterizer.max_x());
    Driver::LCD& driver = Driver::LCD::GetInstance();
    while (rasterizer.sweep_scanline(scanline))
    {
        paint(scanline);
        const int y = scanline.y();
        if (y < renderer.ymin() || y > renderer.ymax())
        {
            continue;
        }
        unsigned count = scanline.num_spans();
        for (auto span = scanline.begin(); count != 0; --count, ++span)
        {
            // The renderer clips to the surface, so only the part of a span on the surface is
            // painted, and only that part is registered.
            const int first = std::max<int>(span->x, renderer.xmin());
            const int last = std::min<int>(span->x + span->len - 1, renderer.xmax());
            if (last < first)
            {
                continue;
            }
            driver.RegisterChange(Velmora::PixelArea(
                Velmora::PixelPoint(static_cast<int16_t>(area.GetLeft() + first), static_cast<int16_t>(area.GetTop() + y)),
                static_cast<uint16_t>(last - first + 1), 1));
        }
    }
}

} // namespace PImpl
