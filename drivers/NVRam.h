#pragma once

namespace Velmora
{

// The board's non-volatile memory as a service. It offers nothing yet: the only stored data, the
// touch calibration, is read by the touch driver through Driver::EEPROM.
class NVRam
{
public:
    static NVRam& GetInstance();

    NVRam(const NVRam&) = delete;
    NVRam& operator=(const NVRam&) = delete;

private:
    NVRam() = default;
};

extern NVRam& nvram;

} // namespace Velmora
