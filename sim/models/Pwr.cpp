// Fidelity: see the note in Pwr.h (the manual sections followed, what is modelled, what differs).
#include "sim/models/Pwr.h"

#include "sim/Board.h"
#include "sim/models/Rcc.h"
#include "stm32f4xx.h"

namespace Sim
{

Pwr::Pwr(Board& board) : Peripheral(board, "PWR", PWR_BASE, 0x400, BusKind::Apb1)
{
    Define("CR", 0x00, PWR_CR_VOS)
        .Rw(PWR_CR_LPDS | PWR_CR_PDDS | PWR_CR_PVDE | PWR_CR_PLS | PWR_CR_DBP | PWR_CR_FPDS | PWR_CR_VOS)
        .Wo(PWR_CR_CWUF | PWR_CR_CSBF)
        .OnWrite(&Pwr::WriteCr);
    Define("CSR", 0x04, PWR_CSR_VOSRDY)
        .Ro(PWR_CSR_WUF | PWR_CSR_SBF | PWR_CSR_PVDO | PWR_CSR_BRR | PWR_CSR_VOSRDY)
        .Rw(PWR_CSR_EWUP | PWR_CSR_BRE)
        .OnWrite(&Pwr::WriteCsr);
}

bool Pwr::BackupWritable() const { return (const_cast<Pwr*>(this)->FindRegister(0x00)->value & PWR_CR_DBP) != 0; }

bool Pwr::ScaleOne() const { return (const_cast<Pwr*>(this)->FindRegister(0x00)->value & PWR_CR_VOS) != 0; }

void Pwr::WriteCr(Register&, uint32_t, uint32_t written, uint32_t)
{
    Register& status = *FindRegister(0x04);
    board().rcc().CheckClockLimits(); // the regulator scale bounds HCLK
    if (written & PWR_CR_CWUF)
        status.value &= ~PWR_CSR_WUF;
    if (written & PWR_CR_CSBF)
        status.value &= ~PWR_CSR_SBF;
}

void Pwr::WriteCsr(Register& reg, uint32_t, uint32_t, uint32_t)
{
    if (reg.value & PWR_CSR_BRE)
        reg.value |= PWR_CSR_BRR;
    else
        reg.value &= ~PWR_CSR_BRR;
}

} // namespace Sim
