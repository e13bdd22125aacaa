#pragma once

#include <cstdint>

namespace Driver
{

// One of the four PCA9535 16-bit port expanders on the second I2C bus. Register pairs are 16-bit
// values: port 0 in the low byte, port 1 in the high byte.
class PCA9535
{
public:
    using Channel = uint8_t; // 0 to 3
    static constexpr Channel channelCount = 4;

    enum class Address : uint8_t
    {
        Input = 0,
        Output = 2,
        PolarityInversion = 4,
        Configuration = 6, // 1 = input, 0 = output
    };

    static PCA9535& GetInstance(Channel channel);

    void Write(Address reg, uint16_t value);
    uint16_t Read(Address reg);

    PCA9535(const PCA9535&) = delete;
    PCA9535& operator=(const PCA9535&) = delete;

private:
    PCA9535() = default;
    friend struct PCA9535Table;

    uint8_t BusAddress() const { return static_cast<uint8_t>(0x40 + 2 * m_hardwareAddress); }

    uint32_t m_hardwareAddress = 0; // A2..A0
};

} // namespace Driver
