// The contents of the board's EEPROM as it leaves the factory. Bytes 32 to 59 hold the touch
// screen calibration (seven 4-byte little-endian floats: divisor, then A to F) that matches the
// virtual touch screen; everything else is erased (0xFF).
#include "sim/devices/Eeprom.h"
#include "sim/devices/TouchScreen.h"

#include <cstring>

namespace Sim
{

std::vector<uint8_t> FactoryEepromImage()
{
    std::vector<uint8_t> image(Eeprom::size, 0xFF);
    const TouchScreen::Calibration calibration = TouchScreen::DefaultCalibration();
    const float values[7] = {calibration.divisor, calibration.a, calibration.b, calibration.c,
                             calibration.d,       calibration.e, calibration.f};
    for (uint32_t n = 0; n < 7; ++n)
    {
        uint32_t bits;
        std::memcpy(&bits, &values[n], sizeof bits);
        for (uint32_t byte = 0; byte < 4; ++byte)
            image[32 + 4 * n + byte] = static_cast<uint8_t>(bits >> (8 * byte));
    }
    return image;
}

} // namespace Sim
