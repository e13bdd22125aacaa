#pragma once

#include "system/Stopwatch.h"

#include <functional>

namespace Driver
{

class DigitalOutput;

// The resistive touch screen, read directly: four output lines power one plate at a time, ADC1
// converts the other plate's voltage (channel 12 for x on PC2, channel 13 for y on PC3) and TIM7
// paces the measurements, one axis per interrupt, about every 2 ms. A pair with both readings
// above their thresholds is a press; a pair with both below ends it.
class Touch
{
public:
    // The first call sets the hardware up and enables TIM7's update interrupt.
    static Touch& GetInstance();

    // Replace the callback that receives every pressed pair (x, 4096 - y), or the one that
    // receives the last pressed pair once the press ends. The swap is made with the touch
    // interrupt held off; the previous callback is destroyed afterwards.
    void SetOnTouch(std::function<void(float, float)> callback);
    void SetOnRelease(std::function<void(float, float)> callback);

    // Takes the converted value of the axis just measured; called by the interrupt handler only.
    void ProcessValue();

    // Holds the touch interrupt off for its lifetime (and restores what was there before), so
    // that thread code can change what the interrupt reads.
    class InterruptMask
    {
    public:
        InterruptMask();
        ~InterruptMask();
        InterruptMask(const InterruptMask&) = delete;
        InterruptMask& operator=(const InterruptMask&) = delete;

    private:
        bool m_wasEnabled;
    };

    ~Touch();
    Touch(const Touch&) = delete;
    Touch& operator=(const Touch&) = delete;

private:
    Touch();
    friend void TouchInterrupt();

    void Measure();
    void DriveForNextAxis();

    bool m_touched;
    float m_x;
    float m_y;
    float m_touchX;
    float m_touchY;
    bool m_phase; // true: the lines are set for channel 13 (y)
    DigitalOutput* m_lines[4];
    std::function<void(float, float)> m_onTouch;
    std::function<void(float, float)> m_onRelease;
    Velmora::Stopwatch m_stopwatch;
};

void TouchInterrupt();

} // namespace Driver

extern "C" void TIM7_IRQHandler(void);
