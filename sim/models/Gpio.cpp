// Fidelity: see the note in Gpio.h (the manual sections followed, what is modelled, what differs).
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
// The pins whose 2-bit field equals `value` (0..3), as a 16-bit mask.
uint32_t FieldsEqual(uint32_t fields, uint32_t value)
{
    const uint32_t low = fields & 0x55555555;
    const uint32_t high = (fields >> 1) & 0x55555555;
    uint32_t x = ((value & 1) ? low : ~low & 0x55555555) & ((value & 2) ? high : ~high & 0x55555555);
    // Gather every other bit into the low half.
    x = (x | (x >> 1)) & 0x33333333;
    x = (x | (x >> 2)) & 0x0F0F0F0F;
    x = (x | (x >> 4)) & 0x00FF00FF;
    x = (x | (x >> 8)) & 0x0000FFFF;
    return x;
}
// Expands an 8-bit pin mask to the 4-bit fields of those pins (an FSMC access checks its pins'
// alternate functions this way, so no loop).
uint32_t Spread4(uint32_t pins)
{
    uint32_t x = pins & 0xFF;
    x = (x | (x << 12)) & 0x000F000F;
    x = (x | (x << 6)) & 0x03030303;
    x = (x | (x << 3)) & 0x11111111;
    return x * 0xF;
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
    m_moder = FindRegister(moder);
    m_otyper = FindRegister(otyper);
    m_pupdr = FindRegister(pupdr);
    m_odr = FindRegister(odr);
    m_afrl = FindRegister(afrl);
    m_afrh = FindRegister(afrh);
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

uint32_t Gpio::Mode(int pin) const { return (m_moder->value >> (2 * pin)) & 3; }

uint32_t Gpio::AlternateFunction(int pin) const
{
    const uint32_t afr = (pin < 8 ? m_afrl : m_afrh)->value;
    return (afr >> (4 * (pin % 8))) & 0xF;
}

bool Gpio::RoutedTo(uint16_t pins, uint32_t function) const
{
    const uint32_t lowFields = Spread4(pins & 0xFFu);
    const uint32_t highFields = Spread4(pins >> 8);
    const uint32_t functions = (function & 0xF) * 0x11111111u;
    return (FieldsEqual(m_moder->value, 2) & pins) == pins && (m_afrl->value & lowFields) == (functions & lowFields) &&
           (m_afrh->value & highFields) == (functions & highFields);
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

void Gpio::SetBoardPullUp(int pin, bool pullUp)
{
    if (pullUp)
        m_boardPullUps = static_cast<uint16_t>(m_boardPullUps | (1u << pin));
    else
        m_boardPullUps = static_cast<uint16_t>(m_boardPullUps & ~(1u << pin));
    Resolve();
}

void Gpio::SetAlternateOutput(int pin, AlternateOutput* output)
{
    m_alternate[pin] = output;
    if (output != nullptr)
        m_alternateMask = static_cast<uint16_t>(m_alternateMask | (1u << pin));
    else
        m_alternateMask = static_cast<uint16_t>(m_alternateMask & ~(1u << pin));
    Resolve();
}

void Gpio::Resolve()
{
    // Every pin at once, as bit masks: what the chip drives, what the outside drives, the pulls.
    const uint32_t modes = m_moder->value;
    const uint32_t openDrain = m_otyper->value;
    const uint32_t outputs = m_odr->value;
    const uint32_t outputPins = FieldsEqual(modes, 1);
    uint32_t chipDrives = outputPins & (~openDrain | ~outputs); // open drain only pulls low
    uint32_t chipLevels = outputs & outputPins;

    const uint32_t alternatePins = FieldsEqual(modes, 2) & m_alternateMask;
    if (alternatePins != 0)
        for (int pin = 0; pin < 16; ++pin)
        {
            if ((alternatePins >> pin & 1) == 0)
                continue;
            bool drives = false;
            const bool level = m_alternate[pin]->AlternateLevel(m_port, pin, drives);
            if (drives && ((openDrain >> pin & 1) == 0 || !level))
            {
                chipDrives |= 1u << pin;
                if (level)
                    chipLevels |= 1u << pin;
            }
        }

    const uint32_t pullUps = FieldsEqual(m_pupdr->value, 1) | m_boardPullUps;
    const uint32_t outside = m_externalDriven & ~chipDrives;
    const uint32_t floating = ~(chipDrives | m_externalDriven) & 0xFFFF;
    const uint16_t levels =
        static_cast<uint16_t>((chipLevels & chipDrives) | (m_externalLevels & outside) | (pullUps & floating));

    const uint32_t contention = chipDrives & m_externalDriven & (chipLevels ^ m_externalLevels);
    if (contention != 0)
        for (int pin = 0; pin < 16; ++pin)
            if (contention >> pin & 1)
            {
                char message[96];
                std::snprintf(message, sizeof message, "%s pin %d: the chip drives %d against an outside %d",
                              Name(), pin, chipLevels >> pin & 1, m_externalLevels >> pin & 1);
                board().Warn(message);
            }

    uint32_t changed = static_cast<uint32_t>(levels ^ m_levels);
    m_levels = levels;
    while (changed != 0)
    {
        const int pin = __builtin_ctz(changed);
        changed &= changed - 1;
        for (PinListener* listener : m_listeners)
            listener->PinChanged(m_port, pin, (levels >> pin & 1) != 0);
    }
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
    Register& output = *m_odr;
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
    return m_levels & ~FieldsEqual(m_moder->value, 3);
}

} // namespace Sim
