#include "graphics/PImpl/LCD.h"

#include "graphics/Driver/LCD.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace PImpl
{

LCD& LCD::GetInstance()
{
    static LCD instance;
    return instance;
}

BackgroundGraphics& LCD::GetBackgroundLayer()
{
    static BackgroundGraphics background(Driver::LCD::GetInstance().GetArea(), 0xFF);
    return background;
}

LCD::LCD() : m_driver(Driver::LCD::GetInstance()), m_background(GetBackgroundLayer())
{
    Driver::LCD& driver = m_driver;
    driver.SetOnRenderScanline(
        [this](const Velmora::PixelPoint& at, uint16_t length) { RenderScanline(at, length); });
    driver.EnableRefresh(true);
    driver.On(true);
}

LCD::~LCD()
{
    // The framebuffer driver outlives the compositor (it was built first); leave it no callback
    // into a destroyed object.
    Driver::LCD::GetInstance().SetOnRenderScanline(nullptr);
    // The compositor owns its layers: those still on the stack at exit go with it.
    for (ForegroundLayer* layer : m_layers)
        delete layer;
}

ForegroundLayer* LCD::CreateForegroundLayer(const Velmora::PixelArea& area)
{
    // Owned here until the stack holds it, so a failing push_back does not leak the layer.
    std::unique_ptr<ForegroundLayer> owned(new ForegroundLayer(area));
    m_layers.push_back(owned.get());
    ForegroundLayer* layer = owned.release();
    // Cleared again now that it is on the stack, so the change is recomposited with it in place.
    layer->Clear();
    return layer;
}

void LCD::DestroyForegroundLayer(ForegroundLayer& layer)
{
    // With flushing on, the area is recomposited here while the now transparent layer is still
    // on the stack, so the panel shows what lies beneath it.
    layer.Clear();

    const auto found = std::find(m_layers.begin(), m_layers.end(), &layer);
    if (found != m_layers.end())
        m_layers.erase(found);
    delete &layer;
    m_layers.shrink_to_fit();
}

namespace
{

// The part of the run at row y, columns x .. x + length - 1, that lies in the area: the first
// column and the number of columns, zero if none. The same 16-bit arithmetic as
// PixelArea::GetIntersection, without building the areas for every run.
inline __attribute__((__always_inline__)) uint16_t Cover(const Velmora::PixelArea& area, int16_t x, int16_t y,
                                                        uint16_t length, int16_t& first)
{
    if (y < area.GetTop() || y > area.GetBottom())
        return 0;
    first = std::max(x, area.GetLeft());
    const int16_t last = std::min(static_cast<int16_t>(x + length - 1),
                                  static_cast<int16_t>(area.GetLeft() + area.GetWidth() - 1));
    return last < first ? 0 : static_cast<uint16_t>(last - first + 1);
}

} // namespace

void LCD::RenderScanline(const Velmora::PixelPoint& at, uint16_t length)
{
    Driver::LCD& driver = m_driver;
    BackgroundGraphics& background = m_background;
    const Velmora::PixelArea& backgroundArea = background.GetArea();
    int16_t first = 0;
    uint16_t count = Cover(backgroundArea, at.x, at.y, length, first);
    if (count != 0)
    {
        const Velmora::Color565* below =
            background.GetPixel(first - backgroundArea.GetLeft(), at.y - backgroundArea.GetTop());
        // One layer, the usual case: where its run lies within the background's, the two are
        // composited in one pass that writes each framebuffer pixel once, and only the background
        // on either side of the layer's run is copied. The pixels are those of the copy followed
        // by the layer's compositing below, so the order of the writes is all that changes.
        if (m_layers.size() == 1 && m_layers.front() != nullptr)
        {
            ForegroundGraphics& surface = m_layers.front()->GetPImpl();
            const Velmora::PixelArea& area = surface.GetArea();
            int16_t layerFirst = 0;
            const uint16_t layerCount = Cover(area, at.x, at.y, length, layerFirst);
            const int32_t before = int32_t{layerFirst} - first;
            const int32_t after = int32_t{first} + count - (int32_t{layerFirst} + layerCount);
            if (layerCount != 0 && before >= 0 && after >= 0)
            {
                if (before != 0)
                    driver.SetPixels(Velmora::PixelPoint(first, at.y), below, static_cast<uint16_t>(before));
                const int column = layerFirst - area.GetLeft();
                const int row = at.y - area.GetTop();
                driver.SetPixels(Velmora::PixelPoint(layerFirst, at.y), below + before, surface.GetPixel(column, row),
                                 layerCount, surface.GetPixelFormat().GetInk().GetInkRow(column, row));
                if (after != 0)
                {
                    driver.SetPixels(Velmora::PixelPoint(static_cast<int16_t>(layerFirst + layerCount), at.y),
                                     below + before + layerCount, static_cast<uint16_t>(after));
                }
                return;
            }
        }
        driver.SetPixels(Velmora::PixelPoint(first, at.y), below, count);
    }

    for (ForegroundLayer* layer : m_layers)
    {
        if (layer == nullptr)
            continue;
        ForegroundGraphics& surface = layer->GetPImpl();
        const Velmora::PixelArea& area = surface.GetArea();
        count = Cover(area, at.x, at.y, length, first);
        if (count == 0)
            continue;
        const int column = first - area.GetLeft();
        const int row = at.y - area.GetTop();
        driver.SetPixels(Velmora::PixelPoint(first, at.y), surface.GetPixel(column, row), count,
                         surface.GetPixelFormat().GetInk().GetInkRow(column, row));
    }
}

} // namespace PImpl
