#include "sim/models/Gpio.h"

#include "sim/Board.h"
#include "stm32f4xx.h"

#include <cstdio>

namespace Sim
{

namespace
{
const uint32_t moder = 0x00, otyper = 0x04, ospeedr = 0x08, pupdr = 0x0C, idr = 0x10, odr = 0x14, bsrr = 0x18,
               lckr = 0x1C, afrl = 0x20, afrh = 0x24;
const char* const m_names[9] = {"GPIOA", "GPIOB", "GPIOC", "GPIOD", "GPIOE", "GPIOF", "GPIOG", "GPIOH", "GPIOI"};

// Expands a 16-bit pin mask to the 2-bit and 4-bit fields of those pins.
uint32_t Spread2(uint32_t pins)
{
    uint32_t mask = 0;
    for (int pin = 0; pin < 16; ++pin)
        if (pins >> pin & 1)
            mask |= 3u << (2 * pin);
    return mask;
}
uint32_t Spread4(uint32_t pins)
{
    uint32_t mask = 0;
    for (int pin = 0; pin < 8; ++pin)
        if (pins >> pin & 1)
            mask |= 0xFu << (4 * pin);
    return mask;
}
} // namespace

Gpio::Gpio(Board& board, int port)
    : Peripheral(board, m_names[port], GPIOA_BASE + 0x400 * static_cast<uint32_t>(port), 0x400, BusKind::Ahb1),
      m_port(port)
{
    const uint32_t moderReset = port == 0 ? 0xA8000000 : port == 1 ? 0x00000280 : 0;
    const uint32_t speedReset = port == 1 ? 0x000000C0 : 0;
    const uint32_t pullReset = port == 0 ? 0x64000000 : port == 1 ? 0x00000100 : 0;
    Define("MODER", moder, moderReset).Rw(0xFFFFFFFF).OnWrite(&Gpio::WriteConfig);
    Define("OTYPER", otyper, 0).Rw(0xFFFF).OnWrite(&Gpio::WriteConfig);
    Define("OSPEEDR", ospeedr, speedReset).Rw(0xFFFFFFFF).OnWrite(&Gpio::WriteConfig);
    Define("PUPDR", pupdr, pullReset).Rw(0xFFFFFFFF).OnWrite(&Gpio::WriteConfig);
    Define("IDR", idr, 0).Ro(0xFFFF).OnRead(&Gpio::ReadIdr);
    Define("ODR", odr, 0).Rw(0xFFFF).OnWrite(&Gpio::WriteOdr);
    Define("BSRR", bsrr, 0).Wo(0xFFFFFFFF).OnWrite(&Gpio::WriteBsrr);
    Define("LCKR", lckr, 0).Wo(0x1FFFF).OnWrite(&Gpio::WriteLckr).OnRead(&Gpio::ReadLckr);
    Define("AFRL", afrl, 0).Rw(0xFFFFFFFF).OnWrite(&Gpio::WriteConfig);
    Define("AFRH", afrh, 0).Rw(0xFFFFFFFF).OnWrite(&Gpio::WriteConfig);
}

void Gpio::Reset()
{
    m_locked = 0;
    m_lockActive = false;
    m_lockStep = 0;
    m_lockPins = 0;
    Peripheral::Reset();
    Resolve();
}

uint32_t Gpio::Mode(int pin) const
{
    return (const_cast<Gpio*>(this)->FindRegister(moder)->value >> (2 * pin)) & 3;
}

uint32_t Gpio::AlternateFunction(int pin) const
{
    const uint32_t afr = const_cast<Gpio*>(this)->FindRegister(pin < 8 ? afrl : afrh)->value;
    return (afr >> (4 * (pin % 8))) & 0xF;
}

void Gpio::Drive(int pin, bool level)
{
    m_externalDriven = static_cast<uint16_t>(m_externalDriven | (1u << pin));
    if (level)
        m_externalLevels = static_cast<uint16_t>(m_externalLevels | (1u << pin));
    else
        m_externalLevels = static_cast<uint16_t>(m_externalLevels & ~(1u << pin));
    Resolve();
}

void Gpio::Release(int pin)
{
    m_externalDriven = static_cast<uint16_t>(m_externalDriven & ~(1u << pin));
    Resolve();
}

void Gpio::SetAlternateOutput(int pin, AlternateOutput* output)
{
    m_alternate[pin] = output;
    Resolve();
}

void Gpio::Resolve()
{
    const uint32_t modes = FindRegister(moder)->value;
    const uint32_t types = FindRegister(otyper)->value;
    const uint32_t pulls = FindRegister(pupdr)->value;
    const uint32_t outputs = FindRegister(odr)->value;
    uint16_t levels = 0;
    for (int pin = 0; pin < 16; ++pin)
    {
        const uint32_t mode = (modes >> (2 * pin)) & 3;
        bool chipDrives = false;
        bool chipLevel = false;
        if (mode == 1)
        {
            chipLevel = (outputs >> pin & 1) != 0;
            // Open-drain only pulls low; a 1 releases the pin.
            chipDrives = (types >> pin & 1) == 0 || !chipLevel;
        }
        else if (mode == 2 && m_alternate[pin] != nullptr)
        {
            chipLevel = m_alternate[pin]->AlternateLevel(m_port, pin, chipDrives);
            if (chipDrives && (types >> pin & 1) != 0 && chipLevel)
                chipDrives = false;
        }
        const bool outsideDrives = (m_externalDriven >> pin & 1) != 0;
        const bool outsideLevel = (m_externalLevels >> pin & 1) != 0;
        bool level;
        if (chipDrives)
        {
            level = chipLevel;
            if (outsideDrives && outsideLevel != chipLevel)
            {
                char message[96];
                std::snprintf(message, sizeof message, "%s pin %d: the chip drives %d against an outside %d",
                              Name(), pin, chipLevel ? 1 : 0, outsideLevel ? 1 : 0);
                board().Warn(message);
            }
        }
        else if (outsideDrives)
            level = outsideLevel;
        else
        {
            const uint32_t pull = (pulls >> (2 * pin)) & 3;
            level = pull == 1; // pull-up; pull-down and floating read 0
        }
        if (level)
            levels = static_cast<uint16_t>(levels | (1u << pin));
    }
    const uint16_t changed = static_cast<uint16_t>(levels ^ m_levels);
    m_levels = levels;
    if (changed == 0)
        return;
    for (int pin = 0; pin < 16; ++pin)
        if (changed >> pin & 1)
            for (PinListener* listener : m_listeners)
                listener->PinChanged(m_port, pin, (levels >> pin & 1) != 0);
}

void Gpio::WriteConfig(Register& reg, uint32_t previous, uint32_t, uint32_t)
{
    // Locked pins keep their configuration.
    if (m_lockActive && m_locked != 0)
    {
        uint32_t keep = 0;
        if (reg.offset == otyper)
            keep = m_locked;
        else if (reg.offset == afrl)
            keep = Spread4(m_locked & 0xFF);
        else if (reg.offset == afrh)
            keep = Spread4(m_locked >> 8);
        else
            keep = Spread2(m_locked);
        reg.value = (reg.value & ~keep) | (previous & keep);
    }
    Resolve();
}

void Gpio::WriteOdr(Register&, uint32_t, uint32_t, uint32_t) { Resolve(); }

void Gpio::WriteBsrr(Register&, uint32_t, uint32_t written, uint32_t)
{
    Register& output = *FindRegister(odr);
    const uint32_t set = written & 0xFFFF;
    const uint32_t reset = (written >> 16) & 0xFFFF;
    // When a pin is both set and reset, setting has priority.
    output.value = ((output.value & ~reset) | set) & 0xFFFF;
    Resolve();
}

void Gpio::WriteLckr(Register&, uint32_t, uint32_t written, uint32_t lanes)
{
    if (lanes != 0xFFFFFFFF)
    {
        m_lockStep = 0;
        return;
    }
    const bool key = (written & GPIO_LCKR_LCKK) != 0;
    const uint16_t pins = static_cast<uint16_t>(written & 0xFFFF);
    if (m_lockActive)
        return; // Frozen until reset.
    // Key sequence: LCKK 1, 0, 1 with the same pins; the lock takes hold on the third write.
    switch (m_lockStep)
    {
    case 0:
        m_lockStep = key ? 1 : 0;
        m_lockPins = pins;
        return;
    case 1:
        m_lockStep = (!key && pins == m_lockPins) ? 2 : 0;
        return;
    default:
        if (key && pins == m_lockPins)
        {
            m_lockActive = true;
            m_locked = pins;
        }
        m_lockStep = 0;
        return;
    }
}

uint32_t Gpio::ReadLckr(Register&) { return (m_lockActive ? GPIO_LCKR_LCKK : 0) | m_locked; }

uint32_t Gpio::ReadIdr(Register&)
{
    // Analog pins have their input trigger off and read 0.
    const uint32_t modes = FindRegister(moder)->value;
    uint32_t value = m_levels;
    for (int pin = 0; pin < 16; ++pin)
        if (((modes >> (2 * pin)) & 3) == 3)
            value &= ~(1u << pin);
    return value;
}

} // namespace Sim
