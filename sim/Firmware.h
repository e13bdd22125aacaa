// Running the firmware on the virtual board as the board's start code runs it, including the
// restart after a reset request.
#pragma once

#include <string>
#include <vector>

namespace Sim
{

// Calls `entry` (the firmware's main, linked into this program) and returns its result, as the
// start code hands it to exit. The hardware hook has already run before the static constructors
// (see Host.cpp).
//
// A reset request (SCB AIRCR.SYSRESETREQ) unwinds the firmware back to here. The chip then
// restarts: the core and every on-chip peripheral return to their reset state while virtual time
// runs on and the devices on the board (panel, clock chip, EEPROM, card, external SRAM) keep their
// state; the hardware hook and `entry` run again. Firmware linked into the program cannot be
// constructed a second time, so its static objects keep what they held before the reset; run a
// FirmwareImage for a restart with fresh statics.
int RunFirmware(int (*entry)());

// How many times the firmware has been restarted by a reset request (linked or image).
unsigned FirmwareRestarts();

// The firmware as a shared object of its own (see velmora_firmware_image in sim/CMakeLists.txt),
// so that a reset restarts it exactly as from power-on. Every load maps a fresh copy: its static
// data is initialised anew, its start code runs the hardware hook and then its static
// constructors, and its heap is the simulated internal and external SRAM, zero-filled again by
// the new copy. The board (devices, virtual time) stays as it is. Earlier copies stay mapped but
// are never called again (their static destructors never run, as on the board).
//
// The program that loads an image must export its symbols (velmora_loads_firmware_images in
// sim/CMakeLists.txt): the image reaches the board through them.
class FirmwareImage
{
public:
    explicit FirmwareImage(std::string path);

    // Maps a fresh copy: the firmware boots up to, not including, its entry.
    void Load();

    // Calls the image's `entry` (an unmangled `int ()` function; by default the application's
    // main), loading a copy first if none is loaded. A reset request loads a fresh copy after the
    // chip's reset and calls `entry` again. Returns the entry's result.
    int Run(const char* entry = "VelmoraFirmwareMain");

    // The address of an unmangled symbol in the current copy, or in copy `copy` (0 is the first
    // load); null when it is not there.
    void* Symbol(const char* name) const;
    void* Symbol(const char* name, size_t copy) const;
    template <class T>
    T* Get(const char* name) const
    {
        return static_cast<T*>(Symbol(name));
    }

    size_t Copies() const { return m_copies.size(); }

    FirmwareImage(const FirmwareImage&) = delete;
    FirmwareImage& operator=(const FirmwareImage&) = delete;

private:
    std::string m_path;
    std::vector<void*> m_copies;
};

} // namespace Sim
