#include "drivers/Driver/UART.h"

#include "drivers/Driver/GPIO.h"
#include "system/Driver/NVIC.h"
#include "system/System.h"

#include "stm32f4xx.h"
#include "stm32f4xx_rcc.h"
#include "stm32f4xx_usart.h"

#include <exception>
#include <stdexcept>
#include <utility>

namespace Driver
{

namespace
{

struct PortTable
{
    USART_TypeDef* usart;
    GPIO::Port txPort;
    GPIO::Pin txPin;
    GPIO::Port rxPort;
    GPIO::Pin rxPin;
    GPIO::AltFunction function;
    bool apb2;
    uint32_t clock;
    IRQn_Type irq;
};

const PortTable& Port(Velmora::SerialPort::Channel channel)
{
    static const PortTable ports[Velmora::SerialPort::count] = {
        {UART4, GPIO::Port::A, 0, GPIO::Port::A, 1, 8, false, RCC_APB1Periph_UART4, UART4_IRQn},
        {USART6, GPIO::Port::C, 6, GPIO::Port::C, 7, 8, true, RCC_APB2Periph_USART6, USART6_IRQn},
        {USART1, GPIO::Port::B, 6, GPIO::Port::B, 7, 7, true, RCC_APB2Periph_USART1, USART1_IRQn},
        {USART2, GPIO::Port::A, 2, GPIO::Port::A, 3, 7, false, RCC_APB1Periph_USART2, USART2_IRQn},
    };
    return ports[channel];
}

// Holds the port's interrupt off for the lifetime of the object (its NVIC enable is always on
// once the port exists).
class PortInterruptMask
{
public:
    explicit PortInterruptMask(IRQn_Type irq) : m_irq(irq)
    {
        NVIC_DisableIRQ(m_irq);
        __DSB();
        __ISB();
    }
    ~PortInterruptMask() { NVIC_EnableIRQ(m_irq); }
    PortInterruptMask(const PortInterruptMask&) = delete;
    PortInterruptMask& operator=(const PortInterruptMask&) = delete;

private:
    IRQn_Type m_irq;
};

} // namespace

struct UARTTable
{
    UART ports[Velmora::SerialPort::count];

    UARTTable()
    {
        for (int c = 0; c < Velmora::SerialPort::count; ++c)
            ports[c].Construct(static_cast<UART::Channel>(c));
    }
};

void UART::Construct(Channel channel)
{
    m_channel = channel;
    m_errors.reserve(5);
    m_onDataReceived = [] {};
    m_onError = [](Velmora::SerialError) {};

    const PortTable& port = Port(channel);
    GPIO& gpio = GPIO::GetInstance();
    gpio.AlternateFunction(port.txPort, port.txPin, port.function, GPIO::OutputType::PushPull, GPIO::Pull::Up, true,
                           GPIO::Speed::High);
    gpio.AlternateFunction(port.rxPort, port.rxPin, port.function, GPIO::OutputType::PushPull, GPIO::Pull::Up, true,
                           GPIO::Speed::High);
    if (port.apb2)
        RCC_APB2PeriphClockCmd(port.clock, ENABLE);
    else
        RCC_APB1PeriphClockCmd(port.clock, ENABLE);
    NVIC::GetInstance().EnableIRQ(port.irq);
    SetConfiguration();
}

UART& UART::GetInstance(Channel channel)
{
    if (static_cast<unsigned>(channel) >= Velmora::SerialPort::count)
        throw std::out_of_range("UART: no channel " + std::to_string(static_cast<unsigned>(channel)));
    static UARTTable table;
    return table.ports[channel];
}

void UART::SetLineSettings(uint32_t baudRate, uint8_t parity, uint8_t dataBits, uint8_t stopBits)
{
    m_baudRate = baudRate;
    m_parity = parity;
    m_dataBits = dataBits;
    m_stopBits = stopBits;
    SetConfiguration();
}

void UART::SetConfiguration()
{
    USART_InitTypeDef init;
    USART_StructInit(&init);
    init.USART_BaudRate = m_baudRate;
    if (m_parity == 1)
        init.USART_Parity = USART_Parity_Odd;
    else if (m_parity == 2)
        init.USART_Parity = USART_Parity_Even;
    // The word length follows the data bits alone: with parity, the parity bit is one of them.
    if (m_dataBits == 8)
        init.USART_WordLength = USART_WordLength_8b;
    else if (m_dataBits == 9)
        init.USART_WordLength = USART_WordLength_9b;
    switch (m_stopBits)
    {
    case 5:
        init.USART_StopBits = USART_StopBits_0_5;
        break;
    case 15:
        init.USART_StopBits = USART_StopBits_1_5;
        break;
    case 20:
        init.USART_StopBits = USART_StopBits_2;
        break;
    default:
        init.USART_StopBits = USART_StopBits_1;
        break;
    }
    init.USART_Mode = USART_Mode_Rx | USART_Mode_Tx;
    init.USART_HardwareFlowControl = USART_HardwareFlowControl_None;
    USART_Init(Port(m_channel).usart, &init);
}

void UART::SetBuffers(uint8_t* transmit, uint32_t transmitSize, uint8_t* receive, uint32_t receiveSize)
{
    PortInterruptMask mask(Port(m_channel).irq);
    m_transmit.data = transmit;
    m_transmit.size = transmitSize;
    m_transmit.read = 0;
    m_transmit.write = 0;
    m_receive.data = receive;
    m_receive.size = receiveSize;
    m_receive.read = 0;
    m_receive.write = 0;
}

void UART::Enable(bool enable)
{
    USART_TypeDef* usart = Port(m_channel).usart;
    if (enable)
    {
        USART_ITConfig(usart, USART_IT_RXNE, ENABLE);
        USART_ITConfig(usart, USART_IT_PE, ENABLE);
        USART_ITConfig(usart, USART_IT_ERR, ENABLE);
        USART_Cmd(usart, ENABLE);
    }
    else
    {
        USART_ITConfig(usart, USART_IT_TXE, DISABLE);
        USART_ITConfig(usart, USART_IT_RXNE, DISABLE);
        USART_ITConfig(usart, USART_IT_PE, DISABLE);
        USART_ITConfig(usart, USART_IT_ERR, DISABLE);
        USART_Cmd(usart, DISABLE);
    }
}

uint32_t UART::Write(const uint8_t* data, uint32_t count)
{
    if (m_transmit.size == 0)
        return 0;
    uint32_t written = 0;
    uint32_t write = m_transmit.write;
    while (written < count)
    {
        const uint32_t next = (write + 1) % m_transmit.size;
        if (next == m_transmit.read)
            break;
        m_transmit.data[write] = data[written++];
        write = next;
    }
    // The bytes are in place before the interrupt can see the new write index.
    m_transmit.write = write;
    if (written > 0)
        USART_ITConfig(Port(m_channel).usart, USART_IT_TXE, ENABLE);
    return written;
}

uint32_t UART::Read(uint8_t* buffer, uint32_t count)
{
    if (m_receive.size == 0)
        return 0;
    uint32_t taken = 0;
    uint32_t read = m_receive.read;
    while (taken < count && read != m_receive.write)
    {
        buffer[taken++] = m_receive.data[read];
        read = (read + 1) % m_receive.size;
    }
    m_receive.read = read;
    return taken;
}

uint32_t UART::Available() const
{
    if (m_receive.size == 0)
        return 0;
    return (m_receive.write + m_receive.size - m_receive.read) % m_receive.size;
}

bool UART::IsTransmitting() const
{
    if (m_transmit.read != m_transmit.write)
        return true;
    return USART_GetFlagStatus(Port(m_channel).usart, USART_FLAG_TC) == RESET;
}

void UART::SetOnDataReceived(std::function<void()> callback)
{
    {
        PortInterruptMask mask(Port(m_channel).irq);
        std::swap(m_onDataReceived, callback);
    }
}

void UART::SetOnError(std::function<void(Velmora::SerialError)> callback)
{
    {
        PortInterruptMask mask(Port(m_channel).irq);
        std::swap(m_onError, callback);
    }
}

void UART::ProcessInterrupt()
{
    USART_TypeDef* usart = Port(m_channel).usart;
    try
    {
        if (USART_GetITStatus(usart, USART_IT_TXE) != RESET)
        {
            if (m_transmit.read != m_transmit.write)
            {
                USART_SendData(usart, m_transmit.data[m_transmit.read]);
                m_transmit.read = (m_transmit.read + 1) % m_transmit.size;
            }
            else
                USART_ITConfig(usart, USART_IT_TXE, DISABLE);
        }

        m_errors.clear();
        if (USART_GetITStatus(usart, USART_IT_ERR) != RESET)
            m_errors.push_back(Velmora::SerialError::Interrupt);
        const bool overrunRx = USART_GetITStatus(usart, USART_IT_ORE_RX) != RESET;
        const bool overrunEr = USART_GetITStatus(usart, USART_IT_ORE_ER) != RESET;
        if (overrunRx || overrunEr)
            m_errors.push_back(Velmora::SerialError::Overrun);
        if (USART_GetITStatus(usart, USART_IT_FE) != RESET)
            m_errors.push_back(Velmora::SerialError::Framing);
        if (USART_GetITStatus(usart, USART_IT_NE) != RESET)
            m_errors.push_back(Velmora::SerialError::Noise);
        if (USART_GetITStatus(usart, USART_IT_PE) != RESET)
            m_errors.push_back(Velmora::SerialError::Parity);

        if (!m_errors.empty())
        {
            // Reading the data register after the status reads discards the byte and clears the
            // error flags.
            const uint16_t discarded = USART_ReceiveData(usart);
            (void)discarded;
            for (Velmora::SerialError error : m_errors)
                if (m_onError)
                    m_onError(error);
        }
        else if (USART_GetITStatus(usart, USART_IT_RXNE) != RESET)
        {
            const uint8_t byte = static_cast<uint8_t>(USART_ReceiveData(usart) & 0xFF);
            if (m_receive.size != 0)
            {
                const uint32_t next = (m_receive.write + 1) % m_receive.size;
                if (next == m_receive.read)
                {
                    if (m_onError)
                        m_onError(Velmora::SerialError::Overrun);
                }
                else
                {
                    m_receive.data[m_receive.write] = byte;
                    m_receive.write = next;
                }
            }
            if (m_onDataReceived)
                m_onDataReceived();
        }
    }
    catch (const std::exception& exception)
    {
        Velmora::System::GetInstance().GetOnUnhandledException()(exception);
    }
    __DSB();
}

} // namespace Driver

extern "C" void UART4_IRQHandler(void)
{
    Driver::UART::GetInstance(Velmora::SerialPort::Channel0).ProcessInterrupt();
}

extern "C" void USART6_IRQHandler(void)
{
    Driver::UART::GetInstance(Velmora::SerialPort::Channel1).ProcessInterrupt();
}

extern "C" void USART1_IRQHandler(void)
{
    Driver::UART::GetInstance(Velmora::SerialPort::Channel2).ProcessInterrupt();
}

extern "C" void USART2_IRQHandler(void)
{
    Driver::UART::GetInstance(Velmora::SerialPort::Channel3).ProcessInterrupt();
}
