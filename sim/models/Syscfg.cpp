// Fidelity: see the note in Syscfg.h (the manual sections followed, what is modelled, what differs).
#include "sim/models/Syscfg.h"

#include "sim/Board.h"
#include "stm32f4xx.h"

namespace Sim
{

Syscfg::Syscfg(Board& board) : Peripheral(board, "SYSCFG", SYSCFG_BASE, 0x400, BusKind::Apb2)
{
    Define("MEMRMP", 0x00, 0).Rw(SYSCFG_MEMRMP_MEM_MODE);
    Define("PMC", 0x04, 0).Rw(SYSCFG_PMC_MII_RMII_SEL);
    Define("EXTICR1", 0x08, 0).Rw(0xFFFF);
    Define("EXTICR2", 0x0C, 0).Rw(0xFFFF);
    Define("EXTICR3", 0x10, 0).Rw(0xFFFF);
    Define("EXTICR4", 0x14, 0).Rw(0xFFFF);
    Define("CMPCR", 0x20, 0).Rw(SYSCFG_CMPCR_CMP_PD).Ro(SYSCFG_CMPCR_READY).OnWrite(&Syscfg::WriteCmpcr);
    for (uint32_t i = 0; i < 4; ++i)
        m_exticr[i] = FindRegister(0x08 + 4 * i);
}

int Syscfg::ExtiPort(int line) const
{
    const uint32_t value = m_exticr[line / 4]->value;
    return static_cast<int>((value >> (4 * (line % 4))) & 0xF);
}

void Syscfg::WriteCmpcr(Register& reg, uint32_t, uint32_t, uint32_t)
{
    if (reg.value & SYSCFG_CMPCR_CMP_PD)
        reg.value |= SYSCFG_CMPCR_READY;
    else
        reg.value &= ~SYSCFG_CMPCR_READY;
}

} // namespace Sim
