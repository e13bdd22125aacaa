// The host vector table: the handlers the firmware's vector table holds, by exception number.
#pragma once

namespace Sim
{

using Handler = void (*)();

// The handler the firmware links for `exception` (null when it is not linked or not in the table).
Handler HostVector(int exception);
// The vendor name of the exception's vector ("TIM2_IRQHandler" style), or "exception" if unknown.
const char* HostVectorName(int exception);

} // namespace Sim
