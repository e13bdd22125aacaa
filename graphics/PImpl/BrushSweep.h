#pragma once

// The sweep shared by every brush: walk the rasteriser's scanlines, let the brush paint each one,
// and register what was painted.

#include "graphics/Driver/LCD.h"
#include "graphics/PImpl/Brush.h"

#include <algorithm>
#include <cstdlib>

namespace PImpl
{

// Registers the part of row y's run first..last (surface coordinates) that lies on the surface,
// and marks it in a foreground layer's ink map: the brushes paint a layer's pixels directly, not
// through its pixel format, and what they paint is exactly what they register.
template <typename Renderer>
void RegisterRun(Driver::LCD& driver, const Velmora::PixelArea& area, Renderer& renderer, int y, int first, int last)
{
    // The renderer clips to the surface, so only that part is painted.
    first = std::max<int>(first, renderer.xmin());
    last = std::min<int>(last, renderer.xmax());
    if (last < first)
    {
        return;
    }
    renderer.ren().MarkInk(first, y, static_cast<unsigned>(last - first + 1));
    driver.RegisterRowChange(static_cast<int16_t>(area.GetLeft() + first), static_cast<int16_t>(area.GetTop() + y),
                             static_cast<uint16_t>(last - first + 1));
}

template <typename Renderer, typename Scanline, typename Paint>
void Sweep(const Velmora::PixelArea& area, Rasterizer& rasterizer, Scanline& scanline, Renderer& renderer,
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
        // Spans that touch are registered as one run: a packed scanline (whose solid spans have
        // a negative length) splits a run where its coverage turns solid.
        unsigned count = scanline.num_spans();
        auto span = scanline.begin();
        int first = span->x;
        int last = first + std::abs(span->len) - 1;
        for (++span, --count; count != 0; --count, ++span)
        {
            if (span->x != last + 1)
            {
                RegisterRun(driver, area, renderer, y, first, last);
                first = span->x;
            }
            last = span->x + std::abs(span->len) - 1;
        }
        RegisterRun(driver, area, renderer, y, first, last);
    }
}

} // namespace PImpl
