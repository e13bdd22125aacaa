// Fidelity: see the note in Buzzer.h.
#include "sim/devices/Buzzer.h"

#include "sim/Board.h"
#include "sim/models/Gpio.h"
#include "sim/models/Timer.h"

namespace Sim
{

namespace
{
const int portA = 0, pin = 10, channel = 3;
const uint32_t alternateFunction = 1;
} // namespace

Buzzer::Buzzer(Board& board, Timer& timer) : m_board(board), m_timer(timer)
{
    m_timer.SetOutputObserver([this] { Sample(); });
}

void Buzzer::ClearIntervals()
{
    m_intervals.clear();
    if (m_sounding)
        m_intervals.push_back({m_board.clock().Now(), never, m_frequencyHz});
}

void Buzzer::Sample()
{
    const Timer::Output output = m_timer.ChannelOutput(channel);
    Gpio& port = m_board.gpio(portA);
    const bool routed = port.Mode(pin) == 2 && port.AlternateFunction(pin) == alternateFunction;
    // A PWM signal with a duty of 0 or 1 is a steady level: no tone.
    const bool sounding = routed && output.enabled && output.pwm && output.duty > 0 && output.duty < 1;
    const Tick now = m_board.clock().Now();
    if (sounding == m_sounding && (!sounding || output.frequencyHz == m_frequencyHz))
        return;
    if (m_sounding && !m_intervals.empty())
        m_intervals.back().end = now;
    m_sounding = sounding;
    m_frequencyHz = sounding ? output.frequencyHz : 0.0;
    if (sounding)
        m_intervals.push_back({now, never, m_frequencyHz});
}

} // namespace Sim
