#include "drivers/DigitalInput.h"

#include "drivers/Driver/DigitalInput.h"

#include <stdexcept>

namespace Velmora
{

struct DigitalInputFacadeTable
{
    DigitalInput inputs[DigitalInput::count];

    DigitalInputFacadeTable()
    {
        for (int n = 0; n < DigitalInput::count; ++n)
        {
            inputs[n].m_pin = static_cast<DigitalInput::Pin>(n);
            // User inputs are the driver's channels 4 to 7 (PF8, PF9, PB0, PB1).
            inputs[n].m_input = &Driver::DigitalInput::GetInstance(static_cast<Driver::DigitalInput::Channel>(n + 4));
        }
    }
};

DigitalInput& DigitalInput::GetInstance(Pin pin)
{
    if (static_cast<uint32_t>(pin) >= count)
        throw std::out_of_range("Could not find a DigitalInput at that index");
    static DigitalInputFacadeTable table;
    return table.inputs[pin];
}

bool DigitalInput::IsOn() const
{
    return m_input->IsOn();
}

DigitalInputs& DigitalInputs::GetInstance()
{
    static DigitalInputs instance;
    return instance;
}

DigitalInput& DigitalInputs::operator[](int index)
{
    if (static_cast<unsigned>(index) >= DigitalInput::count)
        throw std::out_of_range("Could not find a DigitalInput at that index");
    return DigitalInput::GetInstance(static_cast<DigitalInput::Pin>(index));
}

} // namespace Velmora
