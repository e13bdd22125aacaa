#pragma once

#include <functional>

namespace Driver
{

// TIM2, a free-running 32-bit counter at 1 MHz that wraps about every 71.6 minutes, with an
// interrupt that runs a callback at each wrap (the counter's update event).
class Timer
{
public:
    // The first call sets TIM2 up and starts it, and enables its interrupt in the NVIC.
    static Timer& GetInstance();

    // Replaces the callback, which runs in interrupt context at priority 1. Setting one enables
    // TIM2's update interrupt; an empty function disables it. An update that happened before the
    // callback was set is discarded rather than reported late.
    void SetOnElapsed(std::function<void()> callback);

    // Called by TIM2_IRQHandler once the update flag has been cleared.
    void ProcessInterrupt();

    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

private:
    Timer();

    std::function<void()> m_onElapsed;
};

} // namespace Driver

extern "C" void TIM2_IRQHandler(void);
