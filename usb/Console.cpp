#include "usb/Console.h"

#include <cstdarg>
#include <cstdio>

namespace
{

constexpr unsigned bufferSize = 512;
const char* const lineEnd = "\r\n";

// The console's bytes leave through standard output, which the system calls hand to the USB port
// unbuffered.
void Write(const char* text, unsigned length)
{
    std::fwrite(text, 1, length, stdout);
}

void PrintFormatted(const char* format, va_list arguments)
{
    char buffer[bufferSize];
    const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    if (length <= 0)
        return;
    Write(buffer, static_cast<unsigned>(length) < bufferSize ? static_cast<unsigned>(length) : bufferSize - 1);
}

} // namespace

namespace Velmora
{

Console& Console::GetInstance()
{
    static Console instance;
    return instance;
}

void Console::Print(const char* format, ...)
{
    if (format == nullptr)
        return;
    va_list arguments;
    va_start(arguments, format);
    PrintFormatted(format, arguments);
    va_end(arguments);
}

void Console::PrintLine(const char* format, ...)
{
    if (format == nullptr)
        return;
    va_list arguments;
    va_start(arguments, format);
    PrintFormatted(format, arguments);
    va_end(arguments);
    Write(lineEnd, 2);
}

} // namespace Velmora
