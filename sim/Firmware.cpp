#include "sim/Firmware.h"

#include "sim/Board.h"
#include "sim/Core.h"

extern "C" void hardware_init_hook() __attribute__((weak));

namespace Sim
{

namespace
{
unsigned m_restarts = 0;
}

int RunFirmware(int (*entry)())
{
    for (;;)
    {
        try
        {
            return entry();
        }
        catch (const ResetRequest&)
        {
            ++m_restarts;
            Board& board = Board::Instance();
            board.SystemReset();
            board.Log("firmware restarted after a reset request");
            if (hardware_init_hook != nullptr)
                hardware_init_hook();
        }
    }
}

unsigned FirmwareRestarts()
{
    return m_restarts;
}

} // namespace Sim
