#pragma once

#include "system/Stopwatch.h"

#include <cstdint>
#include <functional>

namespace Driver
{

// A polled I2C master, one object per bus, with one operation per bus event. Every wait is
// bounded: after 10 ms it throws std::runtime_error "I2C: Timeout". Callers wrap each complete
// transaction (START to STOP) in System::AtomicCall so that no interrupt splits it.
class I2C
{
public:
    enum class Channel : uint8_t
    {
        Channel0 = 0, // I2C1 on PB8/PB9, 100 kHz: the clock and the EEPROM
        Channel1 = 1, // I2C2 on PB10/PB11, 400 kHz: the port expanders
    };
    static constexpr int channelCount = 2;

    // The first call, whichever channel it asks for, sets up both buses.
    static I2C& GetInstance(Channel channel);

    // Waits while the bus is busy, sends START and waits for master mode.
    void Start();
    // Sends a repeated START and waits for master mode.
    void Restart();
    // Sends STOP; does not wait for it.
    void Stop();
    // `address` is the 8-bit form (7-bit address << 1); the direction bit is added here.
    void BeginWrite(uint8_t address);
    void BeginRead(uint8_t address);
    void Write(uint8_t data);
    uint8_t Read();
    void EnableReadAck(bool enable);
    void DisableReadAck(bool disable) { EnableReadAck(!disable); }
    // NACK position: the next byte if `enable`, the current one otherwise.
    void Enable2ByteRead(bool enable);

    // Runs one device transaction inside System::AtomicCall; its exception reaches the caller.
    static void Transaction(const std::function<void()>& transaction);

    I2C(const I2C&) = delete;
    I2C& operator=(const I2C&) = delete;

private:
    I2C() = default;
    friend struct I2CTable;

    void SetUp(Channel channel);
    // Polls until I2C_CheckEvent(event) equals `until`; throws after 10 ms.
    void Wait(uint32_t event, bool until);
    // After a timeout: withdraw a START that never went out and end a transfer the controller
    // still owns, so that the bus is free for the next transaction.
    void Abandon();

    Channel m_channel = Channel::Channel0;
    Velmora::Stopwatch m_stopwatch;
};

} // namespace Driver
