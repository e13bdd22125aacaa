#include "sim/devices/I2cBoard.h"

#include "sim/Board.h"

namespace Sim
{

I2cBoard::I2cBoard(Board& board)
    : m_bus1(board, "I2C bus 1", 1, 8, 1, 9), m_bus2(board, "I2C bus 2", 1, 10, 1, 11), m_clock(board),
      m_eeprom(board)
{
    m_bus1.Attach(0x68, m_clock);
    m_bus1.Attach(0x50, m_eeprom);
    for (int address = 0; address < expanderCount; ++address)
    {
        m_expanders[address].reset(new PCA9535(address));
        m_bus2.Attach(m_expanders[address]->BusAddress(), *m_expanders[address]);
    }
}

void I2cBoard::PowerOnReset()
{
    m_clock.Rebase();
    m_bus1.PowerOnReset();
    m_bus2.PowerOnReset();
    for (auto& expander : m_expanders)
        expander->PowerOn();
}

} // namespace Sim
