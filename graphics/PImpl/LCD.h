#pragma once

// The layer compositor: an opaque background layer over the whole panel and a stack of
// foreground layers above it, composited into the framebuffer run by run on demand.

#include "graphics/PixelArea.h"
#include "graphics/PixelPoint.h"
#include "graphics/PImpl/ForegroundLayer.h"
#include "graphics/PImpl/Graphics.h"

#include <cstdint>
#include <vector>

namespace Driver
{
class LCD;
}

namespace PImpl
{

class LCD
{
public:
    // Built on first use: installs itself as the framebuffer driver's render-scanline callback,
    // composites whatever is pending, arms flushing and switches the display on.
    static LCD& GetInstance();

    // The opaque surface under every layer; white until drawn on.
    static BackgroundGraphics& GetBackgroundLayer();

    virtual ~LCD();
    LCD(const LCD&) = delete;
    LCD& operator=(const LCD&) = delete;

    // A new transparent layer on top of the stack.
    ForegroundLayer* CreateForegroundLayer(const Velmora::PixelArea& area);
    // Makes the layer transparent (so the panel shows what lies beneath), takes it off the stack
    // and deletes it. A layer the stack does not hold is still cleared and deleted.
    void DestroyForegroundLayer(ForegroundLayer& layer);

    // Rebuilds a run of one framebuffer row: the background, then every covering layer from the
    // bottom-most up.
    void RenderScanline(const Velmora::PixelPoint& at, uint16_t length);

    const std::vector<ForegroundLayer*>& GetLayers() const { return m_layers; }

private:
    LCD();

    // Both built before the compositor and kept for its lifetime; looked up once, not for every
    // run recomposited.
    Driver::LCD& m_driver;
    BackgroundGraphics& m_background;
    std::vector<ForegroundLayer*> m_layers;
};

} // namespace PImpl
