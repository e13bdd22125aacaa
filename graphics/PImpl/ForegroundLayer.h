#pragma once

#include "graphics/PixelArea.h"
#include "graphics/PImpl/Graphics.h"

namespace PImpl
{

// A rectangle of the panel stacked above the background, with per-pixel opacity. Owned by the
// compositor (PImpl::LCD) from creation to destruction.
class ForegroundLayer
{
public:
    // A fully transparent layer; its area is registered as changed so that whatever it covered
    // gets recomposited.
    explicit ForegroundLayer(const Velmora::PixelArea& area);
    virtual ~ForegroundLayer() = default;

    ForegroundLayer(const ForegroundLayer&) = delete;
    ForegroundLayer& operator=(const ForegroundLayer&) = delete;

    ForegroundGraphics& GetPImpl() { return m_graphics; }
    const ForegroundGraphics& GetPImpl() const { return m_graphics; }

    // In a refresh bracket: every pixel transparent, the whole area registered as changed.
    void Clear();

    // Sets the pixels of the area (layer coordinates, within the layer) to zero bytes, storing only
    // into the blocks the ink map marks, and unmarks the blocks that lie wholly inside the area (a
    // block only partly inside keeps its mark: its other pixels may hold ink). Registers nothing.
    void ClearPixels(const Velmora::PixelArea& local);

private:
    ForegroundGraphics m_graphics;
};

} // namespace PImpl
