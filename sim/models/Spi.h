// Fidelity: RM0090 section 27 (SPI/I2S), status and interrupt side only. Models CR1, CR2, SR
// (RXNE and OVR cleared by a DR read followed by an SR read, MODF by an SR access followed by a
// CR1 write, UDR and FRE by an SR read, CRCERR by writing 0), DR, the CRC and I2S configuration
// registers as storage, and the interrupt line (ERRIE, RXNEIE, TXEIE).
// Differs: no transfers or clocking: nothing on the board hangs on SPI1. Error flags appear only
// when the world injects them (InjectFlags).
#pragma once

#include "sim/Peripheral.h"

namespace Sim
{

class Spi : public Peripheral
{
public:
    Spi(Board& board, int number);

    void Reset() override;
    void Update() override;

    // Sets status flags (RXNE, UDR, CRCERR, MODF, OVR, FRE) as the bus would.
    void InjectFlags(uint32_t flags);

private:
    uint32_t ReadSr(Register& reg);
    uint32_t ReadDr(Register& reg);
    void WriteCr1(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    Register& Reg(uint32_t offset) { return *FindRegister(offset); }

    int m_irq;
    bool m_dataReadWithOverrun = false;
    bool m_statusSeenWithModeFault = false;
};

} // namespace Sim
