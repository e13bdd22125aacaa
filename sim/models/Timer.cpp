// Fidelity: see the note in Timer.h (the manual sections followed, what is modelled, what differs).
#include "sim/models/Timer.h"

#include "sim/Board.h"
#include "stm32f4xx.h"

#include <cstdio>

namespace Sim
{

namespace
{
const uint32_t cr1 = 0x00, cr2 = 0x04, smcr = 0x08, dier = 0x0C, sr = 0x10, egr = 0x14, ccmr1 = 0x18, ccmr2 = 0x1C,
               ccer = 0x20, cnt = 0x24, psc = 0x28, arr = 0x2C, rcr = 0x30, ccr1 = 0x34, bdtr = 0x44, dcr = 0x48,
               dmar = 0x4C, option = 0x50;

const char* const m_names[15] = {"",      "TIM1",  "TIM2",  "TIM3",  "TIM4",  "TIM5",  "TIM6", "TIM7",
                                 "TIM8",  "TIM9",  "TIM10", "TIM11", "TIM12", "TIM13", "TIM14"};
const char* const m_compareNames[15] = {"",
                                        "TIM1 compare",
                                        "TIM2 compare",
                                        "TIM3 compare",
                                        "TIM4 compare",
                                        "TIM5 compare",
                                        "TIM6 compare",
                                        "TIM7 compare",
                                        "TIM8 compare",
                                        "TIM9 compare",
                                        "TIM10 compare",
                                        "TIM11 compare",
                                        "TIM12 compare",
                                        "TIM13 compare",
                                        "TIM14 compare"};
const uint32_t m_bases[15] = {0,          TIM1_BASE,  TIM2_BASE,  TIM3_BASE,  TIM4_BASE,
                              TIM5_BASE,  TIM6_BASE,  TIM7_BASE,  TIM8_BASE,  TIM9_BASE,
                              TIM10_BASE, TIM11_BASE, TIM12_BASE, TIM13_BASE, TIM14_BASE};

bool OnApb2(int number) { return number == 1 || number == 8 || number == 9 || number == 10 || number == 11; }
} // namespace

Timer::Timer(Board& board, int number)
    : Peripheral(board, m_names[number], m_bases[number], 0x400, OnApb2(number) ? BusKind::Apb2 : BusKind::Apb1),
      m_number(number), m_advanced(number == 1 || number == 8), m_basic(number == 6 || number == 7),
      m_updateEvent(m_names[number], &Timer::UpdateEventCallback, this),
      m_compareEvent(m_compareNames[number], &Timer::CompareEventCallback, this)
{
    switch (number)
    {
    case 1:
    case 8:
        m_channels = 4;
        break;
    case 2:
    case 3:
    case 4:
    case 5:
        m_channels = 4;
        break;
    case 9:
    case 12:
        m_channels = 2;
        break;
    case 6:
    case 7:
        m_channels = 0;
        break;
    default:
        m_channels = 1;
        break;
    }
    // Interrupt vectors; the small timers share theirs with TIM1/TIM8 (source 1 of the line).
    m_updateSource = 0;
    switch (number)
    {
    case 1:
        m_updateIrq = TIM1_UP_TIM10_IRQn;
        m_ccIrq = TIM1_CC_IRQn;
        break;
    case 8:
        m_updateIrq = TIM8_UP_TIM13_IRQn;
        m_ccIrq = TIM8_CC_IRQn;
        break;
    case 2:
        m_updateIrq = m_ccIrq = TIM2_IRQn;
        break;
    case 3:
        m_updateIrq = m_ccIrq = TIM3_IRQn;
        break;
    case 4:
        m_updateIrq = m_ccIrq = TIM4_IRQn;
        break;
    case 5:
        m_updateIrq = m_ccIrq = TIM5_IRQn;
        break;
    case 6:
        m_updateIrq = m_ccIrq = TIM6_DAC_IRQn;
        break;
    case 7:
        m_updateIrq = m_ccIrq = TIM7_IRQn;
        break;
    case 9:
        m_updateIrq = m_ccIrq = TIM1_BRK_TIM9_IRQn;
        m_updateSource = 1;
        break;
    case 10:
        m_updateIrq = m_ccIrq = TIM1_UP_TIM10_IRQn;
        m_updateSource = 1;
        break;
    case 11:
        m_updateIrq = m_ccIrq = TIM1_TRG_COM_TIM11_IRQn;
        m_updateSource = 1;
        break;
    case 12:
        m_updateIrq = m_ccIrq = TIM8_BRK_TIM12_IRQn;
        m_updateSource = 1;
        break;
    case 13:
        m_updateIrq = m_ccIrq = TIM8_UP_TIM13_IRQn;
        m_updateSource = 1;
        break;
    default:
        m_updateIrq = m_ccIrq = TIM8_TRG_COM_TIM14_IRQn;
        m_updateSource = 1;
        break;
    }

    const uint32_t counterMask = Is32Bit() ? 0xFFFFFFFF : 0xFFFF;
    // Channel-dependent bit sets: CCxIE/CCxIF/CCxG of the implemented channels.
    const uint32_t channelBits = ((1u << m_channels) - 1) << 1;
    if (m_basic)
    {
        Define("CR1", cr1, 0).Rw(TIM_CR1_CEN | TIM_CR1_UDIS | TIM_CR1_URS | TIM_CR1_OPM | TIM_CR1_ARPE)
            .OnWrite(&Timer::WriteCr1);
        Define("CR2", cr2, 0).Rw(TIM_CR2_MMS);
        Define("DIER", dier, 0).Rw(TIM_DIER_UIE | TIM_DIER_UDE).OnWrite(&Timer::WriteSetUp);
        // Flags are cleared by writing 0, so software writes the complement: 1s elsewhere are ignored.
        Define("SR", sr, 0).W0c(TIM_SR_UIF).Ro(0xFFFE).OnWrite(&Timer::WriteSr);
        Define("EGR", egr, 0).Wo(TIM_EGR_UG).OnWrite(&Timer::WriteEgr);
    }
    else
    {
        Define("CR1", cr1, 0)
            .Rw(TIM_CR1_CEN | TIM_CR1_UDIS | TIM_CR1_URS | TIM_CR1_OPM | TIM_CR1_ARPE | TIM_CR1_CKD |
                (m_channels == 4 ? (TIM_CR1_DIR | TIM_CR1_CMS) : 0))
            .OnWrite(&Timer::WriteCr1);
        Define("CR2", cr2, 0).Rw(m_advanced ? 0x7FFD : (m_channels == 4 ? 0xF8 : 0));
        Define("SMCR", smcr, 0).Rw(m_channels == 4 ? 0xFFF7 : 0xF7).OnWrite(&Timer::WriteSetUp);
        Define("DIER", dier, 0)
            .Rw(TIM_DIER_UIE | channelBits | TIM_DIER_TIE | (m_advanced ? (TIM_DIER_COMIE | TIM_DIER_BIE) : 0) |
                (m_channels == 4 ? (TIM_DIER_UDE | (channelBits << 8) | TIM_DIER_TDE) : 0) |
                (m_advanced ? TIM_DIER_COMDE : 0))
            .OnWrite(&Timer::WriteSetUp);
        Define("SR", sr, 0)
            .W0c(TIM_SR_UIF | channelBits | TIM_SR_TIF | (m_advanced ? (TIM_SR_COMIF | TIM_SR_BIF) : 0) |
                 (channelBits << 8))
            .OnWrite(&Timer::WriteSr);
        Register& status = *FindRegister(sr);
        status.Ro(0xFFFF & ~status.w0c);
        Define("EGR", egr, 0)
            .Wo(TIM_EGR_UG | channelBits | TIM_EGR_TG | (m_advanced ? (TIM_EGR_COMG | TIM_EGR_BG) : 0))
            .OnWrite(&Timer::WriteEgr);
        Define("CCMR1", ccmr1, 0).Rw(m_channels >= 2 ? 0xFFFF : 0xFF).OnWrite(&Timer::WriteOutputs);
        if (m_channels == 4)
            Define("CCMR2", ccmr2, 0).Rw(0xFFFF).OnWrite(&Timer::WriteOutputs);
        uint32_t ccerBits = 0;
        for (int channel = 0; channel < m_channels; ++channel)
            ccerBits |= (m_advanced && channel < 3 ? 0xFu : 0xBu) << (4 * channel);
        if (m_advanced)
            ccerBits |= TIM_CCER_CC4P | TIM_CCER_CC4E;
        Define("CCER", ccer, 0).Rw(ccerBits).OnWrite(&Timer::WriteOutputs);
    }
    // On the 16-bit timers the upper half of CNT, ARR and CCRx is reserved; the peripheral library
    // writes 32-bit values there (a period of 0xFFFFFFFF by default), which the silicon ignores.
    const uint32_t upperHalf = ~counterMask;
    Define("CNT", cnt, 0).Rw(counterMask).Ro(upperHalf).OnWrite(&Timer::WriteCnt).OnRead(&Timer::ReadCnt);
    Define("PSC", psc, 0).Rw(0xFFFF).OnWrite(&Timer::WritePsc);
    Define("ARR", arr, counterMask).Rw(counterMask).Ro(upperHalf).OnWrite(&Timer::WriteArr);
    if (m_advanced)
    {
        Define("RCR", rcr, 0).Rw(0xFF).OnWrite(&Timer::WriteSetUp);
        Define("BDTR", bdtr, 0).Rw(0xFFFF).OnWrite(&Timer::WriteOutputs);
    }
    static const char* const ccrNames[4] = {"CCR1", "CCR2", "CCR3", "CCR4"};
    for (int channel = 0; channel < m_channels; ++channel)
        Define(ccrNames[channel], ccr1 + 4 * static_cast<uint32_t>(channel), 0)
            .Rw(counterMask)
            .Ro(upperHalf)
            .OnWrite(&Timer::WriteCcr);
    if (!m_basic && (m_channels == 4))
    {
        Define("DCR", dcr, 0).Rw(0x1F1F);
        Define("DMAR", dmar, 0).Rw(0xFFFF);
    }
    if (number == 2)
        Define("OR", option, 0).Rw(0x0C00);
    if (number == 5)
        Define("OR", option, 0).Rw(0x00C0);
    if (number == 11)
        Define("OR", option, 0).Rw(0x0003);
}

void Timer::Reset()
{
    board().clock().Cancel(m_updateEvent);
    board().clock().Cancel(m_compareEvent);
    Peripheral::Reset();
    m_wasRunning = false;
    m_baseTime = board().clock().Now();
    m_baseCount = 0;
    m_prescaler = 0;
    m_autoReload = Reg(arr).value;
    for (uint32_t& compare : m_compare)
        compare = 0;
    m_ticksPerCount = TicksPerCount();
    if (m_outputObserver)
        m_outputObserver(); // a reset silences whatever listened to the outputs
}

uint32_t Timer::KernelHz() const { return OnApb2(m_number) ? board().Apb2TimerHz() : board().Apb1TimerHz(); }

uint64_t Timer::TicksPerCount() const { return TicksPerCycle(KernelHz()) * (static_cast<uint64_t>(m_prescaler) + 1); }

bool Timer::Running() const
{
    return ClockEnabled() && (const_cast<Timer*>(this)->Reg(cr1).value & TIM_CR1_CEN) != 0 && m_autoReload != 0;
}

uint32_t Timer::Counter()
{
    if (!m_wasRunning)
        return m_baseCount;
    uint64_t elapsed = (board().clock().Now() - m_baseTime) / m_ticksPerCount;
    uint64_t count = m_baseCount;
    if (count > m_autoReload)
    {
        // Above the auto-reload value the counter runs to its maximum and rolls over to 0.
        const uint64_t toWrap = static_cast<uint64_t>(CounterMax()) - count + 1;
        if (elapsed < toWrap)
            return static_cast<uint32_t>(count + elapsed);
        elapsed -= toWrap;
        count = 0;
    }
    return static_cast<uint32_t>((count + elapsed) % (static_cast<uint64_t>(m_autoReload) + 1));
}

void Timer::Rebase()
{
    const Tick now = board().clock().Now();
    if (m_wasRunning)
    {
        const uint64_t elapsed = (now - m_baseTime) / m_ticksPerCount;
        m_baseCount = Counter();
        // Keep the phase within the current count.
        m_baseTime += elapsed * m_ticksPerCount;
    }
    else
        m_baseTime = now; // a stopped counter starts counting from now
    m_wasRunning = Running();
    m_ticksPerCount = TicksPerCount();
}

void Timer::LoadPreloads()
{
    m_prescaler = Reg(psc).value;
    m_autoReload = Reg(arr).value;
    for (int channel = 0; channel < m_channels; ++channel)
        m_compare[channel] = Reg(ccr1 + 4 * static_cast<uint32_t>(channel)).value;
}

void Timer::Schedule()
{
    board().clock().Cancel(m_updateEvent);
    ScheduleCompare();
    if (!m_wasRunning)
        return;
    // Nothing observable happens at an overflow once UIF is set, no interrupt or DMA waits for it
    // and no preload is pending: the counter then simply wraps (computed on read).
    const uint32_t status = Reg(sr).value;
    const uint32_t control = Reg(cr1).value;
    bool pendingPreload = Reg(psc).value != m_prescaler || Reg(arr).value != m_autoReload;
    for (int channel = 0; channel < m_channels; ++channel)
        pendingPreload = pendingPreload || Reg(ccr1 + 4 * static_cast<uint32_t>(channel)).value != m_compare[channel];
    const bool needed = (status & TIM_SR_UIF) == 0 || pendingPreload || (control & TIM_CR1_OPM) != 0;
    if (!needed)
        return;
    uint64_t counts;
    if (m_baseCount <= m_autoReload)
        counts = static_cast<uint64_t>(m_autoReload) - m_baseCount + 1;
    else
        counts = static_cast<uint64_t>(CounterMax()) - m_baseCount + 1 + m_autoReload + 1;
    board().clock().Schedule(m_updateEvent, m_baseTime + counts * m_ticksPerCount);
}

void Timer::UpdateEventCallback(void* self) { static_cast<Timer*>(self)->OnOverflow(); }

void Timer::CompareEventCallback(void* self) { static_cast<Timer*>(self)->OnCompareMatch(); }

bool Timer::OutputCompare(int channel)
{
    if (m_basic)
        return false;
    const uint32_t mode = Reg(channel < 2 ? ccmr1 : ccmr2).value >> (8 * (channel % 2));
    return (mode & TIM_CCMR1_CC1S) == 0;
}

uint64_t Timer::CountsUntil(uint32_t value) const
{
    // From the base the counter runs up to the auto-reload value (or, above it, to its maximum),
    // then from 0 to the auto-reload value again and again.
    const uint64_t top = m_baseCount <= m_autoReload ? m_autoReload : CounterMax();
    if (value > m_baseCount && value <= top)
        return value - m_baseCount;
    if (value <= m_autoReload)
        return top - m_baseCount + 1 + value;
    return 0;
}

void Timer::ScheduleCompare()
{
    board().clock().Cancel(m_compareEvent);
    if (!m_wasRunning)
        return;
    // Only a channel whose flag is clear can change anything at its next match.
    const uint32_t status = Reg(sr).value;
    uint64_t nearest = 0;
    for (int channel = 0; channel < m_channels; ++channel)
    {
        if ((status & (TIM_SR_CC1IF << channel)) != 0 || !OutputCompare(channel))
            continue;
        const uint64_t counts = CountsUntil(m_compare[channel]);
        if (counts != 0 && (nearest == 0 || counts < nearest))
            nearest = counts;
    }
    if (nearest != 0)
        board().clock().Schedule(m_compareEvent, m_baseTime + nearest * m_ticksPerCount);
}

void Timer::OnCompareMatch()
{
    const uint32_t count = Counter();
    for (int channel = 0; channel < m_channels; ++channel)
        if (OutputCompare(channel) && m_compare[channel] == count)
            Reg(sr).value |= TIM_SR_CC1IF << channel;
    Update();
    // The next match is counted from the current count.
    Rebase();
    ScheduleCompare();
}

void Timer::OnOverflow()
{
    m_baseTime = m_updateEvent.when;
    m_baseCount = 0;
    Register& control = Reg(cr1);
    if ((control.value & TIM_CR1_UDIS) == 0)
    {
        // The update event: shadow registers take their preloaded values, UIF is set.
        m_prescaler = Reg(psc).value;
        if (control.value & TIM_CR1_ARPE)
            m_autoReload = Reg(arr).value;
        for (int channel = 0; channel < m_channels; ++channel)
            m_compare[channel] = Reg(ccr1 + 4 * static_cast<uint32_t>(channel)).value;
        Reg(sr).value |= TIM_SR_UIF;
    }
    // The counter becomes 0 here: a compare value of 0 matches now.
    for (int channel = 0; channel < m_channels; ++channel)
        if (OutputCompare(channel) && m_compare[channel] == 0)
            Reg(sr).value |= TIM_SR_CC1IF << channel;
    if (control.value & TIM_CR1_OPM)
        control.value &= ~TIM_CR1_CEN;
    m_wasRunning = Running();
    m_ticksPerCount = TicksPerCount();
    Update();
    Schedule();
    if (m_outputObserver)
        m_outputObserver(); // the shadow registers may have taken a new period or duty
}

void Timer::Update()
{
    const uint32_t status = Reg(sr).value;
    const uint32_t enables = Reg(dier).value;
    const uint32_t active = status & enables & 0xFF;
    Core& core = board().core();
    if (m_advanced)
    {
        core.SetIrqLine(m_updateIrq, (active & TIM_SR_UIF) != 0, 0);
        core.SetIrqLine(m_ccIrq, (active & 0x1E) != 0, 0);
        const int breakIrq = m_number == 1 ? TIM1_BRK_TIM9_IRQn : TIM8_BRK_TIM12_IRQn;
        const int triggerIrq = m_number == 1 ? TIM1_TRG_COM_TIM11_IRQn : TIM8_TRG_COM_TIM14_IRQn;
        core.SetIrqLine(breakIrq, (active & TIM_SR_BIF) != 0, 0);
        core.SetIrqLine(triggerIrq, (active & (TIM_SR_TIF | TIM_SR_COMIF)) != 0, 0);
    }
    else
        core.SetIrqLine(m_updateIrq, active != 0, m_updateSource);
}

void Timer::OnClockChange()
{
    Rebase();
    Schedule();
}

void Timer::WriteCr1(Register& reg, uint32_t, uint32_t, uint32_t)
{
    if (reg.value & (TIM_CR1_DIR | TIM_CR1_CMS))
        board().Diagnose("timer: down-counting and centre-aligned modes are not modelled");
    Rebase();
    Schedule();
    for (const Route& route : m_routes)
        if (route.port >= 0)
            board().gpio(route.port).Resolve();
    if (m_outputObserver)
        m_outputObserver();
}

void Timer::WriteSr(Register&, uint32_t, uint32_t, uint32_t)
{
    // Clearing UIF means overflows matter again, clearing CCxIF the channel's next match.
    if (m_wasRunning)
    {
        Rebase();
        Schedule();
    }
}

void Timer::WritePsc(Register&, uint32_t, uint32_t, uint32_t)
{
    // The new prescaler waits for the next update event, which must now happen even if UIF is set.
    Schedule();
}

void Timer::WriteSetUp(Register&, uint32_t, uint32_t, uint32_t) { CheckUnsupported(); }

void Timer::CheckUnsupported()
{
    char message[200];
    auto report = [&](const char* what) {
        std::snprintf(message, sizeof message, "%s: %s is not modelled", Name(), what);
        board().Diagnose(message);
    };
    if (!m_basic && (Reg(smcr).value & (TIM_SMCR_SMS | TIM_SMCR_ECE)) != 0)
        report("slave mode or the external clock (SMCR.SMS, ECE)");
    const uint32_t dmaEnables = TIM_DIER_UDE | TIM_DIER_CC1DE | TIM_DIER_CC2DE | TIM_DIER_CC3DE | TIM_DIER_CC4DE |
                                TIM_DIER_COMDE | TIM_DIER_TDE;
    if ((Reg(dier).value & dmaEnables) != 0)
        report("a timer DMA request (DIER.UDE, CCxDE, COMDE, TDE)");
    if (m_advanced && Reg(rcr).value != 0)
        report("the repetition counter (RCR)");
    for (int channel = 0; channel < m_channels; ++channel)
    {
        const uint32_t mode = Reg(channel < 2 ? ccmr1 : ccmr2).value >> (8 * (channel % 2));
        if ((mode & TIM_CCMR1_CC1S) != 0)
            report("input capture (CCMRx.CCxS)");
        else
        {
            const uint32_t compareMode = (mode & TIM_CCMR1_OC1M) >> 4;
            if (compareMode >= 1 && compareMode <= 3)
                report("an active, inactive or toggle on match output (CCMRx.OCxM 1..3)");
        }
    }
}

void Timer::WriteEgr(Register&, uint32_t, uint32_t written, uint32_t)
{
    if (written & TIM_EGR_UG)
    {
        // Re-initialise the counter (and the prescaler's counter).
        const Tick now = board().clock().Now();
        m_baseCount = 0;
        m_baseTime = now;
        if ((Reg(cr1).value & TIM_CR1_UDIS) == 0)
        {
            LoadPreloads();
            if ((Reg(cr1).value & TIM_CR1_URS) == 0)
                Reg(sr).value |= TIM_SR_UIF;
        }
        m_wasRunning = Running();
        m_ticksPerCount = TicksPerCount();
    }
    Reg(sr).value |= written & 0x1E & ~TIM_EGR_UG;
    if (written & TIM_EGR_TG)
        Reg(sr).value |= TIM_SR_TIF;
    if (m_advanced && (written & TIM_EGR_BG))
        Reg(sr).value |= TIM_SR_BIF;
    if (m_advanced && (written & TIM_EGR_COMG))
        Reg(sr).value |= TIM_SR_COMIF;
    Schedule();
    if (m_outputObserver)
        m_outputObserver();
}

void Timer::WriteCnt(Register& reg, uint32_t, uint32_t, uint32_t)
{
    Rebase();
    m_baseCount = reg.value;
    m_baseTime = board().clock().Now();
    Schedule();
}

uint32_t Timer::ReadCnt(Register&) { return Counter(); }

void Timer::WriteArr(Register& reg, uint32_t, uint32_t, uint32_t)
{
    Rebase();
    if ((Reg(cr1).value & TIM_CR1_ARPE) == 0)
        m_autoReload = reg.value;
    m_wasRunning = Running();
    Schedule();
}

void Timer::WriteCcr(Register& reg, uint32_t, uint32_t, uint32_t)
{
    const int channel = static_cast<int>((reg.offset - ccr1) / 4);
    const uint32_t mode = Reg(channel < 2 ? ccmr1 : ccmr2).value >> (8 * (channel % 2));
    if ((mode & TIM_CCMR1_OC1PE) == 0)
        m_compare[channel] = reg.value;
    Schedule();
}

void Timer::WriteOutputs(Register& reg, uint32_t, uint32_t, uint32_t)
{
    if (reg.offset == ccmr1 || reg.offset == ccmr2)
    {
        CheckUnsupported();
        ScheduleCompare();
    }
    for (const Route& route : m_routes)
        if (route.port >= 0)
            board().gpio(route.port).Resolve();
    if (m_outputObserver)
        m_outputObserver();
}

Timer::Output Timer::ChannelOutput(int channel)
{
    Output output{false, false, 0.0, 0.0};
    if (channel < 1 || channel > m_channels)
        return output;
    const int index = channel - 1;
    const uint32_t mode = (Reg(index < 2 ? ccmr1 : ccmr2).value >> (8 * (index % 2) + 4)) & 7;
    const uint32_t enables = Reg(ccer).value >> (4 * index);
    const bool mainOutput = !m_advanced || (Reg(bdtr).value & TIM_BDTR_MOE) != 0;
    output.enabled = (enables & TIM_CCER_CC1E) != 0 && mainOutput && m_wasRunning;
    output.pwm = mode == 6 || mode == 7;
    const double period = static_cast<double>(m_autoReload) + 1;
    if (m_wasRunning)
        output.frequencyHz = static_cast<double>(KernelHz()) / (static_cast<double>(m_prescaler) + 1) / period;
    double high = 0;
    const double compare = m_compare[index] > m_autoReload ? period : static_cast<double>(m_compare[index]);
    switch (mode)
    {
    case 5: // forced active
        high = 1;
        break;
    case 6: // PWM mode 1: active while CNT < CCR
        high = compare / period;
        break;
    case 7: // PWM mode 2: inactive while CNT < CCR
        high = 1 - compare / period;
        break;
    default:
        high = 0;
        break;
    }
    if (enables & TIM_CCER_CC1P)
        high = 1 - high;
    output.duty = high;
    return output;
}

bool Timer::ChannelLevel(int channel)
{
    const int index = channel - 1;
    const uint32_t mode = (Reg(index < 2 ? ccmr1 : ccmr2).value >> (8 * (index % 2) + 4)) & 7;
    const uint32_t count = Counter();
    bool active = false;
    switch (mode)
    {
    case 5:
        active = true;
        break;
    case 6:
        active = count < m_compare[index];
        break;
    case 7:
        active = count >= m_compare[index];
        break;
    default:
        active = false;
        break;
    }
    const bool lowPolarity = (Reg(ccer).value >> (4 * index) & TIM_CCER_CC1P) != 0;
    return active != lowPolarity;
}

bool Timer::AlternateLevel(int port, int pin, bool& driving)
{
    driving = false;
    for (int channel = 1; channel <= 4; ++channel)
    {
        const Route& route = m_routes[channel - 1];
        if (route.port != port || route.pin != pin)
            continue;
        if (board().gpio(port).AlternateFunction(pin) != route.af)
            return false;
        const Output output = ChannelOutput(channel);
        // With MOE clear (and OSSI clear) the output is off: the pin floats.
        if ((Reg(ccer).value >> (4 * (channel - 1)) & TIM_CCER_CC1E) == 0)
            return false;
        if (m_advanced && (Reg(bdtr).value & TIM_BDTR_MOE) == 0)
            return false;
        driving = true;
        (void)output;
        return ChannelLevel(channel);
    }
    return false;
}

void Timer::RouteChannel(int channel, int port, int pin, uint32_t af)
{
    m_routes[channel - 1] = Route{port, pin, af};
    board().gpio(port).SetAlternateOutput(pin, this);
}

} // namespace Sim
