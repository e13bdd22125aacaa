#include "drivers/Driver/DigitalInput.h"

#include "drivers/Driver/GPIO.h"
#include "system/Driver/NVIC.h"
#include "system/System.h"
#include "stm32f4xx.h"
#include "stm32f4xx_exti.h"
#include "stm32f4xx_gpio.h"
#include "stm32f4xx_rcc.h"
#include "stm32f4xx_syscfg.h"

#include <exception>
#include <stdexcept>
#include <string>

namespace Driver
{

namespace
{

constexpr uint8_t noLine = 0xFF;

struct InputPin
{
    GPIO::Port port;
    GPIO::Pin pin;
    GPIO::Pull pull;
    uint8_t extiLine; // noLine: the pin raises no interrupt
    uint8_t irq;
};

// Indexed by channel.
constexpr InputPin inputPins[DigitalInput::channelCount] = {
    {GPIO::Port::B, 15, GPIO::Pull::Up, 15, 40},      // SD card detect
    {GPIO::Port::G, 7, GPIO::Pull::None, 7, 23},      // panel tearing signal
    {GPIO::Port::A, 9, GPIO::Pull::None, noLine, 0},  // USB bus-power sense
    {GPIO::Port::G, 8, GPIO::Pull::None, noLine, 0},  // spare
    {GPIO::Port::F, 8, GPIO::Pull::None, 8, 23},      // user input 0
    {GPIO::Port::F, 9, GPIO::Pull::None, 9, 23},      // user input 1
    {GPIO::Port::B, 0, GPIO::Pull::None, 0, 6},       // user input 2
    {GPIO::Port::B, 1, GPIO::Pull::None, 1, 7},       // user input 3
    {GPIO::Port::B, 12, GPIO::Pull::None, 12, 40},    // spare
    {GPIO::Port::G, 6, GPIO::Pull::None, 6, 23},      // spare
    {GPIO::Port::D, 3, GPIO::Pull::None, 3, 9},       // spare
};

void RouteToUnhandled(const std::exception& e)
{
    Velmora::System::GetInstance().GetOnUnhandledException()(e);
}

} // namespace

struct DigitalInputTable
{
    DigitalInput channels[DigitalInput::channelCount];

    DigitalInputTable()
    {
        for (DigitalInput::Channel c = 0; c < DigitalInput::channelCount; ++c)
            Construct(channels[c], c);
    }

    static void Construct(DigitalInput& input, DigitalInput::Channel channel)
    {
        const InputPin& p = inputPins[channel];
        input.m_channel = channel;
        input.m_handler = [] {};
        RCC_APB2PeriphClockCmd(RCC_APB2Periph_SYSCFG, ENABLE);
        GPIO::GetInstance().DigitalIn(p.port, p.pin, p.pull, true, GPIO::Speed::High);
        if (p.extiLine != noLine)
        {
            SYSCFG_EXTILineConfig(static_cast<uint8_t>(p.port), p.extiLine);
            NVIC::GetInstance().EnableIRQ(static_cast<NVIC::IRQ>(p.irq));
        }
    }
};

DigitalInput& DigitalInput::GetInstance(Channel channel)
{
    // Channels are fixed by the board; a wrong number is a programming error, not something to
    // index past the table with.
    if (channel >= channelCount)
        throw std::out_of_range("DigitalInput: no channel " + std::to_string(channel));
    static DigitalInputTable table;
    return table.channels[channel];
}

bool DigitalInput::IsOn() const
{
    const InputPin& p = inputPins[m_channel];
    return GPIO_ReadInputDataBit(GPIO::Registers(p.port), static_cast<uint16_t>(1u << p.pin)) == 1;
}

bool DigitalInput::IsOff() const
{
    return !IsOn();
}

void DigitalInput::EnableInterrupt(Velmora::Edge edge, bool enable)
{
    m_edge = edge;
    EnableInterrupt(enable);
}

void DigitalInput::EnableInterrupt(bool enable)
{
    m_interruptEnabled = enable;
    const InputPin& p = inputPins[m_channel];
    if (p.extiLine == noLine)
        return; // a pin without a line has nothing to arm
    EXTI_InitTypeDef init;
    EXTI_StructInit(&init);
    init.EXTI_Line = 1u << p.extiLine;
    if (enable)
    {
        init.EXTI_Mode = EXTI_Mode_Interrupt;
        init.EXTI_Trigger = static_cast<EXTITrigger_TypeDef>((static_cast<uint32_t>(m_edge) + 2) * 4);
    }
    init.EXTI_LineCmd = enable ? ENABLE : DISABLE;
    EXTI_Init(&init);
}

void DigitalInput::ProcessInterrupt()
{
    try
    {
        if (m_handler)
            m_handler();
    }
    catch (const std::exception& e)
    {
        RouteToUnhandled(e);
    }
}

} // namespace Driver

namespace
{

constexpr uint8_t noChannel = 0xFF;

// Clears each pending, unmasked line of one EXTI interrupt in ascending order and runs the owning
// channel's handler. Lines nobody owns are cleared so they cannot keep the interrupt pending. A
// masked line is left alone even when its flag is set: masking is how a driver keeps its handler
// out (the display's refresh bracket), and an edge latched before the mask must not get through.
template <size_t N>
void DispatchLines(const uint8_t (&lines)[N], const uint8_t (&channels)[N])
{
    for (size_t i = 0; i < N; ++i)
    {
        const uint32_t line = 1u << lines[i];
        if (EXTI_GetITStatus(line) == RESET)
            continue;
        EXTI_ClearITPendingBit(line);
        EXTI_ClearFlag(line);
        if (channels[i] != noChannel)
            Driver::DigitalInput::GetInstance(channels[i]).ProcessInterrupt();
    }
    __DSB();
}

} // namespace

extern "C" void EXTI0_IRQHandler()
{
    static const uint8_t lines[] = {0};
    static const uint8_t channels[] = {6};
    DispatchLines(lines, channels);
}

extern "C" void EXTI1_IRQHandler()
{
    static const uint8_t lines[] = {1};
    static const uint8_t channels[] = {7};
    DispatchLines(lines, channels);
}

extern "C" void EXTI3_IRQHandler()
{
    static const uint8_t lines[] = {3};
    static const uint8_t channels[] = {10};
    DispatchLines(lines, channels);
}

extern "C" void EXTI9_5_IRQHandler()
{
    static const uint8_t lines[] = {5, 6, 7, 8, 9};
    static const uint8_t channels[] = {noChannel, 9, 1, 4, 5};
    DispatchLines(lines, channels);
}

extern "C" void EXTI15_10_IRQHandler()
{
    static const uint8_t lines[] = {10, 11, 12, 13, 14, 15};
    static const uint8_t channels[] = {noChannel, noChannel, 8, noChannel, noChannel, 0};
    DispatchLines(lines, channels);
}
