#include "drivers/ExDigitalOutput.h"

#include "drivers/Driver/DigitalOutputEx.h"

#include <stdexcept>

namespace Velmora
{

namespace
{
const char* const outOfRange = "Could not find an ExDigitalOutput at that index";
}

struct ExDigitalOutputFacadeTable
{
    ExDigitalOutput outputs[ExDigitalOutput::count];

    ExDigitalOutputFacadeTable()
    {
        for (int n = 0; n < ExDigitalOutput::count; ++n)
        {
            outputs[n].m_pin = static_cast<ExDigitalOutput::Pin>(n);
            outputs[n].m_output =
                &Driver::DigitalOutputEx::GetInstance(static_cast<Driver::DigitalOutputEx::Channel>(n / 16));
        }
    }
};

ExDigitalOutput& ExDigitalOutput::GetInstance(Pin pin)
{
    if (static_cast<uint32_t>(pin) >= count)
        throw std::out_of_range(outOfRange);
    static ExDigitalOutputFacadeTable table;
    return table.outputs[pin];
}

bool ExDigitalOutput::IsOn() const { return (m_output->Read() >> (m_pin % 16) & 1) != 0; }

void ExDigitalOutput::Toggle()
{
    const uint16_t value = m_output->Read();
    m_output->Write(static_cast<uint16_t>(value ^ (1u << (m_pin % 16))));
}

ExDigitalOutputs& ExDigitalOutputs::GetInstance()
{
    static ExDigitalOutputs instance;
    return instance;
}

ExDigitalOutput& ExDigitalOutputs::operator[](int index)
{
    if (static_cast<unsigned>(index) >= ExDigitalOutput::count)
        throw std::out_of_range(outOfRange);
    return ExDigitalOutput::GetInstance(static_cast<ExDigitalOutput::Pin>(index));
}

} // namespace Velmora
