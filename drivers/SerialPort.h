#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace Driver
{
class UART;
}

namespace Velmora
{

// Line errors of a serial port, as its interrupt finds them.
enum class SerialError : uint8_t
{
    Interrupt = 0, // the peripheral's error interrupt
    Parity = 1,
    Noise = 2,
    Framing = 3,
    Overrun = 4, // also a received byte that found the receive buffer full
};

// One of the board's four serial ports: channel 0 UART4 (PA0 TX, PA1 RX), 1 USART6 (PC6, PC7),
// 2 USART1 (PB6, PB7), 3 USART2 (PA2, PA3). Bytes move between the port and a transmit and a
// receive buffer of `bufferSize` bytes (one less usable) in the port's interrupt; the callbacks
// run there too, at interrupt priority 2.
class SerialPort
{
public:
    enum Channel : uint8_t
    {
        Channel0 = 0,
        Channel1 = 1,
        Channel2 = 2,
        Channel3 = 3,
    };
    enum class Parity : uint8_t
    {
        None = 0,
        Odd = 1,
        Even = 2,
    };
    enum class StopBits : uint8_t
    {
        Half = 5,
        One = 10,
        OneAndHalf = 15,
        Two = 20,
    };
    static constexpr int count = 4;
    static constexpr uint32_t bufferSize = 256;

    // Throws std::out_of_range for a channel past the board's four.
    static SerialPort& GetInstance(Channel channel);

    Channel GetChannel() const { return m_channel; }

    // Opens the port with its line settings. `dataBits` is the word length, 8 or 9; with parity
    // the last of them is the parity bit, as the hardware counts it. Anything left in the buffers
    // from before is dropped. Throws std::invalid_argument for a baud rate of 0 or a word length
    // other than 8 or 9.
    void Open(uint32_t baudRate, uint8_t dataBits = 8, Parity parity = Parity::None, StopBits stopBits = StopBits::One);
    // Stops the port at once: a byte on its way out is cut off and unsent bytes are dropped
    // (Flush first to send them).
    void Close();
    bool IsOpen() const { return m_open; }

    // Queues as many bytes as fit in the transmit buffer and returns how many that were. Throws
    // std::logic_error "SerialPort: Not open" on a closed port.
    size_t Write(const uint8_t* data, size_t count);
    size_t Write(const std::string& text) { return Write(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }
    // Waits until every queued byte has left the port. Throws std::runtime_error "SerialPort:
    // Timeout" if that takes much longer than the bytes' line time.
    void Flush();

    // Takes up to `count` received bytes; returns how many it took.
    size_t Read(uint8_t* buffer, size_t count);
    size_t BytesAvailable() const;

    // Called for every received byte (also one that was dropped because the buffer was full), and
    // for every line error.
    void SetOnDataReceived(std::function<void()> callback);
    void SetOnError(std::function<void(SerialError)> callback);

    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

private:
    SerialPort() = default;
    friend struct SerialPortTable;

    Channel m_channel = Channel0;
    Driver::UART* m_uart = nullptr;
    bool m_open = false;
    uint8_t m_transmitBuffer[bufferSize] = {};
    uint8_t m_receiveBuffer[bufferSize] = {};
};

// The serial ports by index.
class SerialPorts
{
public:
    static SerialPorts& GetInstance();

    // Throws std::out_of_range "Could not find a SerialPort at that index" outside 0 to 3.
    SerialPort& operator[](int index);

    SerialPorts(const SerialPorts&) = delete;
    SerialPorts& operator=(const SerialPorts&) = delete;

private:
    SerialPorts() = default;
};

extern SerialPorts& serialPorts;

} // namespace Velmora
