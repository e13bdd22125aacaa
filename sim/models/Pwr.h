// Fidelity: RM0090 section 5.4 (PWR registers of STM32F405/407). Models CR (low-power and
// standby controls stored, CWUF/CSBF clear the wake-up and standby flags, PVD enable and level,
// DBP, FPDS, VOS) and CSR (EWUP and BRE stored, BRR follows BRE, VOSRDY set). DBP opens the
// backup domain (RCC_BDCR) to writes; VOS selects the regulator scale that bounds HCLK (the RCC
// model checks it). Differs: the regulator is always ready, the PVD never trips, there is no
// low-power mode.
#pragma once

#include "sim/Peripheral.h"

namespace Sim
{

class Pwr : public Peripheral
{
public:
    explicit Pwr(Board& board);

    // PWR_CR.DBP: the backup domain takes writes.
    bool BackupWritable() const;
    // Regulator scale 1 (VOS set) allows HCLK up to 168 MHz, scale 2 up to 144 MHz.
    bool ScaleOne() const;

private:
    void WriteCr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteCsr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
};

} // namespace Sim
