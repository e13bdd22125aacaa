// Fidelity: RM0090 section 7 (RCC for STM32F405/407). Models CR (HSI/HSE/PLL/PLLI2S enables and
// ready flags: HSE ready 2 ms after HSEON, PLL locked 100 us after PLLON once its source is
// ready), PLLCFGR, CFGR (system clock switch: SWS follows SW once the source is ready; AHB/APB
// prescalers; MCO selection), CIR (ready flags, enables, clear bits; no RCC interrupt line),
// the peripheral reset registers (a set bit resets the peripherals it covers), the clock enable
// registers (a peripheral with its clock off ignores writes and reads zero), the low-power enables
// (stored only), BDCR (LSE ready at once, no RTC), CSR (LSI, reset flags, RMVF) and PLLI2SCFGR.
// The configured tree is pushed to the board (access costs, timer clocks). Checks that flash wait
// states suit HCLK when the clock rises. Differs: the clock security system, the
// spread-spectrum generator and the backup-domain write protection are not modelled.
#pragma once

#include "sim/Clock.h"
#include "sim/Peripheral.h"

#include <vector>

namespace Sim
{

enum class RccBus : uint8_t
{
    Ahb1,
    Ahb2,
    Ahb3,
    Apb1,
    Apb2
};

class Rcc : public Peripheral
{
public:
    explicit Rcc(Board& board);

    void Reset() override;

    // Gives `peripheral` its clock enable bit and its reset bit (the same bit number).
    void Connect(Peripheral& peripheral, RccBus bus, uint32_t bit);

    // The configured frequencies.
    uint32_t SysclkHz() const;
    uint32_t PllOutputHz() const;
    uint32_t Pll48Hz() const;
    // The MCO1 output frequency as selected and divided (0 if the source is off).
    uint32_t Mco1Hz() const;

private:
    struct Connection
    {
        Peripheral* peripheral;
        RccBus bus;
        uint32_t bit;
    };

    static void HseReady(void* self);
    static void PllReady(void* self);
    void WriteCr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteCfgr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteCir(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteReset(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteEnable(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteBdcr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteCsr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void SetReady(uint32_t readyBit, uint32_t cirFlag, bool ready);
    void TrySwitch();
    void PushClockTree();

    Register& Reg(uint32_t offset) { return *FindRegister(offset); }
    const Register& Reg(uint32_t offset) const { return *const_cast<Rcc*>(this)->FindRegister(offset); }

    Event m_hseEvent;
    Event m_pllEvent;
    std::vector<Connection> m_connections;
};

} // namespace Sim
