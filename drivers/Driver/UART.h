#pragma once

#include "drivers/SerialPort.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace Driver
{

// One serial port: its pins, clock, line settings, and the interrupt processing that moves bytes
// between the data register and a transmit ring and a receive ring. A ring is a byte array with
// a read and a write index modulo its size; it is full when advancing the write index would make
// it equal the read index, so a ring of size n holds n - 1 bytes. The interrupt owns the
// transmit ring's read index and the receive ring's write index; the thread side owns the others.
class UART
{
public:
    using Channel = Velmora::SerialPort::Channel;

    // The first call constructs all four ports (pins, clocks, interrupts, default line settings:
    // 115200 baud, 8 data bits, no parity, 1 stop bit).
    static UART& GetInstance(Channel channel);

    // Line settings: parity 0 none, 1 odd, 2 even; data bits 8 or 9 (the word length); stop bits
    // in tenths (5, 10, 15, 20). Values outside these keep the hardware's defaults. Applies them.
    void SetLineSettings(uint32_t baudRate, uint8_t parity, uint8_t dataBits, uint8_t stopBits);
    void SetConfiguration();

    // Gives the port its rings (emptied). Call while the port is disabled.
    void SetBuffers(uint8_t* transmit, uint32_t transmitSize, uint8_t* receive, uint32_t receiveSize);
    // Switches the peripheral and its receive and error interrupts on, or everything off.
    void Enable(bool enable);

    // Copies as much as fits into the transmit ring, then lets the interrupt send it.
    uint32_t Write(const uint8_t* data, uint32_t count);
    uint32_t Read(uint8_t* buffer, uint32_t count);
    uint32_t Available() const;
    // Whether bytes are queued or still on the line.
    bool IsTransmitting() const;

    // Replace a callback, with the port's interrupt held off during the swap.
    void SetOnDataReceived(std::function<void()> callback);
    void SetOnError(std::function<void(Velmora::SerialError)> callback);

    // Called by the port's interrupt handler.
    void ProcessInterrupt();

    uint32_t GetBaudRate() const { return m_baudRate; }

    UART(const UART&) = delete;
    UART& operator=(const UART&) = delete;

private:
    struct Ring
    {
        uint8_t* data;
        uint32_t size;
        volatile uint32_t read;
        volatile uint32_t write;
    };

    UART() = default;
    void Construct(Channel channel);
    friend struct UARTTable;

    Channel m_channel = Velmora::SerialPort::Channel0;
    uint32_t m_baudRate = 115200;
    uint8_t m_parity = 0;
    uint8_t m_dataBits = 8;
    uint8_t m_stopBits = 10;
    Ring m_transmit = {nullptr, 0, 0, 0};
    Ring m_receive = {nullptr, 0, 0, 0};
    std::vector<Velmora::SerialError> m_errors;
    std::function<void()> m_onDataReceived;
    std::function<void(Velmora::SerialError)> m_onError;
};

} // namespace Driver

extern "C" void USART1_IRQHandler(void);
extern "C" void USART2_IRQHandler(void);
extern "C" void UART4_IRQHandler(void);
extern "C" void USART6_IRQHandler(void);
extern "C" void SPI1_IRQHandler(void);
