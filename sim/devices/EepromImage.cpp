// The contents of the board's EEPROM as it leaves the factory. Bytes 32 to 59 hold the touch
// screen calibration (seven 4-byte values); everything else is erased (0xFF).
#include "sim/devices/Eeprom.h"

namespace Sim
{

std::vector<uint8_t> FactoryEepromImage()
{
    std::vector<uint8_t> image(Eeprom::size, 0xFF);
    return image;
}

} // namespace Sim
