#pragma once

#include <cstdint>

namespace Driver
{
class DigitalInput;
}

namespace Velmora
{

// One of the board's four user inputs.
class DigitalInput
{
public:
    enum Pin : uint32_t
    {
        Pin0 = 0,
        Pin1 = 1,
        Pin2 = 2,
        Pin3 = 3,
    };
    static constexpr int count = 4;

    static DigitalInput& GetInstance(Pin pin);

    bool IsOn() const;

private:
    DigitalInput() = default;
    friend struct DigitalInputFacadeTable;

    Pin m_pin = Pin0;
    Driver::DigitalInput* m_input = nullptr;
};

// The user inputs by index.
class DigitalInputs
{
public:
    static DigitalInputs& GetInstance();

    // Throws std::out_of_range outside 0 to 3.
    DigitalInput& operator[](int index);

private:
    DigitalInputs() = default;
};

extern DigitalInputs& digitalInputs;

} // namespace Velmora
