#pragma once

#include <cstdint>

namespace Driver
{
class DigitalInputEx;
}

namespace Velmora
{

// One of the 32 inputs on the port expanders.
class ExDigitalInput
{
public:
    enum Pin : uint32_t
    {
        Pin0 = 0,
        Pin31 = 31,
    };
    static constexpr int count = 32;

    static ExDigitalInput& GetInstance(Pin pin);

    // Reads its expander afresh (one I2C transaction); throws "I2C: Timeout" when the bus fails.
    bool IsOn() const;

private:
    ExDigitalInput() = default;
    friend struct ExDigitalInputFacadeTable;

    Pin m_pin = Pin0;
    Driver::DigitalInputEx* m_input = nullptr;
};

// The expander inputs by index.
class ExDigitalInputs
{
public:
    static ExDigitalInputs& GetInstance();

    // Throws std::out_of_range outside 0 to 31.
    ExDigitalInput& operator[](int index);

private:
    ExDigitalInputs() = default;
};

extern ExDigitalInputs& exDigitalInputs;

} // namespace Velmora
