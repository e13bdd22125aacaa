// Fidelity: see the note in PCA9535.h.
#include "sim/devices/PCA9535.h"

namespace Sim
{

void PCA9535::PowerOn()
{
    for (int port = 0; port < 2; ++port)
    {
        m_output[port] = 0xFF;
        m_polarity[port] = 0;
        m_configuration[port] = 0xFF;
    }
    m_command = 0;
    m_commandSet = false;
}

void PCA9535::DrivePin(int pin, bool level)
{
    m_driven = static_cast<uint16_t>(m_driven | (1u << pin));
    if (level)
        m_drivenLevels = static_cast<uint16_t>(m_drivenLevels | (1u << pin));
    else
        m_drivenLevels = static_cast<uint16_t>(m_drivenLevels & ~(1u << pin));
}

void PCA9535::ReleasePin(int pin) { m_driven = static_cast<uint16_t>(m_driven & ~(1u << pin)); }

uint16_t PCA9535::PinLevels() const
{
    const uint16_t inputs = static_cast<uint16_t>(m_configuration[0] | (m_configuration[1] << 8));
    const uint16_t outputs = static_cast<uint16_t>(m_output[0] | (m_output[1] << 8));
    return static_cast<uint16_t>((outputs & ~inputs) | (m_drivenLevels & m_driven & inputs));
}

bool PCA9535::PinLevel(int pin) const { return (PinLevels() >> pin & 1) != 0; }

uint8_t PCA9535::Register(int index) const
{
    const int port = index & 1;
    switch (index >> 1)
    {
    case 0:
        return static_cast<uint8_t>((PinLevels() >> (8 * port)) ^ m_polarity[port]);
    case 1:
        return m_output[port];
    case 2:
        return m_polarity[port];
    default:
        return m_configuration[port];
    }
}

uint16_t PCA9535::RegisterPair(int command) const
{
    const int base = command & 6;
    return static_cast<uint16_t>(Register(base) | (Register(base + 1) << 8));
}

bool PCA9535::Receive(uint8_t byte)
{
    if (!m_commandSet)
    {
        m_command = byte & 7;
        m_commandSet = true;
        return true;
    }
    const int port = m_command & 1;
    switch (m_command >> 1)
    {
    case 0:
        break; // input ports ignore writes
    case 1:
        m_output[port] = byte;
        break;
    case 2:
        m_polarity[port] = byte;
        break;
    default:
        m_configuration[port] = byte;
        break;
    }
    m_command ^= 1; // the next byte goes to the other register of the pair
    return true;
}

uint8_t PCA9535::Transmit()
{
    const uint8_t value = Register(m_command);
    m_command ^= 1;
    return value;
}

} // namespace Sim
