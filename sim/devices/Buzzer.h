// Fidelity: a magnetic buzzer on PA10, driven by TIM1 channel 3 (alternate function 1). It sounds
// while the pin carries the timer's PWM signal: channel output enabled, main output enable set,
// counter running and the pin in its alternate function. The tone is the PWM frequency. Each
// time the timer's outputs change, the buzzer notes whether it sounds, so the world can read the
// intervals in which it sounded and at which pitch.
// Differs: no acoustic model; duty cycle does not change the loudness.
#pragma once

#include "sim/Clock.h"

#include <vector>

namespace Sim
{

class Board;
class Timer;

class Buzzer
{
public:
    struct Interval
    {
        Tick start;
        Tick end; // `never` while it still sounds
        double frequencyHz;
    };

    Buzzer(Board& board, Timer& timer);

    bool Sounding() const { return m_sounding; }
    // The frequency now (0 when silent).
    double FrequencyHz() const { return m_sounding ? m_frequencyHz : 0.0; }
    const std::vector<Interval>& Intervals() const { return m_intervals; }
    void ClearIntervals();

    // Re-reads the pin's signal (called whenever the timer's outputs may have changed).
    void Sample();

private:
    Board& m_board;
    Timer& m_timer;
    bool m_sounding = false;
    double m_frequencyHz = 0;
    std::vector<Interval> m_intervals;
};

} // namespace Sim
