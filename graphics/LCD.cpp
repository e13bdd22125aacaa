#include "graphics/LCD.h"

#include "graphics/Brush.h"
#include "graphics/Driver/LCD.h"
#include "graphics/ForegroundLayer.h"
#include "graphics/PImpl/LCD.h"
#include "graphics/PImpl/Path.h"
#include "graphics/Path.h"
#include "graphics/VelmoraExtensions.h"

#include <algorithm>
#include <cstring>

namespace Velmora
{

namespace
{

PImpl::BackgroundGraphics& Background()
{
    // The compositor must exist before the background is drawn on, so that it recomposites.
    PImpl::LCD::GetInstance();
    return PImpl::LCD::GetBackgroundLayer();
}

} // namespace

LCD& LCD::GetInstance()
{
    static LCD instance;
    return instance;
}

LCD::~LCD()
{
    // Listed layers belong to the compositor, which outlives nothing here; only the list goes.
}

PixelArea LCD::GetArea() const
{
    return Driver::LCD::GetInstance().GetArea();
}

uint16_t LCD::GetWidth() const
{
    return GetArea().GetWidth();
}

uint16_t LCD::GetHeight() const
{
    return GetArea().GetHeight();
}

bool LCD::IsFlushEnabled() const
{
    return Driver::LCD::GetInstance().IsRefreshEnabled();
}

void LCD::EnableFlush(bool enable)
{
    Driver::LCD::GetInstance().EnableRefresh(enable);
}

void LCD::DisableFlush(bool disable)
{
    Driver::LCD::GetInstance().DisableRefresh(disable);
}

bool LCD::HasChanges() const
{
    return Driver::LCD::GetInstance().HasChanges();
}

void LCD::SetBacklightBrightness(uint8_t level)
{
    Driver::LCD::GetInstance().SetBacklightBrightness(level);
}

void LCD::Clear()
{
    PImpl::BackgroundGraphics& background = Background();
    Driver::LCD& driver = Driver::LCD::GetInstance();
    const bool wasEnabled = driver.IsRefreshEnabled();
    driver.DisableRefresh(true);
    background.Fill(0);
    driver.RegisterChange(background.GetArea());
    driver.EnableRefresh(wasEnabled);
}

void LCD::Clear(const PixelArea& area)
{
    PImpl::BackgroundGraphics& background = Background();
    const PixelArea cleared = area.GetIntersection(background.GetArea());
    if (cleared.GetWidth() == 0 || cleared.GetHeight() == 0)
    {
        return;
    }
    Driver::LCD& driver = Driver::LCD::GetInstance();
    const bool wasEnabled = driver.IsRefreshEnabled();
    driver.DisableRefresh(true);
    for (int y = cleared.GetTop(); y <= cleared.GetBottom(); ++y)
    {
        std::memset(static_cast<void*>(background.GetPixel(cleared.GetLeft(), y)), 0,
                    cleared.GetWidth() * sizeof(Color565));
    }
    driver.RegisterChange(cleared);
    driver.EnableRefresh(wasEnabled);
}

ForegroundLayer& LCD::CreateForegroundLayer(const PixelArea& area)
{
    m_layers.reserve(m_layers.size() + 1);
    ForegroundLayer* layer = new ForegroundLayer(area);
    m_layers.push_back(layer);
    return *layer;
}

void LCD::DestroyForegroundLayer(ForegroundLayer& layer)
{
    const auto found = std::find(m_layers.begin(), m_layers.end(), &layer);
    if (found != m_layers.end())
    {
        m_layers.erase(found);
    }
    delete &layer;
    m_layers.shrink_to_fit();
}

void LCD::DrawRectangle(const Area& area, const Stroke& stroke, const Brush& brush)
{
    DrawRectangle(area, 0.0f, stroke, brush);
}

void LCD::DrawRectangle(const Area& area, float cornerRadius, const Stroke& stroke, const Brush& brush)
{
    Background().StrokePath(PImpl::Path::Rectangle(area, cornerRadius), stroke, brush.GetPImpl());
}

void LCD::FillRectangle(const Area& area, const Brush& brush)
{
    FillRectangle(area, 0.0f, brush);
}

void LCD::FillRectangle(const Area& area, float cornerRadius, const Brush& brush)
{
    Background().FillPath(PImpl::Path::Rectangle(area, cornerRadius), brush.GetPImpl());
}

void LCD::FillPath(const Path& path, const Brush& brush)
{
    Background().FillPath(path.GetPImpl(), brush.GetPImpl());
}

Area LCD::MeasurePath(const Path& path, const Stroke& stroke)
{
    return Background().MeasurePath(path.GetPImpl(), stroke);
}

void LCD::FillText(const Point& origin, FiniteStreamReader& font, const std::string& text, float size,
                   const Brush& brush)
{
    const PImpl::Path path = PImpl::Path::Text(origin, font, ToUTF32(text), size, 0.0f);
    Background().FillPath(path, brush.GetPImpl());
}

Area LCD::MeasureText(const Point& origin, FiniteStreamReader& font, const std::string& text, float size)
{
    return Background().MeasureFill(PImpl::Path::Text(origin, font, ToUTF32(text), size, 0.0f));
}

} // namespace Velmora
