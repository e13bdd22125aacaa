#include "drivers/Buzzer.h"

#include "drivers/Driver/Buzzer.h"

namespace Velmora
{

Buzzer& Buzzer::GetInstance()
{
    static Buzzer instance;
    return instance;
}

void Buzzer::On(bool on)
{
    Driver::Buzzer::GetInstance().On(on);
}

void Buzzer::Off(bool off)
{
    Driver::Buzzer::GetInstance().On(!off);
}

} // namespace Velmora
