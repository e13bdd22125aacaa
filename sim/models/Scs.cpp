// Fidelity: see the note in Scs.h (the manual sections followed, what is modelled, what differs).
#include "sim/models/Scs.h"

#include "sim/Board.h"

namespace Sim
{

namespace
{
const uint32_t iser = 0x100, icer = 0x180, ispr = 0x200, icpr = 0x280, iabr = 0x300, ipr = 0x400;
const uint32_t scb = 0xD00;
const uint32_t stkCtrl = 0x010, stkLoad = 0x014, stkVal = 0x018;
const uint32_t stkEnable = 1, stkTickInt = 2, stkProcessorClock = 4, stkCountFlag = 0x10000;
} // namespace

uint32_t Scs::ImplementedMask(uint32_t word)
{
    const int first = static_cast<int>(word) * 32;
    if (first >= irqCount)
        return 0;
    const int count = irqCount - first >= 32 ? 32 : irqCount - first;
    return count == 32 ? 0xFFFFFFFFu : ((1u << count) - 1);
}

Scs::Scs(Board& board)
    : Peripheral(board, "SCS", 0xE000E000, 0x1000, BusKind::Ppb), m_sysTickEvent("SysTick", &Scs::SysTickCallback, this)
{
    static const char* const iserNames[8] = {"ISER0", "ISER1", "ISER2", "ISER3", "ISER4", "ISER5", "ISER6", "ISER7"};
    static const char* const icerNames[8] = {"ICER0", "ICER1", "ICER2", "ICER3", "ICER4", "ICER5", "ICER6", "ICER7"};
    static const char* const isprNames[8] = {"ISPR0", "ISPR1", "ISPR2", "ISPR3", "ISPR4", "ISPR5", "ISPR6", "ISPR7"};
    static const char* const icprNames[8] = {"ICPR0", "ICPR1", "ICPR2", "ICPR3", "ICPR4", "ICPR5", "ICPR6", "ICPR7"};
    static const char* const iabrNames[8] = {"IABR0", "IABR1", "IABR2", "IABR3", "IABR4", "IABR5", "IABR6", "IABR7"};

    Define("ICTR", 0x004, 0x00000002).Ro(0xF);
    Define("ACTLR", 0x008, 0).Rw(0x307);
    Define("STK_CTRL", stkCtrl, 0).Rw(0x7).Ro(0x10000).Rc(0x10000).OnWrite(&Scs::WriteSysTick);
    Define("STK_LOAD", stkLoad, 0).Rw(0x00FFFFFF).OnWrite(&Scs::WriteSysTick);
    Define("STK_VAL", stkVal, 0).Rw(0x00FFFFFF).OnWrite(&Scs::WriteSysTick).OnRead(&Scs::ReadSysTickValue);
    Define("STK_CALIB", 0x01C, 0x00002904).Ro(0xC0FFFFFF);

    for (uint32_t word = 0; word < 8; ++word)
    {
        const uint32_t mask = ImplementedMask(word);
        Define(iserNames[word], iser + 4 * word, 0).Wo(mask).OnWrite(&Scs::WriteSetEnable).OnRead(&Scs::ReadEnable);
        Define(icerNames[word], icer + 4 * word, 0).Wo(mask).OnWrite(&Scs::WriteClearEnable).OnRead(&Scs::ReadEnable);
        Define(isprNames[word], ispr + 4 * word, 0).Wo(mask).OnWrite(&Scs::WriteSetPending).OnRead(&Scs::ReadPending);
        Define(icprNames[word], icpr + 4 * word, 0)
            .Wo(mask)
            .OnWrite(&Scs::WriteClearPending)
            .OnRead(&Scs::ReadPending);
        Define(iabrNames[word], iabr + 4 * word, 0).Ro(mask).OnRead(&Scs::ReadActive);
    }
    // One priority byte per interrupt, 4 implemented bits each; the low nibbles read as zero.
    static char iprNames[21][8];
    for (uint32_t word = 0; word < (irqCount + 3) / 4; ++word)
    {
        std::snprintf(iprNames[word], sizeof iprNames[word], "IPR%u", static_cast<unsigned>(word));
        uint32_t implemented = 0;
        for (uint32_t lane = 0; lane < 4; ++lane)
            if (word * 4 + lane < static_cast<uint32_t>(irqCount))
                implemented |= 0xFFu << (8 * lane);
        Define(iprNames[word], ipr + 4 * word, 0)
            .Rw(implemented & 0xF0F0F0F0)
            .Ro(implemented & 0x0F0F0F0F)
            .OnWrite(&Scs::WritePriority);
    }
    Define("STIR", 0xF00, 0).Wo(0x1FF).OnWrite(&Scs::WriteSoftwareTrigger);

    Define("CPUID", scb + 0x00, 0x410FC241).Ro(0xFFFFFFFF);
    Define("ICSR", scb + 0x04, 0)
        .Wo(SCB_ICSR_NMIPENDSET | SCB_ICSR_PENDSVSET | SCB_ICSR_PENDSVCLR | SCB_ICSR_PENDSTSET | SCB_ICSR_PENDSTCLR)
        .Ro(SCB_ICSR_ISRPENDING | SCB_ICSR_VECTPENDING | SCB_ICSR_RETTOBASE | SCB_ICSR_VECTACTIVE)
        .OnRead(&Scs::ReadIcsr)
        .OnWrite(&Scs::WriteIcsr);
    Define("VTOR", scb + 0x08, 0).Rw(0x3FFFFF80);
    Define("AIRCR", scb + 0x0C, 0xFA050000)
        .Wo(SCB_AIRCR_VECTKEY | SCB_AIRCR_SYSRESETREQ | SCB_AIRCR_VECTCLRACTIVE | SCB_AIRCR_VECTRESET)
        .Rw(SCB_AIRCR_PRIGROUP)
        .Ro(SCB_AIRCR_ENDIANESS)
        .OnRead(&Scs::ReadAircr)
        .OnWrite(&Scs::WriteAircr);
    Define("SCR", scb + 0x10, 0).Rw(SCB_SCR_SEVONPEND | SCB_SCR_SLEEPDEEP | SCB_SCR_SLEEPONEXIT);
    Define("CCR", scb + 0x14, SCB_CCR_STKALIGN)
        .Rw(SCB_CCR_STKALIGN | SCB_CCR_BFHFNMIGN | SCB_CCR_DIV_0_TRP | SCB_CCR_UNALIGN_TRP | SCB_CCR_USERSETMPEND |
            SCB_CCR_NONBASETHRDENA);
    // SHPR1: MemManage, BusFault, UsageFault; SHPR2: SVCall; SHPR3: DebugMonitor, PendSV, SysTick.
    Define("SHPR1", scb + 0x18, 0).Rw(0x00F0F0F0).Ro(0x000F0F0F).OnWrite(&Scs::WriteSystemPriority);
    Define("SHPR2", scb + 0x1C, 0).Rw(0xF0000000).Ro(0x0F000000).OnWrite(&Scs::WriteSystemPriority);
    Define("SHPR3", scb + 0x20, 0).Rw(0xF0F000F0).Ro(0x0F0F000F).OnWrite(&Scs::WriteSystemPriority);
    Define("SHCSR", scb + 0x24, 0)
        .Rw(SCB_SHCSR_USGFAULTENA | SCB_SHCSR_BUSFAULTENA | SCB_SHCSR_MEMFAULTENA)
        .Ro(0x0000FD8B)
        .OnRead(&Scs::ReadShcsr);
    Define("CFSR", scb + 0x28, 0).W1c(0x030FBFBF);
    Define("HFSR", scb + 0x2C, 0).W1c(SCB_HFSR_DEBUGEVT | SCB_HFSR_FORCED | SCB_HFSR_VECTTBL);
    Define("DFSR", scb + 0x30, 0).W1c(0x1F);
    Define("MMFAR", scb + 0x34, 0).Rw(0xFFFFFFFF);
    Define("BFAR", scb + 0x38, 0).Rw(0xFFFFFFFF);
    Define("AFSR", scb + 0x3C, 0).Rw(0xFFFFFFFF);
    Define("ID_PFR0", scb + 0x40, 0x00000030).Ro(0xFFFFFFFF);
    Define("ID_PFR1", scb + 0x44, 0x00000200).Ro(0xFFFFFFFF);
    Define("ID_DFR0", scb + 0x48, 0x00100000).Ro(0xFFFFFFFF);
    Define("CPACR", scb + 0x88, 0).Rw(0x00F00000);
}

void Scs::Reset()
{
    board().clock().Cancel(m_sysTickEvent);
    Peripheral::Reset();
    board().core().Reset();
    m_sysTickRunning = false;
    m_sysTickBase = board().clock().Now();
    m_sysTickBaseValue = 0;
    m_sysTickReload = 0;
}

void Scs::OnClockChange()
{
    SysTickRebase();
    SysTickSchedule();
}

uint32_t Scs::SysTickValue() const
{
    if (!m_sysTickRunning)
        return m_sysTickBaseValue;
    const uint64_t clocks = (board().clock().Now() - m_sysTickBase) / m_sysTickClock;
    if (clocks <= m_sysTickBaseValue)
        return static_cast<uint32_t>(m_sysTickBaseValue - clocks);
    // The clock after reaching 0 loads the reload value, then counts down from it again.
    if (m_sysTickReload == 0)
        return 0;
    const uint64_t sinceReload = (clocks - m_sysTickBaseValue - 1) % (static_cast<uint64_t>(m_sysTickReload) + 1);
    return static_cast<uint32_t>(m_sysTickReload - sinceReload);
}

void Scs::SysTickRebase()
{
    const uint32_t control = FindRegister(stkCtrl)->value;
    if (m_sysTickRunning)
    {
        const uint64_t clocks = (board().clock().Now() - m_sysTickBase) / m_sysTickClock;
        m_sysTickBaseValue = SysTickValue();
        m_sysTickBase += clocks * m_sysTickClock; // keep the phase within the current count
    }
    else
        m_sysTickBase = board().clock().Now();
    m_sysTickRunning = (control & stkEnable) != 0;
    m_sysTickReload = FindRegister(stkLoad)->value;
    m_sysTickClock = TicksPerCycle(board().HclkHz()) * ((control & stkProcessorClock) != 0 ? 1 : 8);
}

void Scs::SysTickSchedule()
{
    board().clock().Cancel(m_sysTickEvent);
    if (!m_sysTickRunning)
        return;
    // The next time the counter reaches 0 from 1.
    uint64_t clocks = m_sysTickBaseValue;
    if (clocks == 0)
    {
        if (m_sysTickReload == 0)
            return; // a reload of 0 stops the counter
        clocks = static_cast<uint64_t>(m_sysTickReload) + 1;
    }
    board().clock().Schedule(m_sysTickEvent, m_sysTickBase + clocks * m_sysTickClock);
}

void Scs::SysTickCallback(void* self)
{
    Scs& scs = *static_cast<Scs*>(self);
    Register& control = *scs.FindRegister(stkCtrl);
    control.value |= stkCountFlag;
    if (control.value & stkTickInt)
        scs.board().core().SetPending(excSysTick, true);
    scs.SysTickRebase();
    scs.SysTickSchedule();
}

void Scs::WriteSysTick(Register& reg, uint32_t, uint32_t, uint32_t)
{
    SysTickRebase();
    if (reg.offset == stkVal)
    {
        // Any write clears the counter and COUNTFLAG; it reloads on its next clock.
        reg.value = 0;
        m_sysTickBaseValue = 0;
        m_sysTickBase = board().clock().Now();
        FindRegister(stkCtrl)->value &= ~stkCountFlag;
    }
    SysTickSchedule();
}

uint32_t Scs::ReadSysTickValue(Register&) { return SysTickValue(); }

void Scs::RaiseFault(uint32_t cfsr, uint32_t hfsr, uint32_t faultAddress, bool addressValid)
{
    FindRegister(scb + 0x28)->value |= cfsr;
    FindRegister(scb + 0x2C)->value |= hfsr;
    if (addressValid)
        FindRegister(scb + 0x38)->value = faultAddress;
}

uint32_t Scs::ReadEnable(Register& reg)
{
    const uint32_t word = (reg.offset & 0x1F) / 4;
    uint32_t value = 0;
    for (uint32_t bit = 0; bit < 32; ++bit)
        if ((ImplementedMask(word) >> bit & 1) != 0 && board().core().IsEnabled(static_cast<int>(word * 32 + bit)))
            value |= 1u << bit;
    return value;
}

uint32_t Scs::ReadPending(Register& reg)
{
    const uint32_t word = (reg.offset & 0x1F) / 4;
    uint32_t value = 0;
    for (uint32_t bit = 0; bit < 32; ++bit)
        if ((ImplementedMask(word) >> bit & 1) != 0 &&
            board().core().IsPending(excFirstIrq + static_cast<int>(word * 32 + bit)))
            value |= 1u << bit;
    return value;
}

uint32_t Scs::ReadActive(Register& reg)
{
    const uint32_t word = (reg.offset & 0x1F) / 4;
    uint32_t value = 0;
    for (uint32_t bit = 0; bit < 32; ++bit)
        if ((ImplementedMask(word) >> bit & 1) != 0 &&
            board().core().IsActive(excFirstIrq + static_cast<int>(word * 32 + bit)))
            value |= 1u << bit;
    return value;
}

void Scs::WriteSetEnable(Register& reg, uint32_t, uint32_t written, uint32_t)
{
    const uint32_t word = (reg.offset & 0x1F) / 4;
    for (uint32_t bit = 0; bit < 32; ++bit)
        if ((written & ImplementedMask(word)) >> bit & 1)
            board().core().SetEnabled(static_cast<int>(word * 32 + bit), true);
}

void Scs::WriteClearEnable(Register& reg, uint32_t, uint32_t written, uint32_t)
{
    const uint32_t word = (reg.offset & 0x1F) / 4;
    for (uint32_t bit = 0; bit < 32; ++bit)
        if ((written & ImplementedMask(word)) >> bit & 1)
            board().core().SetEnabled(static_cast<int>(word * 32 + bit), false);
}

void Scs::WriteSetPending(Register& reg, uint32_t, uint32_t written, uint32_t)
{
    const uint32_t word = (reg.offset & 0x1F) / 4;
    for (uint32_t bit = 0; bit < 32; ++bit)
        if ((written & ImplementedMask(word)) >> bit & 1)
            board().core().SetPending(excFirstIrq + static_cast<int>(word * 32 + bit), true);
}

void Scs::WriteClearPending(Register& reg, uint32_t, uint32_t written, uint32_t)
{
    const uint32_t word = (reg.offset & 0x1F) / 4;
    for (uint32_t bit = 0; bit < 32; ++bit)
        if ((written & ImplementedMask(word)) >> bit & 1)
            board().core().SetPending(excFirstIrq + static_cast<int>(word * 32 + bit), false);
}

void Scs::WritePriority(Register& reg, uint32_t, uint32_t, uint32_t lanes)
{
    const uint32_t first = (reg.offset - ipr);
    for (uint32_t lane = 0; lane < 4; ++lane)
    {
        if ((lanes >> (8 * lane) & 0xFF) == 0 || first + lane >= static_cast<uint32_t>(irqCount))
            continue;
        board().core().SetPriority(excFirstIrq + static_cast<int>(first + lane),
                                   static_cast<uint8_t>(reg.value >> (8 * lane)));
    }
}

void Scs::WriteSoftwareTrigger(Register&, uint32_t, uint32_t written, uint32_t)
{
    const uint32_t irq = written & 0x1FF;
    if (irq < static_cast<uint32_t>(irqCount))
        board().core().PendIrq(static_cast<int>(irq));
}

uint32_t Scs::ReadIcsr(Register&)
{
    Core& core = board().core();
    const uint32_t active = static_cast<uint32_t>(core.ActiveException());
    const uint32_t pending = static_cast<uint32_t>(core.PendingException());
    uint32_t value = active | (pending << 12);
    bool irqPending = false;
    for (int irq = 0; irq < irqCount; ++irq)
        irqPending = irqPending || core.IsPending(excFirstIrq + irq);
    if (irqPending)
        value |= SCB_ICSR_ISRPENDING;
    if (core.Depth() <= 1)
        value |= SCB_ICSR_RETTOBASE;
    if (core.IsPending(excPendSv))
        value |= SCB_ICSR_PENDSVSET;
    if (core.IsPending(excSysTick))
        value |= SCB_ICSR_PENDSTSET;
    return value;
}

void Scs::WriteIcsr(Register&, uint32_t, uint32_t written, uint32_t)
{
    Core& core = board().core();
    if (written & SCB_ICSR_PENDSVSET)
        core.SetPending(excPendSv, true);
    if (written & SCB_ICSR_PENDSVCLR)
        core.SetPending(excPendSv, false);
    if (written & SCB_ICSR_PENDSTSET)
        core.SetPending(excSysTick, true);
    if (written & SCB_ICSR_PENDSTCLR)
        core.SetPending(excSysTick, false);
    if (written & SCB_ICSR_NMIPENDSET)
        core.SetPending(excNmi, true);
}

uint32_t Scs::ReadAircr(Register& reg) { return 0xFA050000 | (reg.value & SCB_AIRCR_PRIGROUP); }

void Scs::WriteAircr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes)
{
    // Without the key 0x05FA in VECTKEY the whole write is ignored.
    if (lanes != 0xFFFFFFFF || (written >> 16) != 0x05FA)
    {
        reg.value = previous;
        return;
    }
    board().core().SetPriorityGrouping((reg.value & SCB_AIRCR_PRIGROUP) >> SCB_AIRCR_PRIGROUP_Pos);
    if (written & SCB_AIRCR_SYSRESETREQ)
        board().core().RequestReset();
}

void Scs::WriteSystemPriority(Register& reg, uint32_t, uint32_t, uint32_t)
{
    // SHPR1 holds handlers 4..7, SHPR2 8..11, SHPR3 12..15, one byte each.
    const int first = 4 + static_cast<int>((reg.offset - (scb + 0x18)));
    for (int lane = 0; lane < 4; ++lane)
        board().core().SetPriority(first + lane, static_cast<uint8_t>(reg.value >> (8 * lane)));
}

uint32_t Scs::ReadShcsr(Register& reg)
{
    Core& core = board().core();
    uint32_t value = reg.value & (SCB_SHCSR_USGFAULTENA | SCB_SHCSR_BUSFAULTENA | SCB_SHCSR_MEMFAULTENA);
    if (core.IsActive(excSvCall))
        value |= SCB_SHCSR_SVCALLACT;
    if (core.IsActive(excPendSv))
        value |= SCB_SHCSR_PENDSVACT;
    if (core.IsActive(excSysTick))
        value |= SCB_SHCSR_SYSTICKACT;
    if (core.IsPending(excSvCall))
        value |= SCB_SHCSR_SVCALLPENDED;
    return value;
}

} // namespace Sim
