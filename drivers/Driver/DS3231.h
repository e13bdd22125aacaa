#pragma once

#include <cstdint>

namespace Driver
{

// The DS3231 real-time clock on the first I2C bus: its seven time registers as one block.
class DS3231
{
public:
    static constexpr uint8_t address = 0xD0;
    static constexpr int timeRegisterCount = 7;

    // The first call puts the clock into 24-hour mode (clears bit 6 of the hours register).
    static DS3231& GetInstance();

    // Registers 00h to 06h (seconds .. year), BCD, in one transaction.
    void GetDateTime(uint8_t* registers);
    void SetDateTime(const uint8_t* registers);

    DS3231(const DS3231&) = delete;
    DS3231& operator=(const DS3231&) = delete;

private:
    DS3231();
};

} // namespace Driver
