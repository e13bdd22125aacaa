#include "drivers/NVRam.h"

namespace Velmora
{

NVRam& NVRam::GetInstance()
{
    static NVRam instance;
    return instance;
}

} // namespace Velmora
