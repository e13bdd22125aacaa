#include "drivers/SerialPort.h"

#include "drivers/Driver/UART.h"
#include "system/Stopwatch.h"

#include "stm32f4xx.h"

#include <stdexcept>
#include <string>

namespace Velmora
{

struct SerialPortTable
{
    SerialPort ports[SerialPort::count];

    SerialPortTable()
    {
        for (int c = 0; c < SerialPort::count; ++c)
        {
            ports[c].m_channel = static_cast<SerialPort::Channel>(c);
            ports[c].m_uart = &Driver::UART::GetInstance(static_cast<SerialPort::Channel>(c));
        }
    }
};

SerialPort& SerialPort::GetInstance(Channel channel)
{
    if (static_cast<unsigned>(channel) >= count)
        throw std::out_of_range("Could not find a SerialPort at that index");
    static SerialPortTable table;
    return table.ports[channel];
}

void SerialPort::Open(uint32_t baudRate, uint8_t dataBits, Parity parity, StopBits stopBits)
{
    if (baudRate == 0)
        throw std::invalid_argument("SerialPort: Invalid baud rate 0");
    if (dataBits != 8 && dataBits != 9)
        throw std::invalid_argument("SerialPort: Invalid word length " + std::to_string(dataBits));
    if (parity != Parity::None && parity != Parity::Odd && parity != Parity::Even)
        throw std::invalid_argument("SerialPort: Invalid parity");
    if (stopBits != StopBits::Half && stopBits != StopBits::One && stopBits != StopBits::OneAndHalf &&
        stopBits != StopBits::Two)
        throw std::invalid_argument("SerialPort: Invalid stop bits");
    if (m_open)
        Close();
    m_uart->SetLineSettings(baudRate, static_cast<uint8_t>(parity), dataBits, static_cast<uint8_t>(stopBits));
    m_uart->SetBuffers(m_transmitBuffer, bufferSize, m_receiveBuffer, bufferSize);
    m_uart->Enable(true);
    m_open = true;
}

void SerialPort::Close()
{
    m_uart->Enable(false);
    m_open = false;
}

size_t SerialPort::Write(const uint8_t* data, size_t count)
{
    if (!m_open)
        throw std::logic_error("SerialPort: Not open");
    const uint32_t limited = count > bufferSize ? bufferSize : static_cast<uint32_t>(count);
    return m_uart->Write(data, limited);
}

void SerialPort::Flush()
{
    if (!m_open)
        return;
    // Up to a whole buffer at 12 bits a byte, and a margin.
    const float limit = 10.0f + 1000.0f * 12.0f * bufferSize / static_cast<float>(m_uart->GetBaudRate());
    Stopwatch stopwatch;
    stopwatch.Restart();
    for (;;)
    {
        const float elapsed = stopwatch.GetElapsedMilliseconds();
        if (!m_uart->IsTransmitting())
            return;
        if (elapsed > limit)
            throw std::runtime_error("SerialPort: Timeout");
    }
}

size_t SerialPort::Read(uint8_t* buffer, size_t count)
{
    const uint32_t limited = count > bufferSize ? bufferSize : static_cast<uint32_t>(count);
    return m_uart->Read(buffer, limited);
}

size_t SerialPort::BytesAvailable() const
{
    return m_uart->Available();
}

void SerialPort::SetOnDataReceived(std::function<void()> callback)
{
    m_uart->SetOnDataReceived(std::move(callback));
}

void SerialPort::SetOnError(std::function<void(SerialError)> callback)
{
    m_uart->SetOnError(std::move(callback));
}

SerialPorts& SerialPorts::GetInstance()
{
    static SerialPorts instance;
    return instance;
}

SerialPort& SerialPorts::operator[](int index)
{
    if (static_cast<unsigned>(index) >= SerialPort::count)
        throw std::out_of_range("Could not find a SerialPort at that index");
    return SerialPort::GetInstance(static_cast<SerialPort::Channel>(index));
}

} // namespace Velmora
