// Fidelity: ARMv7-M architecture reference, B3.2 (system control block), B3.3 (SysTick),
// B3.4 (NVIC), and the Cortex-M4 technical reference for the implemented sizes (82 interrupts,
// 4 priority bits). Models the registers of the system control space at 0xE000E000 on top of the
// exception model in sim/Core: ISER/ICER/ISPR/ICPR/IABR/IPR/STIR, CPUID, ICSR, VTOR, AIRCR (key,
// PRIGROUP, SYSRESETREQ), SCR, CCR, SHPR1-3, SHCSR, the fault status and address registers and
// CPACR. SysTick's registers are present (read/write) but the counter does not run: the firmware
// never uses it. Differs: VECTCLRACTIVE/VECTRESET are ignored (debug only); MPU, FPU context
// control and debug registers are not modelled.
#pragma once

#include "sim/Peripheral.h"

namespace Sim
{

class Scs : public Peripheral
{
public:
    explicit Scs(Board& board);

    void Reset() override;
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

    // Interrupt numbers covered by word n of the 32-bit-per-word NVIC registers.
    static uint32_t ImplementedMask(uint32_t word);
};

} // namespace Sim
