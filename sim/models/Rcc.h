// Fidelity: RM0090 section 7 (RCC for STM32F405/407). Models CR (HSI/HSE/PLL/PLLI2S enables and
// ready flags: HSE ready 2 ms after HSEON, PLL locked 100 us after PLLON once its source is
// ready), PLLCFGR, CFGR (system clock switch: SWS follows SW once the source is ready; AHB/APB
// prescalers; MCO selection), CIR (ready flags, enables, clear bits; no RCC interrupt line),
// the peripheral reset registers (a set bit resets the peripherals it covers and holds them in
// reset: their writes are lost), the clock enable registers (a peripheral with its clock off
// ignores writes and reads zero), the low-power enables (stored only), BDCR (write-protected
// unless PWR_CR.DBP is set; LSE ready 2 s after LSEON, at once when bypassed; BDRST clears the
// domain; it survives a system reset), CSR (LSI, reset flags: POR/PIN/BOR at power-on, SFT and
// PIN added by a software reset, RMVF clears them) and PLLI2SCFGR. The configured tree is pushed
// to the board (access costs, timer clocks). Reported as errors: flash wait states that do not
// suit HCLK (checked when the clock or FLASH_ACR changes), HCLK above 168 MHz (144 MHz in
// regulator scale 2), PCLK1 above 42 MHz, PCLK2 above 84 MHz, and at PLLON a VCO input outside
// 1..2 MHz, a VCO output outside 100..432 MHz, a P output above 168 MHz or a Q output above
// 48 MHz. Differs: the clock security system, the spread-spectrum generator, the RTC and the
// LSE's drive are not modelled.
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
    void SystemReset() override;

    // Reports flash wait states too few for HCLK, and bus clocks above their limits.
    void CheckFlashLatency();
    void CheckClockLimits();

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
    static void LseReady(void* self);
    void CheckPll();
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
    Event m_lseEvent;
    bool m_bdcrProtectedReported = false;
    std::vector<Connection> m_connections;
};

} // namespace Sim
