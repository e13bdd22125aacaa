// Fidelity: RM0090 section 9 (SYSCFG). Models MEMRMP, PMC, EXTICR1-4 (which port drives each
// EXTI line 0..15) and CMPCR (READY follows CMP_PD at once). Differs: memory remapping and the
// Ethernet interface selection are stored only.
#pragma once

#include "sim/Peripheral.h"

namespace Sim
{

class Syscfg : public Peripheral
{
public:
    explicit Syscfg(Board& board);

    // The port (0 = A) routed to EXTI line 0..15.
    int ExtiPort(int line) const;

private:
    Register* m_exticr[4] = {};
    void WriteCmpcr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
};

} // namespace Sim
