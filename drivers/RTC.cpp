#include "drivers/RTC.h"

#include "drivers/Driver/DS3231.h"

namespace Velmora
{

namespace
{
uint8_t ToBcd(unsigned value) { return static_cast<uint8_t>((value / 10) * 16 + value % 10); }

const uint8_t centuryBit = 0x80;
} // namespace

RTC& RTC::GetInstance()
{
    static RTC instance;
    return instance;
}

void RTC::Encode(const DateTime& dateTime, uint8_t* registers)
{
    registers[0] = ToBcd(dateTime.GetSeconds() & 0x7F);
    registers[1] = static_cast<uint8_t>(ToBcd(dateTime.GetMinutes()) & 0x7F);
    registers[2] = static_cast<uint8_t>(ToBcd(dateTime.GetHours()) & 0x3F); // bit 6 clear: 24-hour form
    registers[3] = 1;                                                        // day of week, unused
    registers[4] = static_cast<uint8_t>(ToBcd(dateTime.GetDayOfMonth()) & 0x3F);
    registers[5] = static_cast<uint8_t>(ToBcd(dateTime.GetMonth()) | (dateTime.GetYear() >= 2000 ? centuryBit : 0));
    registers[6] = ToBcd(dateTime.GetYear() % 100);
}

DateTime RTC::Decode(const uint8_t* registers)
{
    const uint8_t seconds = static_cast<uint8_t>((registers[0] & 0x0F) + 10 * ((registers[0] >> 4) & 0x07));
    const uint8_t minutes = static_cast<uint8_t>((registers[1] & 0x0F) + 10 * ((registers[1] >> 4) & 0x07));
    const uint8_t hours = static_cast<uint8_t>((registers[2] & 0x0F) + 10 * ((registers[2] >> 4) & 0x03));
    const uint8_t day = static_cast<uint8_t>((registers[4] & 0x0F) + 10 * ((registers[4] >> 4) & 0x03));
    const uint8_t month = static_cast<uint8_t>((registers[5] & 0x0F) + 10 * ((registers[5] >> 4) & 0x01));
    const unsigned century = (registers[5] & centuryBit) != 0 ? 1 : 0;
    const unsigned twoDigitYear = (registers[6] & 0x0F) + 10u * (registers[6] >> 4);
    const uint16_t year = static_cast<uint16_t>(1900 + 100 * century + twoDigitYear);
    return DateTime(year, month, day, hours, minutes, seconds);
}

DateTime RTC::GetDateTime()
{
    uint8_t registers[Driver::DS3231::timeRegisterCount];
    Driver::DS3231::GetInstance().GetDateTime(registers);
    return Decode(registers);
}

void RTC::SetDateTime(const DateTime& dateTime)
{
    uint8_t registers[Driver::DS3231::timeRegisterCount];
    Encode(dateTime, registers);
    Driver::DS3231::GetInstance().SetDateTime(registers);
}

} // namespace Velmora
