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

LCD::LCD()
{
    Driver::LCD& driver = Driver::LCD::GetInstance();
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

void LCD::RenderScanline(const Velmora::PixelPoint& at, uint16_t length)
{
    Driver::LCD& driver = Driver::LCD::GetInstance();
    const Velmora::PixelArea run(at, length, 1);

    BackgroundGraphics& background = GetBackgroundLayer();
    const Velmora::PixelArea& backgroundArea = background.GetArea();
    const Velmora::PixelArea c = run.GetIntersection(backgroundArea);
    if (c.GetWidth() != 0 && c.GetHeight() != 0)
    {
        driver.SetPixels(c.GetTopLeft(),
                         background.GetPixel(c.GetLeft() - backgroundArea.GetLeft(), c.GetTop() - backgroundArea.GetTop()),
                         c.GetWidth());
    }

    for (ForegroundLayer* layer : m_layers)
    {
        if (layer == nullptr)
            continue;
        ForegroundGraphics& surface = layer->GetPImpl();
        const Velmora::PixelArea& area = surface.GetArea();
        const Velmora::PixelArea covered = run.GetIntersection(area);
        if (covered.GetWidth() == 0 || covered.GetHeight() == 0)
            continue;
        driver.SetPixels(covered.GetTopLeft(),
                         surface.GetPixel(covered.GetLeft() - area.GetLeft(), covered.GetTop() - area.GetTop()),
                         covered.GetWidth());
    }
}

} // namespace PImpl
