#include "app/Button.h"

#include "graphics/Constants.h"
#include "graphics/DefaultFont.h"
#include "graphics/ForegroundLayer.h"
#include "graphics/LCD.h"
#include "graphics/Path.h"
#include "graphics/VelmoraExtensions.h"
#include "input/TouchEvent.h"
#include "system/System.h"

#include <utility>

using namespace Velmora;

Button::Button(Area area)
    : area(area), layer(&lcd.CreateForegroundLayer(ToPixelArea(area))), touched(false),
      touchHandler([this](Point position) { OnTouch(position); }),
      releaseHandler([this](Point position) { OnRelease(position); })
{
    TouchEvent& events = TouchEvent::GetInstance();
    events.AddOnTouch(touchHandler);
    events.AddOnRelease(releaseHandler);
}

Button::~Button()
{
    TouchEvent& events = TouchEvent::GetInstance();
    events.RemoveOnRelease(releaseHandler);
    events.RemoveOnTouch(touchHandler);
    // Removing the layer uncovers what lies below it; the owner decides when that is shown.
    const bool wasEnabled = lcd.IsFlushEnabled();
    lcd.DisableFlush(true);
    lcd.DestroyForegroundLayer(*layer);
    lcd.EnableFlush(wasEnabled);
}

void Button::Render()
{
    if (touched)
        RenderTouched();
    else
        RenderReleased();
}

void Button::SetOnTouched(std::function<void(Button&)> handler)
{
    // The touch interrupt may be releasing this very button: swap where it cannot run. The old
    // handler is destroyed afterwards, outside the member.
    Velmora::system.AtomicCall([this, &handler](void*) { onTouched.swap(handler); }, nullptr);
}

Area Button::GetInnerArea() const
{
    return Area(Point(2, 2), area.GetWidth() - 4, area.GetHeight() - 4);
}

void Button::DrawPressedFrame()
{
    layer->DrawRectangle(GetInnerArea(), 10.0f, stroke4, whiteBrush);
}

void Button::DrawReleasedFrame()
{
    layer->DrawRectangle(GetInnerArea(), 10.0f, stroke2, white25Brush);
}

Path Button::ArrowHead(Point base, float reach)
{
    Path triangle;
    triangle.MoveTo(base);
    triangle.LineTo(Point(base.x, base.y - 10));
    triangle.LineTo(Point(base.x + reach, base.y));
    triangle.LineTo(Point(base.x, base.y + 10));
    triangle.Close();
    return triangle;
}

void Button::DrawSelectionLook(const std::function<void(Point, float)>& drawIcon, const std::string& label)
{
    layer->Clear();
    const bool wasEnabled = lcd.IsFlushEnabled();
    lcd.DisableFlush(true);
    const float radius = 0.5f * area.GetHeight() - 7;
    const Point center(radius + 7, radius + 7);
    layer->DrawCircle(center, radius, stroke4, whiteBrush);
    drawIcon(center, radius);
    layer->FillText(Point(center.x + 30, center.y + 7), DefaultFont::GetInstance(), label, 20, whiteBrush);
    DrawReleasedFrame();
    lcd.EnableFlush(wasEnabled);
}

void Button::RenderTouched() {}

void Button::RenderReleased() {}

void Button::OnTouch(Point position)
{
    if (!area.Intersects(position))
        return;
    const bool wasEnabled = lcd.IsFlushEnabled();
    lcd.DisableFlush(true);
    RenderTouched();
    lcd.EnableFlush(wasEnabled);
    touched = true;
}

void Button::OnRelease(Point)
{
    if (touched)
    {
        // A click handler that throws (an expander that does not answer) must not leave the
        // button pressed: the next release would click it again without a touch.
        struct ClearTouched
        {
            volatile bool& flag;
            ~ClearTouched() { flag = false; }
        } clearTouched{touched};
        if (onTouched)
            onTouched(*this);
        const bool wasEnabled = lcd.IsFlushEnabled();
        lcd.DisableFlush(true);
        RenderReleased();
        lcd.EnableFlush(wasEnabled);
    }
    touched = false;
}
