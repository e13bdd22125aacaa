#include "sim/Console.h"

#include "sim/Board.h"
#include "sim/devices/UsbHost.h"

#include <cstdio>
#include <unistd.h>

// The firmware's system call under its standard streams (the USB console), when it is linked.
extern "C" int _write(int fd, const char* buffer, int count) __attribute__((weak));

namespace Sim
{

namespace
{

bool m_forwarding = false;
int (*m_systemCall)(int, const char*, int) = _write;

// While the USB cable is plugged, what the firmware prints also takes the board's own way out:
// its system call, the USB console and the host's terminal. Unplugged, the firmware would only
// drop it, so the bus is spared the reads.
void Forward(int descriptor, const char* data, size_t size)
{
    if (m_systemCall == nullptr || m_forwarding || !Board::Instance().usbHost().Plugged())
        return;
    m_forwarding = true;
    m_systemCall(descriptor, data, static_cast<int>(size));
    m_forwarding = false;
}

std::string& Captured()
{
    static std::string* text = new std::string(); // outlives every static destructor that prints
    return *text;
}

bool m_echo = true;
bool m_installed = false;

struct Sink
{
    int descriptor;
};

ssize_t WriteCaptured(void* cookie, const char* data, size_t size)
{
    Captured().append(data, size);
    const int descriptor = static_cast<Sink*>(cookie)->descriptor;
    Forward(descriptor, data, size);
    if (m_echo)
    {
        size_t written = 0;
        while (written < size)
        {
            const ssize_t result = ::write(descriptor, data + written, size - written);
            if (result <= 0)
                break;
            written += static_cast<size_t>(result);
        }
    }
    return static_cast<ssize_t>(size);
}

FILE* OpenCapture(int descriptor)
{
    static Sink sinks[3] = {{0}, {1}, {2}};
    cookie_io_functions_t functions{};
    functions.write = WriteCaptured;
    FILE* stream = fopencookie(&sinks[descriptor], "w", functions);
    if (stream != nullptr)
        setvbuf(stream, nullptr, _IONBF, 0);
    return stream;
}

} // namespace

void Console::Install()
{
    if (m_installed)
        return;
    m_installed = true;
    std::fflush(stdout);
    std::fflush(stderr);
    if (FILE* out = OpenCapture(1))
        stdout = out;
    if (FILE* error = OpenCapture(2))
        stderr = error;
}

std::string Console::Text()
{
    return Captured();
}

void Console::Clear()
{
    Captured().clear();
}

void Console::SetSystemCall(int (*write)(int fd, const char* buffer, int count))
{
    m_systemCall = write;
}

void Console::SetEcho(bool echo)
{
    m_echo = echo;
}

} // namespace Sim
