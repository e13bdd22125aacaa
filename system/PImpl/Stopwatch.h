#pragma once

#include <cstdint>

namespace PImpl
{

// Elapsed time and busy-wait delays on TIM5, a free-running 32-bit counter at the APB1 timer
// clock (2 x PCLK1 = 84 MHz) shared by every stopwatch and delay. It wraps every 2^32 ticks
// (about 51.13 s at 84 MHz); a measurement or delay is correct only while it spans less than one
// wrap.
class Stopwatch
{
public:
    // Starts TIM5 if it is not running yet and captures the current count; the watch is not
    // running, so it reads 0 until Start() or Restart().
    Stopwatch();

    // Sets the running flag only: the start count stays where construction or the last
    // Restart() put it.
    void Start();
    // Sets the running flag and captures the current count as start and held count.
    void Restart();

    float GetElapsedSeconds() const;
    float GetElapsedMilliseconds() const;
    float GetElapsedMicroseconds() const;

    // Busy-wait on the counter; a request of 0 or less returns after one pass.
    static void DelaySeconds(float seconds);
    static void DelayMilliseconds(float milliseconds);
    static void DelayMicroseconds(float microseconds);

    // Ticks from start to now. When the counter has wrapped (now < start) the count is
    // (now - start - 1) modulo 2^32, one tick short of the true distance; every timeout in the
    // firmware is calibrated on this rule, so it is kept.
    static uint32_t TickCount(uint32_t start, uint32_t now);
    // Converts ticks to seconds in single precision at the given timer clock.
    static float ToSeconds(uint32_t ticks, uint32_t timerClock);

    // Starts TIM5 (clock, time base, enable) unless its counter-enable bit is already set.
    static void EnsureCounterRuns();

private:
    float ElapsedSeconds() const;

    bool m_running;
    uint32_t m_startCount;
    uint32_t m_heldCount;
};

} // namespace PImpl
