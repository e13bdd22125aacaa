#pragma once

#include "graphics/Area.h"
#include "graphics/PixelArea.h"
#include "graphics/Point.h"
#include "graphics/Stroke.h"

#include <cstdint>
#include <string>

namespace PImpl
{
class ForegroundLayer;
}

namespace Velmora
{

class Brush;
class FiniteStreamReader;
class Path;

// A rectangle of the panel stacked above the background (and above the layers made before it),
// transparent where nothing is drawn. Drawing coordinates are relative to its top-left corner.
class ForegroundLayer
{
public:
    explicit ForegroundLayer(const PixelArea& area);
    virtual ~ForegroundLayer();
    ForegroundLayer(const ForegroundLayer&) = delete;
    ForegroundLayer& operator=(const ForegroundLayer&) = delete;

    PixelArea GetArea() const;
    uint16_t GetWidth() const;
    uint16_t GetHeight() const;

    // Makes the whole layer transparent.
    void Clear();
    // Makes the part of area (layer coordinates) that lies on the layer transparent.
    void Clear(const PixelArea& area);

    void DrawLine(const Point& from, const Point& to, const Stroke& stroke, const Brush& brush);
    void DrawCircle(const Point& center, float radius, const Stroke& stroke, const Brush& brush);
    void DrawRectangle(const Area& area, float cornerRadius, const Stroke& stroke, const Brush& brush);
    void DrawPath(const Path& path, const Stroke& stroke, const Brush& brush);
    void FillCircle(const Point& center, float radius, const Brush& brush);
    void FillPath(const Path& path, const Brush& brush);
    void FillText(const Point& origin, FiniteStreamReader& font, const std::string& text, float size,
                  const Brush& brush);

    PImpl::ForegroundLayer& GetPImpl() { return *m_layer; }

private:
    PImpl::ForegroundLayer* m_layer;
};

} // namespace Velmora
