// Fidelity: ARMv7-M architecture reference, B3.2 (system control block), B3.3 (SysTick),
// B3.4 (NVIC), and the Cortex-M4 technical reference for the implemented sizes (82 interrupts,
// 4 priority bits). Models the registers of the system control space at 0xE000E000 on top of the
// exception model in sim/Core: ISER/ICER/ISPR/ICPR/IABR/IPR/STIR, CPUID, ICSR, VTOR, AIRCR (key,
// PRIGROUP, SYSRESETREQ), SCR, CCR, SHPR1-3, SHCSR, the fault status and address registers and
// CPACR, and SysTick: the 24-bit counter counts down from virtual time at HCLK (CLKSOURCE 1) or
// HCLK / 8 (CLKSOURCE 0, the STM32F4's external reference), reloads from LOAD the clock after it
// reached 0, sets COUNTFLAG there (cleared by reading CTRL or writing VAL) and pends the SysTick
// exception when TICKINT is set; a write to VAL clears it. Differs: VECTCLRACTIVE/VECTRESET are
// ignored (debug only); the SysTick calibration value is a fixed read-only word; MPU, FPU context
// control and debug registers are not modelled.
#pragma once

#include "sim/Clock.h"
#include "sim/Peripheral.h"

namespace Sim
{

class Scs : public Peripheral
{
public:
    explicit Scs(Board& board);

    void Reset() override;
    void OnClockChange() override;
    // Records a fault in CFSR/HFSR/BFAR as the core does on fault entry.
    void RaiseFault(uint32_t cfsr, uint32_t hfsr, uint32_t faultAddress, bool addressValid);

private:
    uint32_t ReadEnable(Register& reg);
    uint32_t ReadPending(Register& reg);
    uint32_t ReadActive(Register& reg);
    void WriteSetEnable(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteClearEnable(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteSetPending(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteClearPending(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WritePriority(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteSoftwareTrigger(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    uint32_t ReadIcsr(Register& reg);
    void WriteIcsr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    uint32_t ReadAircr(Register& reg);
    void WriteAircr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteSystemPriority(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    uint32_t ReadShcsr(Register& reg);

    // SysTick: the counter is computed from virtual time; reaching 0 is an event.
    static void SysTickCallback(void* self);
    uint32_t SysTickValue() const;
    void SysTickRebase();
    void SysTickSchedule();
    void WriteSysTick(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    uint32_t ReadSysTickValue(Register& reg);

    Event m_sysTickEvent;
    bool m_sysTickRunning = false;
    Tick m_sysTickBase = 0;         // when the counter held m_sysTickBaseValue
    uint32_t m_sysTickBaseValue = 0;
    uint32_t m_sysTickReload = 0;   // the LOAD value the running counter reloads
    Tick m_sysTickClock = 1;        // ticks per counter clock

    // Interrupt numbers covered by word n of the 32-bit-per-word NVIC registers.
    static uint32_t ImplementedMask(uint32_t word);
};

} // namespace Sim
