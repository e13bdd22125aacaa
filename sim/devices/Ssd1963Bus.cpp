#include "sim/devices/Ssd1963Bus.h"

#include "sim/Board.h"
#include "sim/models/Rcc.h"

namespace Sim
{

namespace
{

constexpr int portA = 0, portB = 1, portF = 5, portG = 6;
constexpr int resetPin = 5;    // PB5
constexpr int tearingPin = 7;  // PG7
constexpr int mcoPin = 8;      // PA8
constexpr uint32_t dataSelect = 0x10;

} // namespace

Ssd1963Bus::Ssd1963Bus(Board& board, Fsmc& fsmc)
    : FsmcWindow(board, fsmc, "SSD1963", 2, 0, 0x100),
      m_chip(SSD1963::Environment{&board.clock(), [&board](bool level) { board.gpio(portG).Drive(tearingPin, level); }})
{
    RequireAddressPin(portF, 3);
    // An asynchronous SRAM-like device: driven as SRAM or NOR, never as PSRAM.
    AcceptMemoryTypes((1u << 0) | (1u << 2));
    board.gpio(portB).AddListener(*this);
}

void Ssd1963Bus::Reset()
{
    FsmcWindow::Reset();
    m_chip.PowerOn(board().gpio(portB).Level(resetPin));
    board().gpio(portG).Drive(tearingPin, false);
}

void Ssd1963Bus::PinChanged(int port, int pin, bool level)
{
    if (port == portB && pin == resetPin)
    {
        m_chip.SetReferenceClock(ReferenceClock());
        m_chip.SetReset(level);
    }
}

uint32_t Ssd1963Bus::ReferenceClock()
{
    Gpio& gpioA = board().gpio(portA);
    if (gpioA.Mode(mcoPin) != 2 || gpioA.AlternateFunction(mcoPin) != 0)
        return 0;
    return board().rcc().Mco1Hz();
}

void Ssd1963Bus::DeviceWrite(uint32_t offset, uint16_t value, Tick strobe)
{
    m_chip.SetReferenceClock(ReferenceClock());
    if (offset & dataSelect)
        m_chip.WriteData(value, strobe);
    else
        m_chip.WriteCommand(value, strobe);
}

uint16_t Ssd1963Bus::DeviceRead(uint32_t offset, Tick strobe)
{
    m_chip.SetReferenceClock(ReferenceClock());
    if (offset & dataSelect)
        return m_chip.ReadData(strobe);
    // A read with D/C low returns nothing useful on this chip.
    m_chip.ReadData(strobe);
    return 0;
}

} // namespace Sim
