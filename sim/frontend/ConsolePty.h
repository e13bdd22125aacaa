// The USB console on a pseudo-terminal: a terminal program (picocom, screen, Python's serial
// module) opened on the pty's slave side is the host's terminal on the virtual COM port. Opening
// the slave raises DTR, closing it drops DTR; what the board sends appears there, what is typed
// there goes to the board in bulk OUT packets. While the bridge runs, virtual time is paced to the
// host's clock, so a person or a program on the terminal meets the firmware in real time.
#pragma once

#include "sim/Clock.h"

#include <chrono>
#include <string>

namespace Sim
{

class World;

class ConsolePty
{
public:
    explicit ConsolePty(World& world);
    ~ConsolePty();
    ConsolePty(const ConsolePty&) = delete;
    ConsolePty& operator=(const ConsolePty&) = delete;

    // Creates the pty; false with `error` when the host has none to give.
    bool Open(std::string& error);
    // The slave's path, for the terminal program.
    const std::string& Path() const { return m_path; }
    // Plugs the USB cable and starts moving bytes.
    void Start();

private:
    void Poll();

    World& m_world;
    int m_master = -1;
    std::string m_path;
    Tick m_virtualStart = 0;
    std::chrono::steady_clock::time_point m_hostStart;
};

} // namespace Sim
