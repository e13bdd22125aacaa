#pragma once

#include "graphics/Point.h"

#include <functional>
#include <list>

namespace Velmora
{

// Fans the touch screen's start and end of a touch out to any number of handlers, and sounds the
// buzzer from the start of a touch to its release. Handlers are kept by address: the caller keeps
// its std::function alive, at the same address, until it has removed it. The same object added
// twice runs twice; one removal removes every entry of it. Handlers run in the touch interrupt,
// front to back; a handler must not add or remove handlers itself.
class TouchEvent
{
public:
    static TouchEvent& GetInstance();

    void AddOnTouch(const std::function<void(Point)>& handler);
    void AddOnRelease(const std::function<void(Point)>& handler);
    void RemoveOnTouch(const std::function<void(Point)>& handler);
    void RemoveOnRelease(const std::function<void(Point)>& handler);

    ~TouchEvent();
    TouchEvent(const TouchEvent&) = delete;
    TouchEvent& operator=(const TouchEvent&) = delete;

private:
    TouchEvent();
    void DispatchTouch(Point point);
    void DispatchRelease(Point point);

    std::list<const std::function<void(Point)>*> m_touchHandlers;
    std::list<const std::function<void(Point)>*> m_releaseHandlers;
};

} // namespace Velmora
