// Running the firmware on the virtual board as the board's start code runs it, including the
// restart after a reset request.
#pragma once

namespace Sim
{

// Calls `entry` (the firmware's main) and returns its result, as the start code hands it to
// exit. The hardware hook has already run before the static constructors (see Host.cpp).
//
// A reset request (SCB AIRCR.SYSRESETREQ) unwinds the firmware back to here. The chip then
// restarts: the core and every on-chip peripheral return to their reset state while virtual time
// runs on and the devices on the board (panel, clock chip, EEPROM, card, external SRAM) keep their
// state; the hardware hook and `entry` run again. Host limitation: the firmware's static objects
// are not constructed a second time, so singletons keep what they held before the reset.
int RunFirmware(int (*entry)());

// How many times the firmware has been restarted by a reset request.
unsigned FirmwareRestarts();

} // namespace Sim
