#include "input/TouchEvent.h"

#include "drivers/Buzzer.h"
#include "input/Driver/Touch.h"
#include "input/Touch.h"

namespace Velmora
{

TouchEvent::TouchEvent()
{
    Touch::GetInstance().SetOnTouch([this](Point point) { DispatchTouch(point); });
    Touch::GetInstance().SetOnRelease([this](Point point) { DispatchRelease(point); });
}

TouchEvent::~TouchEvent()
{
    Touch::GetInstance().SetOnTouch(nullptr);
    Touch::GetInstance().SetOnRelease(nullptr);
    Driver::Touch::InterruptMask mask;
    m_releaseHandlers.clear();
    m_touchHandlers.clear();
}

TouchEvent& TouchEvent::GetInstance()
{
    static TouchEvent instance;
    return instance;
}

// List changes are made with the touch interrupt held off: a dispatch that came in halfway
// through a node's linking would walk a broken list.
void TouchEvent::AddOnTouch(const std::function<void(Point)>& handler)
{
    Driver::Touch::InterruptMask mask;
    m_touchHandlers.push_back(&handler);
}

void TouchEvent::AddOnRelease(const std::function<void(Point)>& handler)
{
    Driver::Touch::InterruptMask mask;
    m_releaseHandlers.push_back(&handler);
}

void TouchEvent::RemoveOnTouch(const std::function<void(Point)>& handler)
{
    Driver::Touch::InterruptMask mask;
    m_touchHandlers.remove(&handler);
}

void TouchEvent::RemoveOnRelease(const std::function<void(Point)>& handler)
{
    Driver::Touch::InterruptMask mask;
    m_releaseHandlers.remove(&handler);
}

void TouchEvent::DispatchTouch(Point point)
{
    Buzzer::GetInstance().On(true);
    for (const std::function<void(Point)>* handler : m_touchHandlers)
        (*handler)(point);
}

void TouchEvent::DispatchRelease(Point point)
{
    for (const std::function<void(Point)>* handler : m_releaseHandlers)
        (*handler)(point);
    Buzzer::GetInstance().Off(true);
}

} // namespace Velmora
