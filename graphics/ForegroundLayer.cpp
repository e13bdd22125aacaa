#include "graphics/ForegroundLayer.h"

#include "graphics/Brush.h"
#include "graphics/Driver/LCD.h"
#include "graphics/PImpl/ForegroundLayer.h"
#include "graphics/PImpl/LCD.h"
#include "graphics/PImpl/LayerPixelFormat.h"
#include "graphics/PImpl/Path.h"
#include "graphics/Path.h"
#include "graphics/VelmoraExtensions.h"


namespace Velmora
{

ForegroundLayer::ForegroundLayer(const PixelArea& area) : m_layer(PImpl::LCD::GetInstance().CreateForegroundLayer(area))
{
}

ForegroundLayer::~ForegroundLayer()
{
    PImpl::LCD::GetInstance().DestroyForegroundLayer(*m_layer);
}

PixelArea ForegroundLayer::GetArea() const
{
    return m_layer->GetPImpl().GetArea();
}

uint16_t ForegroundLayer::GetWidth() const
{
    return GetArea().GetWidth();
}

uint16_t ForegroundLayer::GetHeight() const
{
    return GetArea().GetHeight();
}

void ForegroundLayer::Clear()
{
    m_layer->Clear();
}

void ForegroundLayer::Clear(const PixelArea& area)
{
    PImpl::ForegroundGraphics& surface = m_layer->GetPImpl();
    const PixelArea& layerArea = surface.GetArea();
    const PixelArea cleared =
        area.GetIntersection(PixelArea(PixelPoint(0, 0), layerArea.GetWidth(), layerArea.GetHeight()));
    if (cleared.GetWidth() == 0 || cleared.GetHeight() == 0)
    {
        return;
    }
    Driver::LCD& driver = Driver::LCD::GetInstance();
    const bool wasEnabled = driver.IsRefreshEnabled();
    driver.DisableRefresh(true);
    m_layer->ClearPixels(cleared);
    driver.RegisterChange(PixelArea(PixelPoint(static_cast<int16_t>(cleared.GetLeft() + layerArea.GetLeft()),
                                               static_cast<int16_t>(cleared.GetTop() + layerArea.GetTop())),
                                    cleared.GetWidth(), cleared.GetHeight()));
    driver.EnableRefresh(wasEnabled);
}

void ForegroundLayer::DrawLine(const Point& from, const Point& to, const Stroke& stroke, const Brush& brush)
{
    m_layer->GetPImpl().StrokePath(PImpl::Path::Line(from, to), stroke, brush.GetPImpl());
}

void ForegroundLayer::DrawCircle(const Point& center, float radius, const Stroke& stroke, const Brush& brush)
{
    m_layer->GetPImpl().StrokePath(PImpl::Path::Circle(center, radius), stroke, brush.GetPImpl());
}

void ForegroundLayer::DrawRectangle(const Area& area, float cornerRadius, const Stroke& stroke, const Brush& brush)
{
    m_layer->GetPImpl().StrokePath(PImpl::Path::Rectangle(area, cornerRadius), stroke, brush.GetPImpl());
}

void ForegroundLayer::DrawPath(const Path& path, const Stroke& stroke, const Brush& brush)
{
    m_layer->GetPImpl().StrokePath(path.GetPImpl(), stroke, brush.GetPImpl());
}

void ForegroundLayer::FillCircle(const Point& center, float radius, const Brush& brush)
{
    m_layer->GetPImpl().FillPath(PImpl::Path::Circle(center, radius), brush.GetPImpl());
}

void ForegroundLayer::FillPath(const Path& path, const Brush& brush)
{
    m_layer->GetPImpl().FillPath(path.GetPImpl(), brush.GetPImpl());
}

void ForegroundLayer::FillText(const Point& origin, FiniteStreamReader& font, const std::string& text, float size,
                               const Brush& brush)
{
    const PImpl::Path path = PImpl::Path::Text(origin, font, ToUTF32(text), size, 0.0f);
    m_layer->GetPImpl().FillPath(path, brush.GetPImpl());
}

} // namespace Velmora
