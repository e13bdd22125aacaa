#include "system/Timer.h"

#include "system/Driver/Timer.h"

namespace Velmora
{

Timer::Timer() : m_driver(&Driver::Timer::GetInstance())
{
}

Timer& Timer::GetInstance()
{
    static Timer instance;
    return instance;
}

void Timer::SetOnElapsed(std::function<void()> callback)
{
    m_driver->SetOnElapsed(std::move(callback));
}

} // namespace Velmora
