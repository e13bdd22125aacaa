#include "graphics/PImpl/ForegroundLayer.h"

#include "graphics/Driver/LCD.h"

namespace PImpl
{

namespace
{

Velmora::PixelArea ToPanel(const Velmora::PixelArea& area)
{
    Driver::LCD& driver = Driver::LCD::GetInstance();
    return driver.ReverseOrientArea(driver.GetArea(), area);
}

} // namespace

ForegroundLayer::ForegroundLayer(const Velmora::PixelArea& area) : m_graphics(ToPanel(area), 0x00)
{
    Clear();
}

void ForegroundLayer::Clear()
{
    Driver::LCD& driver = Driver::LCD::GetInstance();
    const bool wasEnabled = driver.IsRefreshEnabled();
    driver.DisableRefresh(true);
    m_graphics.Fill(0);
    driver.RegisterChange(m_graphics.GetArea());
    driver.EnableRefresh(wasEnabled);
}

} // namespace PImpl
