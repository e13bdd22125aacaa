// Fidelity: PCA9535 16-bit I2C port expander (address 0100 A2 A1 A0): command byte selecting one
// of eight registers (input port 0/1, output port 0/1, polarity inversion 0/1, configuration 0/1);
// further bytes of the same transfer alternate between the two registers of the pair. Inputs read
// the pin levels (of every pin, outputs included) with the polarity inversion applied; the output
// registers read back what was written, not the pins; a configuration bit of 1 makes the pin an
// input (high impedance). Power-on state: outputs 0xFF, no inversion, all pins inputs. The pins
// are the board's: the world drives inputs and reads outputs; an undriven input reads low.
// Differs: the interrupt output is not modelled; the registers keep their contents across resets
// of the chip (the expander has no reset input on this board).
#pragma once

#include "sim/devices/I2cBus.h"

#include <cstdint>

namespace Sim
{

class PCA9535 : public I2cDevice
{
public:
    explicit PCA9535(int hardwareAddress) : m_hardwareAddress(hardwareAddress) { PowerOn(); }

    void PowerOn();

    int HardwareAddress() const { return m_hardwareAddress; }
    uint8_t BusAddress() const { return static_cast<uint8_t>(0x20 | m_hardwareAddress); }

    // Pin 0..15 (port 0 pins 0..7, port 1 pins 8..15).
    void DrivePin(int pin, bool level);
    void ReleasePin(int pin);
    // The level on the pin: the output register for an output, the driven level for an input.
    bool PinLevel(int pin) const;
    uint16_t PinLevels() const;
    // A register pair as a 16-bit value (port 1 in the high byte): 0 input, 2 output, 4 polarity,
    // 6 configuration.
    uint16_t RegisterPair(int command) const;

    void Start() override { m_commandSet = false; }
    bool Select(bool) override { return true; }
    bool Receive(uint8_t byte) override;
    uint8_t Transmit() override;

private:
    uint8_t Register(int index) const;

    int m_hardwareAddress;
    uint8_t m_output[2] = {};
    uint8_t m_polarity[2] = {};
    uint8_t m_configuration[2] = {};
    uint16_t m_driven = 0;
    uint16_t m_drivenLevels = 0;
    uint8_t m_command = 0;
    bool m_commandSet = false;
};

} // namespace Sim
