#pragma once

#include <cstdint>

namespace Driver
{
class DigitalOutput;
}

namespace Velmora
{

// One of the board's four user outputs.
class DigitalOutput
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

    static DigitalOutput& GetInstance(Pin pin);

    bool IsOn() const;
    void Toggle();

private:
    DigitalOutput() = default;
    friend struct DigitalOutputFacadeTable;

    Pin m_pin = Pin0;
    Driver::DigitalOutput* m_output = nullptr;
};

// The user outputs by index.
class DigitalOutputs
{
public:
    static DigitalOutputs& GetInstance();

    // Throws std::out_of_range outside 0 to 3.
    DigitalOutput& operator[](int index);

private:
    DigitalOutputs() = default;
};

extern DigitalOutputs& digitalOutputs;

} // namespace Velmora
