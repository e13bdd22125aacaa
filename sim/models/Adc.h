// Fidelity: RM0090 section 13 (ADC). Models ADC1..ADC3 and the common registers: SR (AWD, EOC,
// JEOC, JSTRT, STRT, OVR; cleared by writing 0, EOC also by reading DR), CR1/CR2 (resolution,
// alignment, EOCS, ADON, software start of the regular group), SMPR1/2 (sample times), SQR1..3
// (the first rank of the regular sequence is converted), DR, the common CCR prescaler (ADCCLK =
// PCLK2 / 2, 4, 6, 8) and the shared ADC interrupt line (EOCIE, OVRIE). A conversion takes the
// channel's sample time plus the resolution's bits in ADC clock cycles of virtual time; its value
// is the voltage on the channel's pin (VREF+ = 3.3 V) at the end of the conversion, 0 when the
// pin is not in analog mode. Channels 16..18 give fixed internal voltages.
// Differs: scan and continuous mode, injected channels, external triggers, the analog watchdog,
// DMA and multi-ADC modes are not modelled (set-ups that need them are reported); the start-up
// time after ADON is not enforced.
#pragma once

#include "sim/Clock.h"
#include "sim/Peripheral.h"

#include <functional>
#include <map>
#include <utility>

namespace Sim
{

// The analog side of the chip's pins: a voltage per pin set by the world, which a board device
// (the touch screen) can supply instead for the pins it is wired to.
class AnalogPins
{
public:
    static constexpr double vref = 3.3;

    void SetVoltage(int port, int pin, double volts) { m_volts[{port, pin}] = volts; }
    // A device supplies the pin's voltage from now on (null: the world's voltage again).
    void SetSource(int port, int pin, std::function<double()> source) { m_sources[{port, pin}] = std::move(source); }
    double Voltage(int port, int pin) const;
    void Clear() { m_volts.clear(); }

private:
    std::map<std::pair<int, int>, double> m_volts;
    std::map<std::pair<int, int>, std::function<double()>> m_sources;
};

class AdcCommon;

class Adc : public Peripheral
{
public:
    // ADC1..ADC3.
    Adc(Board& board, int number, AnalogPins& pins, AdcCommon& common);

    void Reset() override;
    void Update() override;

    int Number() const { return m_number; }
    // Fault injection: while held, started conversions never finish (EOC stays clear).
    void Hold(bool hold) { m_held = hold; }
    bool Converting() const { return m_done.scheduled; }
    uint32_t Status() { return Reg(0x00).value; }
    // The pin (port, pin) of channel 0..15 on this converter, or (-1, -1).
    std::pair<int, int> ChannelPin(int channel) const;

private:
    static void DoneCallback(void* self);
    void Finish();
    void StartConversion();
    double ChannelVoltage(int channel) const;
    void WriteCr1(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteCr2(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    uint32_t ReadDr(Register& reg);
    Register& Reg(uint32_t offset) { return *FindRegister(offset); }

    int m_number;
    AnalogPins& m_pins;
    AdcCommon& m_common;
    Event m_done;
    int m_channel = 0;
    bool m_held = false;
};

// The registers shared by the three converters (CSR mirrors their flags, CCR their clock).
class AdcCommon : public Peripheral
{
public:
    explicit AdcCommon(Board& board);
    void Attach(int number, Adc& adc) { m_adcs[number - 1] = &adc; }
    // The ADC clock in Hz.
    uint32_t AdcClockHz();

private:
    uint32_t ReadCsr(Register& reg);
    void WriteCcr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    Adc* m_adcs[3] = {};
};

} // namespace Sim
