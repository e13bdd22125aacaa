#include "drivers/DigitalOutput.h"

#include "drivers/Driver/DigitalOutput.h"

#include <stdexcept>

namespace Velmora
{

struct DigitalOutputFacadeTable
{
    DigitalOutput outputs[DigitalOutput::count];

    DigitalOutputFacadeTable()
    {
        for (int n = 0; n < DigitalOutput::count; ++n)
        {
            outputs[n].m_pin = static_cast<DigitalOutput::Pin>(n);
            // User outputs are the driver's channels 1 to 4 (PB13, PE2, PG13, PG14).
            outputs[n].m_output =
                &Driver::DigitalOutput::GetInstance(static_cast<Driver::DigitalOutput::Channel>(n + 1));
        }
    }
};

DigitalOutput& DigitalOutput::GetInstance(Pin pin)
{
    if (static_cast<uint32_t>(pin) >= count)
        throw std::out_of_range("Could not find a DigitalOutput at that index");
    static DigitalOutputFacadeTable table;
    return table.outputs[pin];
}

bool DigitalOutput::IsOn() const
{
    return m_output->IsOn();
}

void DigitalOutput::Toggle()
{
    m_output->Toggle();
}

DigitalOutputs& DigitalOutputs::GetInstance()
{
    static DigitalOutputs instance;
    return instance;
}

DigitalOutput& DigitalOutputs::operator[](int index)
{
    if (static_cast<unsigned>(index) >= DigitalOutput::count)
        throw std::out_of_range("Could not find a DigitalOutput at that index");
    return DigitalOutput::GetInstance(static_cast<DigitalOutput::Pin>(index));
}

} // namespace Velmora
