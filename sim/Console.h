#pragma once

// Console capture: until the USB console exists, the text the firmware prints on its standard
// output and error streams is what the board's console would carry. Installing the capture
// replaces the host's stdout and stderr with streams that keep every byte for tests and
// front-ends and still echo it to the host's terminal.

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

    // Turns the echo to the host's terminal on or off (on by default).
    static void SetEcho(bool echo);
};

} // namespace Sim
