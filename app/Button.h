#pragma once

#include "graphics/Area.h"
#include "graphics/Point.h"

#include <functional>
#include <string>

namespace Velmora
{
class ForegroundLayer;
class Path;
}

// A touch button on its own foreground layer, covering exactly its area. It shows a pressed look
// from a touch that starts inside its area until the following release, and a released look
// otherwise; the release of a touch that started on it is a click, wherever the finger lifts.
// The touch handlers are registered by address, so a button is neither copied nor moved.
class Button
{
public:
    explicit Button(Velmora::Area area);
    virtual ~Button();
    Button(const Button&) = delete;
    Button& operator=(const Button&) = delete;

    // Draws the look of the current state; owners call it once to show the button.
    void Render();
    // The click handler; runs in the touch interrupt, before the released look is drawn.
    void SetOnTouched(std::function<void(Button&)> handler);

    virtual void RenderTouched();
    virtual void RenderReleased();

protected:
    // The button's area less 2 pixels on every side, in layer coordinates: the frame's rectangle.
    Velmora::Area GetInnerArea() const;
    // The pressed look every labelled button shares, drawn over what the layer holds.
    void DrawPressedFrame();
    // The frame that ends every labelled button's released look.
    void DrawReleasedFrame();
    // A closed triangle whose base, 20 pixels high, stands upright at base; its tip lies `reach`
    // pixels to the right (negative: to the left).
    static Velmora::Path ArrowHead(Velmora::Point base, float reach);
    // The released look of the page selection buttons: a round icon at the left whose inside and
    // surroundings drawIcon paints, given the circle's centre and radius, then the label.
    void DrawSelectionLook(const std::function<void(Velmora::Point, float)>& drawIcon, const std::string& label);

    Velmora::Area area;
    Velmora::ForegroundLayer* layer;

private:
    void OnTouch(Velmora::Point position);
    void OnRelease(Velmora::Point position);

    volatile bool touched;
    std::function<void(Button&)> onTouched;
    std::function<void(Velmora::Point)> touchHandler;
    std::function<void(Velmora::Point)> releaseHandler;
};
