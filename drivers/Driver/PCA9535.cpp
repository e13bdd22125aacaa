#include "drivers/Driver/PCA9535.h"

#include "drivers/Driver/I2C.h"

#include <stdexcept>
#include <string>

namespace Driver
{

namespace
{
// Hardware address (A2..A0) of each channel: the inputs sit at 0 and 2, the outputs at 1 and 3.
const uint32_t m_hardwareAddresses[PCA9535::channelCount] = {0, 2, 1, 3};

I2C& Bus() { return I2C::GetInstance(I2C::Channel::Channel1); }
} // namespace

struct PCA9535Table
{
    PCA9535 chips[PCA9535::channelCount];

    PCA9535Table()
    {
        for (PCA9535::Channel c = 0; c < PCA9535::channelCount; ++c)
            chips[c].m_hardwareAddress = m_hardwareAddresses[c];
    }
};

PCA9535& PCA9535::GetInstance(Channel channel)
{
    if (channel >= channelCount)
        throw std::out_of_range("PCA9535: no channel " + std::to_string(channel));
    static PCA9535Table table;
    return table.chips[channel];
}

void PCA9535::Write(Address reg, uint16_t value)
{
    I2C& bus = Bus();
    const uint8_t address = BusAddress();
    I2C::Transaction([&] {
        bus.Start();
        bus.BeginWrite(address);
        bus.Write(static_cast<uint8_t>(reg));
        bus.Write(static_cast<uint8_t>(value & 0xFF));
        bus.Write(static_cast<uint8_t>(value >> 8));
        bus.Stop();
    });
}

uint16_t PCA9535::Read(Address reg)
{
    I2C& bus = Bus();
    const uint8_t address = BusAddress();
    uint8_t low = 0;
    uint8_t high = 0;
    I2C::Transaction([&] {
        bus.Start();
        bus.BeginWrite(address);
        bus.Write(static_cast<uint8_t>(reg));
        bus.Restart();
        bus.BeginRead(address);
        bus.Enable2ByteRead(true);
        low = bus.Read();
        high = bus.Read();
        bus.Stop();
    });
    return static_cast<uint16_t>(high * 256 + low);
}

} // namespace Driver
