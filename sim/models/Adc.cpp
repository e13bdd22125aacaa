// Fidelity: see the note in Adc.h (the manual section followed, what is modelled, what differs).
#include "sim/models/Adc.h"

#include "sim/Board.h"
#include "sim/models/Gpio.h"
#include "stm32f4xx.h"

#include <cmath>
#include <cstdio>

namespace Sim
{

namespace
{
const uint32_t sr = 0x00, cr1 = 0x04, cr2 = 0x08, smpr1 = 0x0C, smpr2 = 0x10, sqr1 = 0x2C, sqr3 = 0x34, dr = 0x4C;
const uint32_t csr = 0x00, ccr = 0x04;

const char* const m_names[4] = {"", "ADC1", "ADC2", "ADC3"};
const uint32_t m_bases[4] = {0, ADC1_BASE, ADC2_BASE, ADC3_BASE};

// Sample times of SMPx codes 0..7, in ADC clock cycles.
const uint32_t sampleCycles[8] = {3, 15, 28, 56, 84, 112, 144, 480};

enum Port
{
    A = 0,
    B,
    C,
    D,
    E,
    F
};

// Input channels 0..15 and their pins (the data sheet's pinout); ADC3 differs from channel 4 on.
const std::pair<int, int> adc12Pins[16] = {{A, 0}, {A, 1}, {A, 2}, {A, 3}, {A, 4}, {A, 5}, {A, 6}, {A, 7},
                                           {B, 0}, {B, 1}, {C, 0}, {C, 1}, {C, 2}, {C, 3}, {C, 4}, {C, 5}};
const std::pair<int, int> adc3Pins[16] = {{A, 0}, {A, 1}, {A, 2}, {A, 3}, {F, 6}, {F, 7}, {F, 8}, {F, 9},
                                          {F, 10}, {F, 3}, {C, 0}, {C, 1}, {C, 2}, {C, 3}, {F, 4}, {F, 5}};

// Regular-group features this model does not convert; set-ups that use them are reported.
const uint32_t unmodelledCr1 = ADC_CR1_SCAN | ADC_CR1_JAUTO | ADC_CR1_DISCEN | ADC_CR1_JDISCEN | ADC_CR1_AWDEN |
                               ADC_CR1_JAWDEN;
const uint32_t unmodelledCr2 = ADC_CR2_CONT | ADC_CR2_DMA | ADC_CR2_EXTEN | ADC_CR2_JEXTEN | ADC_CR2_JSWSTART;
} // namespace

double AnalogPins::Voltage(int port, int pin) const
{
    const auto source = m_sources.find({port, pin});
    if (source != m_sources.end() && source->second)
        return source->second();
    const auto volts = m_volts.find({port, pin});
    return volts == m_volts.end() ? 0.0 : volts->second;
}

Adc::Adc(Board& board, int number, AnalogPins& pins, AdcCommon& common)
    : Peripheral(board, m_names[number], m_bases[number], 0x100, BusKind::Apb2), m_number(number), m_pins(pins),
      m_common(common), m_done(m_names[number], &Adc::DoneCallback, this)
{
    Define("SR", sr, 0).W0c(0x3F);
    Define("CR1", cr1, 0).Rw(0x07C0FFFF).OnWrite(&Adc::WriteCr1);
    // SWSTART and JSWSTART are cleared by the hardware as soon as the conversion starts.
    Define("CR2", cr2, 0).Rw(0x3F3F0F03 & ~ADC_CR2_JSWSTART).Wo(ADC_CR2_SWSTART | ADC_CR2_JSWSTART).OnWrite(&Adc::WriteCr2);
    Define("SMPR1", smpr1, 0).Rw(0x07FFFFFF);
    Define("SMPR2", smpr2, 0).Rw(0x3FFFFFFF);
    static const char* const jofr[4] = {"JOFR1", "JOFR2", "JOFR3", "JOFR4"};
    for (uint32_t n = 0; n < 4; ++n)
        Define(jofr[n], 0x14 + 4 * n, 0).Rw(0xFFF);
    Define("HTR", 0x24, 0xFFF).Rw(0xFFF);
    Define("LTR", 0x28, 0).Rw(0xFFF);
    Define("SQR1", sqr1, 0).Rw(0x00FFFFFF);
    Define("SQR2", 0x30, 0).Rw(0x3FFFFFFF);
    Define("SQR3", sqr3, 0).Rw(0x3FFFFFFF);
    Define("JSQR", 0x38, 0).Rw(0x3FFFFF);
    static const char* const jdr[4] = {"JDR1", "JDR2", "JDR3", "JDR4"};
    for (uint32_t n = 0; n < 4; ++n)
        Define(jdr[n], 0x3C + 4 * n, 0).Ro(0xFFFF);
    Define("DR", dr, 0).Ro(0xFFFF).OnRead(&Adc::ReadDr).DataPort();
    common.Attach(number, *this);
}

void Adc::Reset()
{
    board().clock().Cancel(m_done);
    Peripheral::Reset();
    m_channel = 0;
}

void Adc::Update()
{
    const uint32_t status = Reg(sr).value;
    const uint32_t control = Reg(cr1).value;
    const bool eoc = (status & ADC_SR_EOC) != 0 && (control & ADC_CR1_EOCIE) != 0;
    const bool jeoc = (status & ADC_SR_JEOC) != 0 && (control & ADC_CR1_JEOCIE) != 0;
    const bool awd = (status & ADC_SR_AWD) != 0 && (control & ADC_CR1_AWDIE) != 0;
    const bool ovr = (status & ADC_SR_OVR) != 0 && (control & ADC_CR1_OVRIE) != 0;
    // The three converters share one interrupt line.
    board().core().SetIrqLine(ADC_IRQn, eoc || jeoc || awd || ovr, m_number - 1);
}

std::pair<int, int> Adc::ChannelPin(int channel) const
{
    if (channel < 0 || channel > 15)
        return {-1, -1};
    return m_number == 3 ? adc3Pins[channel] : adc12Pins[channel];
}

double Adc::ChannelVoltage(int channel) const
{
    switch (channel)
    {
    case 16: // temperature sensor (about 25 degrees C) and VREFINT, behind TSVREFE
    case 17:
        if (m_number != 1)
            return 0.0;
        return channel == 16 ? 0.76 : 1.21;
    case 18: // VBAT / 2
        return m_number == 1 ? 1.5 : 0.0;
    default:
        break;
    }
    const std::pair<int, int> pin = ChannelPin(channel);
    if (pin.first < 0)
        return 0.0;
    // Outside analog mode the pin's analog switch is open: the converter samples nothing.
    if (board().gpio(pin.first).Mode(pin.second) != 3)
        return 0.0;
    return m_pins.Voltage(pin.first, pin.second);
}

void Adc::WriteCr1(Register& reg, uint32_t, uint32_t, uint32_t)
{
    if (reg.value & unmodelledCr1)
    {
        char text[120];
        std::snprintf(text, sizeof text, "%s: CR1 0x%08X selects scan, injected or watchdog modes, not modelled", Name(),
                      static_cast<unsigned>(reg.value));
        board().Diagnose(text);
    }
}

void Adc::WriteCr2(Register& reg, uint32_t, uint32_t written, uint32_t)
{
    if ((reg.value | written) & unmodelledCr2)
    {
        char text[120];
        std::snprintf(text, sizeof text,
                      "%s: CR2 0x%08X selects continuous, DMA, triggered or injected conversions, not modelled",
                      Name(), static_cast<unsigned>(reg.value | written));
        board().Diagnose(text);
    }
    if ((reg.value & ADC_CR2_ADON) == 0)
        board().clock().Cancel(m_done); // switching the converter off abandons a conversion
    else if (written & ADC_CR2_SWSTART)
        StartConversion();
}

void Adc::StartConversion()
{
    if (m_done.scheduled)
        return; // a start during a conversion is ignored
    if ((Reg(sqr1).value & ADC_SQR1_L) != 0)
    {
        char text[100];
        std::snprintf(text, sizeof text, "%s: regular sequences longer than one conversion are not modelled", Name());
        board().Diagnose(text);
    }
    m_channel = static_cast<int>(Reg(sqr3).value & ADC_SQR3_SQ1);
    Reg(sr).value |= ADC_SR_STRT;
    const uint32_t code = m_channel >= 10 ? (Reg(smpr1).value >> (3 * (m_channel - 10))) & 7
                                          : (Reg(smpr2).value >> (3 * m_channel)) & 7;
    const uint32_t resolutionBits = 12 - 2 * ((Reg(cr1).value & ADC_CR1_RES) >> 24);
    const Tick cycle = TicksPerCycle(m_common.AdcClockHz());
    if (!m_held)
        board().clock().ScheduleIn(m_done, (sampleCycles[code] + resolutionBits) * cycle);
}

void Adc::DoneCallback(void* self) { static_cast<Adc*>(self)->Finish(); }

void Adc::Finish()
{
    const uint32_t resolutionBits = 12 - 2 * ((Reg(cr1).value & ADC_CR1_RES) >> 24);
    const uint32_t full = (1u << resolutionBits) - 1;
    double volts = ChannelVoltage(m_channel);
    if (volts < 0)
        volts = 0;
    uint32_t value = static_cast<uint32_t>(std::floor(volts / AnalogPins::vref * (full + 1)));
    if (value > full)
        value = full;
    // Left alignment puts the result's top bit at bit 15 (bit 7 for 6 bits).
    if (Reg(cr2).value & ADC_CR2_ALIGN)
        value <<= resolutionBits == 6 ? 2 : 16 - resolutionBits;
    Register& status = Reg(sr);
    // A result that overwrites one nobody read is an overrun when each conversion is to be read.
    if ((status.value & ADC_SR_EOC) != 0 && (Reg(cr2).value & ADC_CR2_EOCS) != 0)
        status.value |= ADC_SR_OVR;
    Reg(dr).value = value;
    status.value |= ADC_SR_EOC;
    Update();
}

uint32_t Adc::ReadDr(Register& reg)
{
    Reg(sr).value &= ~ADC_SR_EOC;
    Update();
    return reg.value;
}

AdcCommon::AdcCommon(Board& board) : Peripheral(board, "ADC common", ADC_BASE, 0x100, BusKind::Apb2)
{
    Define("CSR", csr, 0).Ro(0x003F3F3F).OnRead(&AdcCommon::ReadCsr);
    Define("CCR", ccr, 0).Rw(0x00C3EF1F).OnWrite(&AdcCommon::WriteCcr);
    Define("CDR", 0x08, 0).Ro(0xFFFFFFFF);
}

uint32_t AdcCommon::ReadCsr(Register&)
{
    uint32_t value = 0;
    for (int n = 0; n < 3; ++n)
        if (m_adcs[n] != nullptr)
            value |= (m_adcs[n]->Status() & 0x3F) << (8 * n);
    return value;
}

void AdcCommon::WriteCcr(Register& reg, uint32_t, uint32_t, uint32_t)
{
    if (reg.value & (ADC_CCR_MULTI | ADC_CCR_DMA))
        board().Diagnose("ADC common: multi-ADC modes and their DMA are not modelled");
}

uint32_t AdcCommon::AdcClockHz()
{
    const uint32_t divider = 2 * (((FindRegister(ccr)->value & ADC_CCR_ADCPRE) >> 16) + 1);
    return board().Pclk2Hz() / divider;
}

} // namespace Sim
