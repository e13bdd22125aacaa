#include "input/Driver/Touch.h"

#include "drivers/Driver/DigitalOutput.h"
#include "drivers/Driver/GPIO.h"
#include "system/Driver/Clocks.h"
#include "system/Driver/NVIC.h"
#include "system/System.h"

#include "stm32f4xx.h"
#include "stm32f4xx_adc.h"
#include "stm32f4xx_rcc.h"
#include "stm32f4xx_tim.h"

#include <exception>
#include <stdexcept>
#include <utility>

namespace Driver
{

namespace
{
// Readings below these are the sense lines resting on their pull-downs: no contact.
constexpr float xThreshold = 70.0f;
constexpr float yThreshold = 100.0f;
constexpr float timeoutMilliseconds = 10.0f;
} // namespace

Touch::Touch()
    : m_touched(false), m_x(0), m_y(0), m_touchX(0), m_touchY(0), m_phase(true),
      m_lines{&DigitalOutput::GetInstance(5), &DigitalOutput::GetInstance(6), &DigitalOutput::GetInstance(7),
              &DigitalOutput::GetInstance(8)}
{
    // Power the Y plate for the first measurement (channel 13).
    m_lines[0]->High(true);
    m_lines[1]->High(true);
    m_lines[2]->Low(true);
    m_lines[3]->Low(true);

    GPIO& gpio = GPIO::GetInstance();
    gpio.AnalogIn(GPIO::Port::C, 3, GPIO::Pull::None, false, GPIO::Speed::High);
    gpio.AnalogIn(GPIO::Port::C, 2, GPIO::Pull::None, false, GPIO::Speed::High);

    RCC_APB2PeriphClockCmd(RCC_APB2Periph_ADC1, ENABLE);
    ADC_InitTypeDef adc;
    ADC_StructInit(&adc);
    adc.ADC_Resolution = ADC_Resolution_12b;
    adc.ADC_ScanConvMode = DISABLE;
    adc.ADC_ContinuousConvMode = DISABLE;
    adc.ADC_ExternalTrigConvEdge = ADC_ExternalTrigConvEdge_None;
    adc.ADC_DataAlign = ADC_DataAlign_Left;
    adc.ADC_NbrOfConversion = 1;
    ADC_Init(ADC1, &adc);
    ADC_Cmd(ADC1, ENABLE);

    // Prescaler PCLK1 / 1000 (42000 with PCLK1 at 42 MHz): the 84 MHz timer clock counts at
    // about 2 kHz, and four counts to an update give one measurement about every 2 ms.
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM7, ENABLE);
    TIM_TimeBaseInitTypeDef timeBase;
    TIM_TimeBaseStructInit(&timeBase);
    timeBase.TIM_Prescaler = static_cast<uint16_t>(Clocks::GetInstance().GetPeripheralBus1Frequency() / 1000u);
    timeBase.TIM_CounterMode = TIM_CounterMode_Up;
    timeBase.TIM_Period = 3;
    timeBase.TIM_ClockDivision = TIM_CKD_DIV1;
    TIM_TimeBaseInit(TIM7, &timeBase);
    NVIC::GetInstance().EnableIRQ(TIM7_IRQn);
    TIM_Cmd(TIM7, ENABLE);
}

Touch::~Touch() = default;

Touch& Touch::GetInstance()
{
    static Touch instance;
    static bool interruptEnabled = false;
    if (!interruptEnabled)
    {
        interruptEnabled = true;
        TIM_ITConfig(TIM7, TIM_IT_Update, ENABLE);
    }
    return instance;
}

Touch::InterruptMask::InterruptMask() : m_wasEnabled((TIM7->DIER & TIM_DIER_UIE) != 0)
{
    if (m_wasEnabled)
        TIM_ITConfig(TIM7, TIM_IT_Update, DISABLE);
}

Touch::InterruptMask::~InterruptMask()
{
    if (m_wasEnabled)
        TIM_ITConfig(TIM7, TIM_IT_Update, ENABLE);
}

void Touch::SetOnTouch(std::function<void(float, float)> callback)
{
    {
        InterruptMask mask;
        std::swap(m_onTouch, callback);
    }
    // `callback` now holds the previous one and is destroyed here, outside the masked section.
}

void Touch::SetOnRelease(std::function<void(float, float)> callback)
{
    {
        InterruptMask mask;
        std::swap(m_onRelease, callback);
    }
}

void Touch::Measure()
{
    ADC_RegularChannelConfig(ADC1, m_phase ? ADC_Channel_13 : ADC_Channel_12, 1, ADC_SampleTime_3Cycles);
    ADC_SoftwareStartConv(ADC1);
    m_stopwatch.Restart();
    for (;;)
    {
        const float elapsed = m_stopwatch.GetElapsedMilliseconds();
        if (ADC_GetFlagStatus(ADC1, ADC_FLAG_EOC) != RESET)
            return;
        if (elapsed > timeoutMilliseconds)
            throw std::runtime_error("Touch: Timeout");
    }
}

void Touch::ProcessValue()
{
    // Left-aligned 12-bit result.
    const float value = static_cast<float>(ADC_GetConversionValue(ADC1) >> 4);
    if (m_phase)
    {
        m_y = value;
        return;
    }
    m_x = value;
    if (m_x >= xThreshold && m_y >= yThreshold)
    {
        m_touchX = m_x;
        m_touchY = m_y;
        m_touched = true;
        if (m_onTouch)
            m_onTouch(m_x, 4096.0f - m_y);
    }
    else if (m_touched && m_x < xThreshold && m_y < yThreshold)
    {
        m_touched = false;
        if (m_onRelease)
            m_onRelease(m_touchX, 4096.0f - m_touchY);
    }
}

void Touch::DriveForNextAxis()
{
    // After y, power the X plate for channel 12; after x, the Y plate for channel 13. The lines
    // then settle for a whole timer period before the next conversion.
    const bool yNext = !m_phase;
    m_lines[0]->High(yNext);
    m_lines[1]->High(yNext);
    m_lines[2]->Low(yNext);
    m_lines[3]->Low(yNext);
}

void TouchInterrupt()
{
    if (TIM_GetITStatus(TIM7, TIM_IT_Update) == RESET)
        return;
    TIM_ClearITPendingBit(TIM7, TIM_IT_Update);
    // The handler's own run time must not count as settling time for the next axis.
    TIM_Cmd(TIM7, DISABLE);

    Touch& touch = Touch::GetInstance();
    try
    {
        touch.Measure();
        touch.ProcessValue();
        touch.DriveForNextAxis();
    }
    catch (const std::exception& exception)
    {
        Velmora::System::GetInstance().GetOnUnhandledException()(exception);
    }
    touch.m_phase = !touch.m_phase;
    TIM_Cmd(TIM7, ENABLE);
}

} // namespace Driver

extern "C" void TIM7_IRQHandler(void)
{
    Driver::TouchInterrupt();
}
