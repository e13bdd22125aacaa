#pragma once

// Console capture: the text the firmware prints on its standard output and error streams, as it
// hands it to its console. Installing the capture replaces the host's stdout and stderr with
// streams that keep every byte for tests and front-ends and still echo it to the host's terminal.
// While the USB cable is plugged (World::Usb), the bytes also go on through the firmware's system
// call `_write` into the USB console, where the host model's terminal receives what the board
// really sends (nothing before a terminal opens the port).

#include <string>

namespace Sim
{

class Console
{
public:
    // Replaces stdout and stderr (unbuffered, as the firmware sets them at start-up). Safe to
    // call more than once.
    static void Install();

    // Everything printed since start or the last Clear(), in order, stdout and stderr together.
    static std::string Text();
    static void Clear();

    // The firmware's `_write` that plugged-cable output goes through: by default the one linked
    // into the program, if any; a firmware image names its own as it starts.
    static void SetSystemCall(int (*write)(int fd, const char* buffer, int count));

    // Turns the echo to the host's terminal on or off (on by default).
    static void SetEcho(bool echo);
};

} // namespace Sim
