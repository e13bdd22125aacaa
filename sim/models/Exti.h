// Fidelity: RM0090 section 12.3 (EXTI). Models IMR, EMR, RTSR, FTSR, SWIER and PR for lines
// 0..22. Lines 0..15 take the level of the pin that SYSCFG routes to them; a selected edge on an
// unmasked line sets its pending bit, as does writing 1 to SWIER (which reads back until the
// pending bit is cleared); PR is cleared by writing 1. Interrupt lines to the NVIC are the
// pending and unmasked lines grouped as the vector table groups them (EXTI0..4, EXTI9_5,
// EXTI15_10, PVD, RTC alarm, OTG FS/HS wake-up, Ethernet wake-up, tamper, RTC wake-up).
// Differs: events (EMR) only store their mask; lines 16..22 have no source yet.
#pragma once

#include "sim/Peripheral.h"
#include "sim/models/Gpio.h"

namespace Sim
{

class Exti : public Peripheral, public PinListener
{
public:
    explicit Exti(Board& board);

    void Update() override;
    void PinChanged(int port, int pin, bool level) override;

    // An edge on line `line` from an internal source (lines 16..22).
    void Edge(int line, bool rising);

private:
    void WriteSwier(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WritePr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
};

} // namespace Sim
