#pragma once

// The framebuffer driver: the panel image in memory, the record of what changed in it, and the
// hand-over of the changed runs to the display controller once a frame.

#include "graphics/Color.h"
#include "graphics/Color565.h"
#include "graphics/PixelArea.h"
#include "graphics/PixelPoint.h"
#include "graphics/Point.h"
#include "graphics/PImpl/Changes.h"
#include "graphics/PImpl/InkMap.h"

#include <cstdint>
#include <functional>

namespace Driver
{

class LCD
{
public:
    typedef std::function<void(const Velmora::PixelPoint&, uint16_t)> RenderScanlineFunction;

    static LCD& GetInstance();

    ~LCD();
    LCD(const LCD&) = delete;
    LCD& operator=(const LCD&) = delete;

    Velmora::PixelArea GetArea() const;
    uint16_t GetOrientation() const { return m_orientation; }

    void On(bool on);
    void SetBacklightBrightness(uint8_t level);

    bool IsRefreshEnabled() const;
    // true: recomposites the pending changes (when refresh was off) and arms the vertical-refresh
    // interrupt; false: disables it.
    void EnableRefresh(bool enable);
    void DisableRefresh(bool disable);

    bool HasChanges() const { return m_changes.HasChanges(); }
    // Records the part of the area that lies on the panel as changed.
    void RegisterChange(const Velmora::PixelArea& area);
    // The same for the one-row area of length columns from (x, y), as every painted run is
    // registered: inline, and without the area's arithmetic for more rows, as most such runs
    // fall inside a span the row has already (drawing into an area cleared and registered whole).
    void RegisterRowChange(int16_t x, int16_t y, uint16_t length)
    {
        if (y < 0 || y > height - 1)
            return;
        const int16_t left = x > 0 ? x : 0;
        const int16_t end = static_cast<int16_t>(x + length - 1);
        const int16_t right = end < width - 1 ? end : static_cast<int16_t>(width - 1);
        if (right < left)
            return;
        m_changes.rows[y].Merge(PImpl::Span(left, static_cast<uint16_t>(right - left + 1)));
        if (y < m_changes.firstRow)
            m_changes.firstRow = y;
        if (y > m_changes.lastRow)
            m_changes.lastRow = y;
    }
    // The columns of row y in which registering a run changes nothing at all: the row's first
    // span, when the row lies in the range of rows already recorded (a run inside it is what
    // RowOfChanges::Merge leaves as it is). Clipped to the panel; empty (length 0) when there
    // are none. A painter that registers many runs of a row asks once and registers only the
    // runs that reach outside, asking again after each.
    PImpl::Span GetSettledSpan(int16_t y) const
    {
        if (y < 0 || y > height - 1 || y < m_changes.firstRow || y > m_changes.lastRow)
            return PImpl::Span();
        const PImpl::Span& first = m_changes.rows[y].spans[0];
        const int left = first.start > 0 ? first.start : 0;
        const int right = first.GetLast() < width - 1 ? first.GetLast() : width - 1;
        if (first.length == 0 || right < left)
            return PImpl::Span();
        return PImpl::Span(static_cast<int16_t>(left), static_cast<uint16_t>(right - left + 1));
    }
    void SetOnRenderScanline(RenderScanlineFunction onRenderScanline);

    // Black framebuffer; registers nothing.
    void Clear();

    // Neither form clips or registers: the caller has already clipped the run to the panel.
    void SetPixels(const Velmora::PixelPoint& at, const Velmora::Color565* pixels, uint16_t count);
    // Blends each pixel over the framebuffer by its own alpha.
    void SetPixels(const Velmora::PixelPoint& at, const Velmora::Color* pixels, uint16_t count);
    // Both at once, writing each framebuffer pixel once: the pixels blended by their own alpha
    // over the background run below (the same result as the Color565 form with below, then the
    // Color form).
    void SetPixels(const Velmora::PixelPoint& at, const Velmora::Color565* below, const Velmora::Color* pixels,
                   uint16_t count);
    // The two layer forms with the layer's ink marks for the run: the same framebuffer pixels,
    // without reading the blocks the marks show all zero.
    void SetPixels(const Velmora::PixelPoint& at, const Velmora::Color* pixels, uint16_t count,
                   const PImpl::InkRow& ink);
    void SetPixels(const Velmora::PixelPoint& at, const Velmora::Color565* below, const Velmora::Color* pixels,
                   uint16_t count, const PImpl::InkRow& ink);

    // Sends every changed run to the controller and forgets the changes; runs in the tearing
    // interrupt.
    void Flush();

    // Maps between the application's orientation and the panel's. Only orientation 0 is used,
    // at which every mapping is the identity.
    Velmora::Point OrientPoint(const Velmora::PixelArea& parent, const Velmora::Point& point) const;
    Velmora::PixelArea OrientArea(const Velmora::PixelArea& parent, const Velmora::PixelArea& area) const;
    Velmora::PixelArea ReverseOrientArea(const Velmora::PixelArea& parent, const Velmora::PixelArea& area) const;

    // The panel image, row-major, 800 pixels a row.
    const Velmora::Color565* GetFramebuffer() const { return m_framebuffer; }
    // The change record, read by whoever walks the pending changes.
    const PImpl::Changes& GetChanges() const { return m_changes; }

    static constexpr uint16_t width = 800;
    static constexpr uint16_t height = 480;

private:
    LCD();
    void Configure();

    Velmora::Color565* m_framebuffer;
    PImpl::Changes m_changes;
    uint16_t m_orientation;
    RenderScanlineFunction m_onRenderScanline;
};

} // namespace Driver
