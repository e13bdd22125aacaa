#include "drivers/Driver/DS3231.h"

#include "drivers/Driver/I2C.h"

namespace Driver
{

namespace
{
const uint8_t hoursRegister = 0x02;
const uint8_t twelveHourMode = 0x40;
const uint8_t pm = 0x20; // in 12-hour form

I2C& Bus() { return I2C::GetInstance(I2C::Channel::Channel0); }
} // namespace

DS3231::DS3231()
{
    I2C& bus = Bus();
    uint8_t hours = 0;
    I2C::Transaction([&] {
        bus.Start();
        bus.BeginWrite(address);
        bus.Write(hoursRegister);
        bus.Restart();
        bus.BeginRead(address);
        bus.DisableReadAck(true);
        hours = bus.Read();
        bus.Stop();
    });
    // A clock already in 24-hour form is written back as it was. One in 12-hour form (set by some
    // other tool) has its hour converted: clearing the mode bit alone would turn 11 PM into "31".
    uint8_t hours24 = static_cast<uint8_t>(hours & ~twelveHourMode);
    if (hours & twelveHourMode)
    {
        const unsigned hour12 = (hours & 0x0F) + 10u * ((hours >> 4) & 0x01);
        const unsigned hour = hour12 % 12 + ((hours & pm) != 0 ? 12 : 0);
        hours24 = static_cast<uint8_t>((hour / 10) * 16 + hour % 10);
    }
    I2C::Transaction([&] {
        bus.Start();
        bus.BeginWrite(address);
        bus.Write(hoursRegister);
        bus.Write(hours24);
        bus.Stop();
    });
}

DS3231& DS3231::GetInstance()
{
    static DS3231 instance;
    return instance;
}

void DS3231::GetDateTime(uint8_t* registers)
{
    I2C& bus = Bus();
    I2C::Transaction([&] {
        bus.Start();
        bus.BeginWrite(address);
        bus.Write(0x00);
        bus.Restart();
        bus.BeginRead(address);
        bus.EnableReadAck(true);
        for (int i = 0; i < timeRegisterCount - 1; ++i)
            registers[i] = bus.Read();
        bus.DisableReadAck(true);
        registers[timeRegisterCount - 1] = bus.Read();
        bus.Stop();
    });
}

void DS3231::SetDateTime(const uint8_t* registers)
{
    I2C& bus = Bus();
    I2C::Transaction([&] {
        bus.Start();
        bus.BeginWrite(address);
        bus.Write(0x00);
        for (int i = 0; i < timeRegisterCount; ++i)
            bus.Write(registers[i]);
        bus.Stop();
    });
}

} // namespace Driver
