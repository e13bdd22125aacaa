#include "drivers/Driver/AnalogInput.h"

#include "drivers/Driver/GPIO.h"

#include "stm32f4xx.h"
#include "stm32f4xx_adc.h"
#include "stm32f4xx_rcc.h"

#include <stdexcept>
#include <string>

namespace Driver
{

namespace
{

struct AnalogPin
{
    GPIO::Port port;
    GPIO::Pin pin;
    uint8_t converter; // 2 or 3
    uint8_t input;     // the converter's input channel
};

constexpr AnalogPin analogPins[AnalogInput::channelCount] = {
    {GPIO::Port::C, 4, 2, ADC_Channel_14},
    {GPIO::Port::C, 5, 2, ADC_Channel_15},
    {GPIO::Port::F, 6, 3, ADC_Channel_4},
    {GPIO::Port::F, 7, 3, ADC_Channel_5},
};

constexpr float timeoutMilliseconds = 10.0f;

ADC_TypeDef* Converter(const AnalogPin& pin)
{
    return pin.converter == 2 ? ADC2 : ADC3;
}

} // namespace

struct AnalogInputTable
{
    AnalogInput channels[AnalogInput::channelCount];

    AnalogInputTable()
    {
        for (AnalogInput::Channel c = 0; c < AnalogInput::channelCount; ++c)
            channels[c].Initialise(c);
    }
};

void AnalogInput::Initialise(Channel channel)
{
    m_channel = channel;
    const AnalogPin& pin = analogPins[channel];
    GPIO::GetInstance().AnalogIn(pin.port, pin.pin, GPIO::Pull::None, true, GPIO::Speed::High);

    ADC_TypeDef* adc = Converter(pin);
    // The other channel on this converter has set it up already.
    if ((adc->CR2 & ADC_CR2_ADON) != 0)
        return;
    RCC_APB2PeriphClockCmd(pin.converter == 2 ? RCC_APB2Periph_ADC2 : RCC_APB2Periph_ADC3, ENABLE);
    ADC_InitTypeDef init;
    ADC_StructInit(&init);
    init.ADC_Resolution = ADC_Resolution_12b;
    init.ADC_ScanConvMode = DISABLE;
    init.ADC_ContinuousConvMode = DISABLE;
    init.ADC_ExternalTrigConvEdge = ADC_ExternalTrigConvEdge_None;
    init.ADC_DataAlign = ADC_DataAlign_Left;
    init.ADC_NbrOfConversion = 1;
    ADC_Init(adc, &init);
    ADC_EOCOnEachRegularChannelCmd(adc, ENABLE);
    ADC_Cmd(adc, ENABLE);
}

AnalogInput& AnalogInput::GetInstance(Channel channel)
{
    if (channel >= channelCount)
        throw std::out_of_range("AnalogInput: no channel " + std::to_string(channel));
    static AnalogInputTable table;
    return table.channels[channel];
}

uint16_t AnalogInput::GetValue()
{
    const AnalogPin& pin = analogPins[m_channel];
    ADC_TypeDef* adc = Converter(pin);
    ADC_RegularChannelConfig(adc, pin.input, 1, ADC_SampleTime_3Cycles);
    ADC_SoftwareStartConv(adc);
    m_stopwatch.Restart();
    for (;;)
    {
        const float elapsed = m_stopwatch.GetElapsedMilliseconds();
        if (ADC_GetFlagStatus(adc, ADC_FLAG_EOC) != RESET)
            return static_cast<uint16_t>(ADC_GetConversionValue(adc) >> 4); // left-aligned 12 bits
        if (elapsed > timeoutMilliseconds)
            throw std::runtime_error("AnalogInput: Timeout");
    }
}

} // namespace Driver
