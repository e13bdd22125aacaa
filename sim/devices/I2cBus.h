// An I2C bus on the board: the devices attached to it by their 7-bit addresses, the traffic the
// chip's I2C controller puts on it (START, address, data, acknowledge, STOP) at byte level, and
// the faults a test or scenario injects: a device that does not answer, a device that holds SDA
// low, a device that stretches the clock.
//
// The lines themselves are two pins of the GPIO model with pull-up resistors on the board; the
// controller drives them open-drain, and a fault that holds a line low drives the pin from
// outside, exactly as the world can with World::DrivePin.
#pragma once

#include "sim/Clock.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Sim
{

class Board;

// A device on the bus. The bus calls it only while it is selected, except for Start and Stop,
// which every device sees.
class I2cDevice
{
public:
    virtual ~I2cDevice() = default;
    // START or repeated START on the bus.
    virtual void Start() {}
    // STOP on the bus.
    virtual void Stop() {}
    // The address byte names this device; returns whether it acknowledges.
    virtual bool Select(bool read) = 0;
    // A byte from the master while selected for writing; returns the device's acknowledge.
    virtual bool Receive(uint8_t byte) = 0;
    // The next byte for the master while selected for reading.
    virtual uint8_t Transmit() = 0;
    // The master's acknowledge of that byte; after a NACK the device sends no more.
    virtual void Acknowledged(bool ack) { (void)ack; }
};

class I2cBus
{
public:
    I2cBus(Board& board, const char* name, int sclPort, int sclPin, int sdaPort, int sdaPin);

    const char* Name() const { return m_name; }
    int SclPort() const { return m_sclPort; }
    int SclPin() const { return m_sclPin; }
    int SdaPort() const { return m_sdaPort; }
    int SdaPin() const { return m_sdaPin; }

    void Attach(uint8_t address, I2cDevice& device);
    // Power-on of the board: a clock stretch in progress ends with it (faults set by the world
    // stay), and no transaction is open.
    void PowerOnReset();

    // ---- the controller's side (byte level) ----
    void Start();
    void Stop();
    // The master lost arbitration half-way: the devices see the bus released and start over.
    void Abandon();
    // The address byte (7-bit address and direction bit); returns whether a device acknowledged.
    bool Address(uint8_t byte);
    // A data byte from the master; returns the acknowledge.
    bool Write(uint8_t byte);
    // A data byte to the master (0xFF when no device drives SDA) and the master's acknowledge.
    uint8_t Read();
    void Acknowledge(bool ack);

    // ---- faults ----
    // The device at `address` no longer answers: its address is not acknowledged.
    void SetAbsent(uint8_t address, bool absent);
    // A stuck device holds SDA low until released.
    void HoldSdaLow(bool hold);
    // The device at `address` holds SCL low for `duration` after every byte it acknowledges
    // (0: no stretching).
    void SetClockStretch(uint8_t address, Tick duration);

    // Called when a fault takes or lets go of a line. The controller needs it: while it owns the
    // bus it holds the lines low itself, so a change from outside need not change a pin level.
    void SetOnLineChange(std::function<void()> onChange) { m_onLineChange = std::move(onChange); }

    // ---- what happened on the bus ----
    // One token per bus event: "S" (START), "Sr" (repeated START), "P" (STOP), "A0+" (a byte
    // from the master and the device's ACK, "-" for NACK), "[3F]+" (a byte to the master and the
    // master's ACK, "-" for NACK). Recorded while enabled.
    void EnableLog(bool enable) { m_logEnabled = enable; }
    const std::vector<std::string>& Log() const { return m_log; }
    // The log as one line, tokens separated by spaces; clears it.
    std::string TakeLog();

private:
    struct Slot
    {
        uint8_t address;
        I2cDevice* device;
        bool absent;
        Tick stretch;
    };
    Slot* Find(uint8_t address);
    // Ends the transaction for every device (a STOP, or the master gone), logging `token`.
    void Release(const char* token);
    void Note(const char* format, unsigned value, bool ack);
    void Stretch(Tick duration);
    static void EndStretch(void* self);

    Board& m_board;
    const char* m_name;
    int m_sclPort, m_sclPin, m_sdaPort, m_sdaPin;
    std::vector<Slot> m_slots;
    Slot* m_selected = nullptr;
    bool m_reading = false;
    bool m_inTransaction = false;
    Event m_stretchEnd;
    bool m_stretching = false;
    std::function<void()> m_onLineChange;
    bool m_logEnabled = false;
    std::vector<std::string> m_log;
};

} // namespace Sim
