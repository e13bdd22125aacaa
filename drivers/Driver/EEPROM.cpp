#include "drivers/Driver/EEPROM.h"

#include "drivers/Driver/I2C.h"

namespace Driver
{

EEPROM& EEPROM::GetInstance()
{
    static EEPROM instance;
    return instance;
}

void EEPROM::Read(uint32_t wordAddress, uint8_t* buffer, uint32_t count)
{
    if (count == 0)
        return;
    I2C& bus = I2C::GetInstance(I2C::Channel::Channel0);
    I2C::Transaction([&] {
        bus.Start();
        bus.BeginWrite(address);
        bus.Write(static_cast<uint8_t>(wordAddress & 0xFF));
        bus.Restart();
        bus.BeginRead(address);
        bus.EnableReadAck(true);
        for (uint32_t i = 0; i + 1 < count; ++i)
            buffer[i] = bus.Read();
        // The last byte is refused so that the device lets go of the bus.
        bus.DisableReadAck(true);
        buffer[count - 1] = bus.Read();
        bus.Stop();
    });
}

} // namespace Driver
