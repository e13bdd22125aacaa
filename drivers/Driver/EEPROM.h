#pragma once

#include <cstdint>

namespace Driver
{

// The EEPROM on the first I2C bus (256 bytes, one-byte word addresses). The firmware only reads
// it: the touch calibration lives at addresses 32 to 59.
class EEPROM
{
public:
    static constexpr uint8_t address = 0xA0;

    static EEPROM& GetInstance();

    // Reads `count` bytes from `address` (only its low 8 bits reach the device) in one
    // transaction; nothing happens on the bus for a count of 0.
    void Read(uint32_t address, uint8_t* buffer, uint32_t count);

    EEPROM(const EEPROM&) = delete;
    EEPROM& operator=(const EEPROM&) = delete;

private:
    EEPROM() = default;
};

} // namespace Driver
