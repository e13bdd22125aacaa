#include "drivers/AnalogInput.h"

#include "drivers/Driver/AnalogInput.h"

#include <stdexcept>

namespace Velmora
{

namespace
{
const char* const notFound = "Could not find an AnalogInput at that index";
}

struct AnalogInputFacadeTable
{
    AnalogInput inputs[AnalogInput::count];

    AnalogInputFacadeTable()
    {
        for (int n = 0; n < AnalogInput::count; ++n)
            inputs[n].m_input = &Driver::AnalogInput::GetInstance(static_cast<Driver::AnalogInput::Channel>(n));
    }
};

AnalogInput& AnalogInput::GetInstance(Pin pin)
{
    if (static_cast<uint32_t>(pin) >= count)
        throw std::out_of_range(notFound);
    static AnalogInputFacadeTable table;
    return table.inputs[pin];
}

AnalogInput::Pin AnalogInput::GetPin() const
{
    return static_cast<Pin>(m_input->GetChannel());
}

uint16_t AnalogInput::GetValue()
{
    return m_input->GetValue();
}

AnalogInputs& AnalogInputs::GetInstance()
{
    static AnalogInputs instance;
    return instance;
}

AnalogInput& AnalogInputs::operator[](int index)
{
    if (static_cast<unsigned>(index) >= AnalogInput::count)
        throw std::out_of_range(notFound);
    return AnalogInput::GetInstance(static_cast<AnalogInput::Pin>(index));
}

AnalogInput& AnalogInputs::operator[](AnalogInput::Pin pin)
{
    for (int index = 0; index < AnalogInput::count; ++index)
    {
        AnalogInput& input = (*this)[index];
        if (input.GetPin() == pin)
            return input;
    }
    throw std::out_of_range(notFound);
}

} // namespace Velmora
