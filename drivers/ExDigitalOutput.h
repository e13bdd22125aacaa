#pragma once

#include <cstdint>

namespace Driver
{
class DigitalOutputEx;
}

namespace Velmora
{

// One of the 32 outputs on the port expanders.
class ExDigitalOutput
{
public:
    enum Pin : uint32_t
    {
        Pin0 = 0,
        Pin31 = 31,
    };
    static constexpr int count = 32;

    static ExDigitalOutput& GetInstance(Pin pin);

    // Reads the expander's output register back (one I2C transaction).
    bool IsOn() const;
    // Reads back, flips this pin's bit and writes the port: two transactions, so a toggle of
    // another pin of the same port in between (from an interrupt) can be undone.
    void Toggle();

private:
    ExDigitalOutput() = default;
    friend struct ExDigitalOutputFacadeTable;

    Pin m_pin = Pin0;
    Driver::DigitalOutputEx* m_output = nullptr;
};

// The expander outputs by index.
class ExDigitalOutputs
{
public:
    static ExDigitalOutputs& GetInstance();

    // Throws std::out_of_range outside 0 to 31.
    ExDigitalOutput& operator[](int index);

private:
    ExDigitalOutputs() = default;
};

extern ExDigitalOutputs& exDigitalOutputs;

} // namespace Velmora
