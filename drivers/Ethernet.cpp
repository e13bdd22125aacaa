#include "drivers/Ethernet.h"

namespace Velmora
{

Ethernet& Ethernet::GetInstance()
{
    static Ethernet instance;
    return instance;
}

Ethernet::~Ethernet() = default;

} // namespace Velmora
