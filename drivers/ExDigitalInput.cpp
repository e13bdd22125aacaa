#include "drivers/ExDigitalInput.h"

#include "drivers/Driver/DigitalInputEx.h"

#include <stdexcept>

namespace Velmora
{

namespace
{
const char* const outOfRange = "Could not find a ExDigitalInput at that index";
}

struct ExDigitalInputFacadeTable
{
    ExDigitalInput inputs[ExDigitalInput::count];

    ExDigitalInputFacadeTable()
    {
        for (int n = 0; n < ExDigitalInput::count; ++n)
        {
            inputs[n].m_pin = static_cast<ExDigitalInput::Pin>(n);
            // Sixteen pins per expander port.
            inputs[n].m_input = &Driver::DigitalInputEx::GetInstance(static_cast<Driver::DigitalInputEx::Channel>(n / 16));
        }
    }
};

ExDigitalInput& ExDigitalInput::GetInstance(Pin pin)
{
    if (static_cast<uint32_t>(pin) >= count)
        throw std::out_of_range(outOfRange);
    static ExDigitalInputFacadeTable table;
    return table.inputs[pin];
}

bool ExDigitalInput::IsOn() const { return (m_input->Read() >> (m_pin % 16) & 1) != 0; }

ExDigitalInputs& ExDigitalInputs::GetInstance()
{
    static ExDigitalInputs instance;
    return instance;
}

ExDigitalInput& ExDigitalInputs::operator[](int index)
{
    if (static_cast<unsigned>(index) >= ExDigitalInput::count)
        throw std::out_of_range(outOfRange);
    return ExDigitalInput::GetInstance(static_cast<ExDigitalInput::Pin>(index));
}

} // namespace Velmora
