#include "sim/devices/I2cBus.h"

#include "sim/Board.h"
#include "sim/models/Gpio.h"

#include <cstdio>

namespace Sim
{

I2cBus::I2cBus(Board& board, const char* name, int sclPort, int sclPin, int sdaPort, int sdaPin)
    : m_board(board), m_name(name), m_sclPort(sclPort), m_sclPin(sclPin), m_sdaPort(sdaPort), m_sdaPin(sdaPin),
      m_stretchEnd(name, &I2cBus::EndStretch, this)
{
    // Both lines have pull-up resistors on the board.
    board.gpio(sclPort).SetBoardPullUp(sclPin, true);
    board.gpio(sdaPort).SetBoardPullUp(sdaPin, true);
}

void I2cBus::PowerOnReset()
{
    m_board.clock().Cancel(m_stretchEnd);
    if (m_stretching)
        EndStretch(this);
    m_selected = nullptr;
    m_inTransaction = false;
}

void I2cBus::Attach(uint8_t address, I2cDevice& device) { m_slots.push_back(Slot{address, &device, false, 0}); }

I2cBus::Slot* I2cBus::Find(uint8_t address)
{
    for (Slot& slot : m_slots)
        if (slot.address == address)
            return &slot;
    return nullptr;
}

void I2cBus::Note(const char* format, unsigned value, bool ack)
{
    if (!m_logEnabled)
        return;
    char token[16];
    std::snprintf(token, sizeof token, format, value);
    m_log.push_back(std::string(token) + (ack ? "+" : "-"));
}

std::string I2cBus::TakeLog()
{
    std::string line;
    for (const std::string& token : m_log)
        line += (line.empty() ? "" : " ") + token;
    m_log.clear();
    return line;
}

void I2cBus::Start()
{
    if (m_logEnabled)
        m_log.push_back(m_inTransaction ? "Sr" : "S");
    m_inTransaction = true;
    m_selected = nullptr;
    for (Slot& slot : m_slots)
        slot.device->Start();
}

void I2cBus::Stop() { Release("P"); }

void I2cBus::Abandon() { Release("lost"); }

void I2cBus::Release(const char* token)
{
    if (m_logEnabled)
        m_log.push_back(token);
    m_inTransaction = false;
    m_selected = nullptr;
    for (Slot& slot : m_slots)
        slot.device->Stop();
}

bool I2cBus::Address(uint8_t byte)
{
    m_selected = nullptr;
    m_reading = (byte & 1) != 0;
    Slot* slot = Find(static_cast<uint8_t>(byte >> 1));
    bool ack = false;
    if (slot != nullptr && !slot->absent && slot->device->Select(m_reading))
    {
        ack = true;
        m_selected = slot;
    }
    Note("%02X", byte, ack);
    if (ack && slot->stretch != 0)
        Stretch(slot->stretch);
    return ack;
}

bool I2cBus::Write(uint8_t byte)
{
    bool ack = false;
    if (m_selected != nullptr && !m_reading)
        ack = m_selected->device->Receive(byte);
    Note("%02X", byte, ack);
    if (ack && m_selected->stretch != 0)
        Stretch(m_selected->stretch);
    return ack;
}

uint8_t I2cBus::Read()
{
    uint8_t byte = 0xFF; // SDA released: the pull-up reads ones
    if (m_selected != nullptr && m_reading)
        byte = m_selected->device->Transmit();
    if (m_board.gpio(m_sdaPort).HeldLowOutside(m_sdaPin))
        byte = 0;
    if (m_logEnabled)
    {
        char token[8];
        std::snprintf(token, sizeof token, "[%02X]", byte);
        m_log.push_back(token);
    }
    return byte;
}

void I2cBus::Acknowledge(bool ack)
{
    if (m_logEnabled && !m_log.empty())
        m_log.back() += ack ? "+" : "-";
    if (m_selected != nullptr && m_reading)
    {
        m_selected->device->Acknowledged(ack);
        if (ack && m_selected->stretch != 0)
            Stretch(m_selected->stretch);
        if (!ack)
            m_selected = nullptr;
    }
}

void I2cBus::SetAbsent(uint8_t address, bool absent)
{
    if (Slot* slot = Find(address))
        slot->absent = absent;
}

void I2cBus::HoldSdaLow(bool hold)
{
    Gpio& port = m_board.gpio(m_sdaPort);
    if (hold)
        port.Drive(m_sdaPin, false);
    else
        port.Release(m_sdaPin);
    if (m_onLineChange)
        m_onLineChange();
}

void I2cBus::SetClockStretch(uint8_t address, Tick duration)
{
    if (Slot* slot = Find(address))
        slot->stretch = duration;
}

void I2cBus::Stretch(Tick duration)
{
    m_stretching = true;
    m_board.gpio(m_sclPort).Drive(m_sclPin, false);
    m_board.clock().ScheduleIn(m_stretchEnd, duration);
    if (m_onLineChange)
        m_onLineChange();
}

void I2cBus::EndStretch(void* self)
{
    I2cBus& bus = *static_cast<I2cBus*>(self);
    bus.m_stretching = false;
    bus.m_board.gpio(bus.m_sclPort).Release(bus.m_sclPin);
    if (bus.m_onLineChange)
        bus.m_onLineChange();
}

} // namespace Sim
