#pragma once

#include <cstdint>

namespace Driver
{
class AnalogInput;
}

namespace Velmora
{

// One of the board's four analog inputs: the raw 12-bit conversion, 0 to 4095, unscaled.
class AnalogInput
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

    // Throws std::out_of_range for a pin past the board's four.
    static AnalogInput& GetInstance(Pin pin);

    Pin GetPin() const;
    // One conversion; throws std::runtime_error "AnalogInput: Timeout" if it does not finish.
    uint16_t GetValue();

private:
    AnalogInput() = default;
    friend struct AnalogInputFacadeTable;

    Driver::AnalogInput* m_input = nullptr;
};

// The analog inputs by index or by pin.
class AnalogInputs
{
public:
    static AnalogInputs& GetInstance();

    // Both throw std::out_of_range "Could not find an AnalogInput at that index" for anything but
    // the four inputs.
    AnalogInput& operator[](int index);
    AnalogInput& operator[](AnalogInput::Pin pin);

    AnalogInputs(const AnalogInputs&) = delete;
    AnalogInputs& operator=(const AnalogInputs&) = delete;

private:
    AnalogInputs() = default;
};

extern AnalogInputs& analogInputs;

} // namespace Velmora
