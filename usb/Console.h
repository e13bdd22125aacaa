#pragma once

namespace Velmora
{

// Formatted text on the board's console (the USB virtual COM port).
class Console
{
public:
    static Console& GetInstance();

    // printf-style; a null format prints nothing. One call prints at most 511 characters: longer
    // text is cut there rather than overrunning the buffer.
    void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The same, followed by "\r\n".
    void PrintLine(const char* format, ...) __attribute__((format(printf, 2, 3)));

    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

private:
    Console() = default;
};

extern Console& console;

} // namespace Velmora
