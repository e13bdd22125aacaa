// Fidelity: RM0090 section 3.9 (flash interface registers). Models ACR (latency, prefetch,
// caches, cache resets), the KEYR unlock sequence of CR.LOCK (a wrong key locks CR until reset), SR error flags (write 1 to clear)
// and OPTCR/OPTKEYR storage. Differs: no programming or erasing (the firmware never writes
// flash), and the latency only matters through the check that it suits HCLK (made by the RCC
// model whenever the clock or ACR changes).
#pragma once

#include "sim/Peripheral.h"

namespace Sim
{

class Flash : public Peripheral
{
public:
    explicit Flash(Board& board);

    void Reset() override;
    uint32_t Latency() const;

private:
    void WriteKey(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteOptionKey(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteCr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteAcr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);

    int m_keyStep = 0;
    int m_optionKeyStep = 0;
    bool m_keysRefused = false;
};

} // namespace Sim
