#pragma once

#include <cstdint>

namespace PImpl
{
class Stopwatch;
}

namespace Velmora
{

// Measures elapsed time and makes busy-wait delays. Every hardware timeout in the firmware is a
// Stopwatch that is restarted and then polled. All stopwatches share one 32-bit counter at
// 84 MHz, so a measurement is only correct while it spans less than about 51 s.
class Stopwatch
{
public:
    // The watch is not running and reads 0 until Start() or Restart().
    Stopwatch();
    ~Stopwatch();

    Stopwatch(const Stopwatch&) = delete;
    Stopwatch& operator=(const Stopwatch&) = delete;

    // Lets the watch run from the moment of construction or of the last Restart().
    void Start();
    // Lets the watch run from now.
    void Restart();

    float GetElapsedSeconds() const;
    float GetElapsedMilliseconds() const;
    float GetElapsedMicroseconds() const;

    // Busy-waits; never yields or sleeps. Must be shorter than one counter wrap.
    static void DelaySeconds(float seconds);
    static void DelayMilliseconds(float milliseconds);

private:
    PImpl::Stopwatch* m_implementation;
};

} // namespace Velmora

// The USB device library's microsecond and millisecond delays.
extern "C" void StopwatchDelayMicroS(uint32_t microseconds);
extern "C" void StopwatchDelayMilliS(uint32_t milliseconds);
