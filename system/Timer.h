#pragma once

#include <functional>

namespace Driver
{
class Timer;
}

namespace Velmora
{

// The free-running 1 MHz timer (TIM2). It runs from static initialisation on; the callback, if
// one is set, runs in interrupt context each time the 32-bit counter wraps (about every
// 71.6 minutes). Exceptions it throws go to the unhandled-exception handler.
class Timer
{
public:
    static Timer& GetInstance();

    void SetOnElapsed(std::function<void()> callback);

    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

private:
    Timer();

    Driver::Timer* m_driver;
};

extern Timer& timer;

} // namespace Velmora
