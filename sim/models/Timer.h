// Fidelity: RM0090 sections 14 (TIM1/TIM8), 15 (TIM2..TIM5), 16 (TIM9..TIM14) and 17 (TIM6/TIM7),
// up-counting time base. Models CR1 (CEN, UDIS, URS, OPM, ARPE, CKD stored), DIER, SR (flags
// cleared by writing 0), EGR (UG re-initialises the counter, loads the preloads and sets UIF
// unless URS; CCxG sets CCxIF), CNT (32 bits on TIM2 and TIM5, 16 elsewhere), PSC (preloaded,
// taken at the next update event, also when UIF is already set), ARR (preloaded when ARPE),
// CCMR/CCER/CCR (compare preload; a compare match sets CCxIF and raises the capture/compare
// interrupt when enabled), BDTR (MOE gates the outputs of TIM1/TIM8) and the interrupt lines.
// The counter is never ticked: it is computed from virtual time at the timer kernel clock (APB
// clock, doubled when the APB prescaler is not 1); the update (overflow) and the next compare
// match of a channel whose CCxIF is clear are events. Output compare channels are visible as a
// signal (frozen, forced and PWM1/PWM2 levels, duty, frequency, enabled); on a pin in
// alternate-function mode the level follows the counter. While the RCC reset bit is set the
// timer stays at its reset state and writes are lost.
// Differs: down and centre-aligned counting, slave modes and external clock (SMCR.SMS, ECE),
// input capture (CCxS not 0), the repetition counter (RCR not 0), the output modes active,
// inactive and toggle on match (their CCxIF is modelled, their pin level is not), dead time,
// break and DMA requests (UDE, CCxDE, TDE, COMDE) are not modelled: writing a set-up that needs
// them is reported.
#pragma once

#include "sim/Clock.h"
#include "sim/Peripheral.h"
#include "sim/models/Gpio.h"

#include <functional>
#include <utility>

namespace Sim
{

class Timer : public Peripheral, public AlternateOutput
{
public:
    Timer(Board& board, int number);

    void Reset() override;
    void Update() override;
    void OnClockChange() override;

    int Number() const { return m_number; }
    bool Is32Bit() const { return m_number == 2 || m_number == 5; }

    // The counter value now.
    uint32_t Counter();

    struct Output
    {
        bool enabled;      // the channel drives its pin (CCxE, and MOE on TIM1/TIM8, counter running)
        bool pwm;          // PWM mode 1 or 2
        double frequencyHz; // counter overflow rate
        double duty;       // fraction of the period the output is high (polarity applied)
    };
    // Channel 1..4 as a signal.
    Output ChannelOutput(int channel);

    bool AlternateLevel(int port, int pin, bool& driving) override;
    // Routes channel 1..4 to a pin when that pin selects alternate function `af`.
    void RouteChannel(int channel, int port, int pin, uint32_t af);
    // Called after every write that may change the channels' output signals (a buzzer listening).
    void SetOutputObserver(std::function<void()> observer) { m_outputObserver = std::move(observer); }

private:
    static void UpdateEventCallback(void* self);
    static void CompareEventCallback(void* self);
    void OnOverflow();
    void OnCompareMatch();
    // Counts from the current base until the counter next becomes `value` (0: never).
    uint64_t CountsUntil(uint32_t value) const;
    bool OutputCompare(int channel);
    void ScheduleCompare();
    void CheckUnsupported();
    void Rebase();
    void Schedule();
    void LoadPreloads();
    uint64_t TicksPerCount() const;
    uint32_t KernelHz() const;
    uint32_t CounterMax() const { return Is32Bit() ? 0xFFFFFFFFu : 0xFFFFu; }
    bool Running() const;
    bool ChannelLevel(int channel);

    void WriteCr1(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteSr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteEgr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteCnt(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteArr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteCcr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WritePsc(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteSetUp(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteOutputs(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    uint32_t ReadCnt(Register& reg);

    Register& Reg(uint32_t offset) { return *FindRegister(offset); }

    int m_number;
    bool m_advanced;
    bool m_basic;
    int m_channels;
    int m_updateIrq;
    int m_ccIrq;
    int m_updateSource;
    Event m_updateEvent;
    Event m_compareEvent;

    bool m_wasRunning = false;
    Tick m_baseTime = 0;
    uint32_t m_baseCount = 0;
    uint64_t m_ticksPerCount = 1;
    uint32_t m_prescaler = 0; // active (shadow) prescaler
    uint32_t m_autoReload = 0; // active (shadow) auto-reload
    uint32_t m_compare[4] = {};

    struct Route
    {
        int port = -1;
        int pin = -1;
        uint32_t af = 0;
    };
    Route m_routes[4];
    std::function<void()> m_outputObserver;
};

} // namespace Sim
