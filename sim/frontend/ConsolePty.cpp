#include "sim/frontend/ConsolePty.h"

#include "sim/World.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace Sim
{

namespace
{
constexpr Tick pollPeriod = ticksPerMillisecond;
}

ConsolePty::ConsolePty(World& world) : m_world(world) {}

ConsolePty::~ConsolePty()
{
    if (m_master >= 0)
        close(m_master);
}

bool ConsolePty::Open(std::string& error)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
    {
        error = std::string("no pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    m_path = ptsname(m_master);
    // Raw bytes both ways until the terminal program sets its own mode: no echo, no line editing.
    termios mode{};
    if (tcgetattr(m_master, &mode) == 0)
    {
        cfmakeraw(&mode);
        tcsetattr(m_master, TCSANOW, &mode);
    }
    return true;
}

void ConsolePty::Start()
{
    UsbHost& host = m_world.Usb();
    host.SetOnReceived([this](const uint8_t* data, size_t size) {
        // A terminal that does not read loses what does not fit, as on a real port.
        while (size > 0)
        {
            const ssize_t written = write(m_master, data, size);
            if (written <= 0)
                return;
            data += written;
            size -= static_cast<size_t>(written);
        }
    });
    host.Plug(true);
    m_virtualStart = m_world.Now();
    m_hostStart = std::chrono::steady_clock::now();
    m_world.ScheduleIn(pollPeriod, [this] { Poll(); }, "console pty");
}

void ConsolePty::Poll()
{
    m_world.ScheduleIn(pollPeriod, [this] { Poll(); }, "console pty");
    // Real time: virtual time never runs ahead of the host's clock.
    const double virtualSeconds = static_cast<double>(m_world.Now() - m_virtualStart) / static_cast<double>(ticksPerSecond);
    const double hostSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_hostStart).count();
    if (virtualSeconds > hostSeconds)
        std::this_thread::sleep_for(std::chrono::duration<double>(virtualSeconds - hostSeconds));

    UsbHost& host = m_world.Usb();
    pollfd slave{m_master, POLLIN, 0};
    if (poll(&slave, 1, 0) < 0)
        return;
    // The master hangs up while no program holds the slave open.
    if ((slave.revents & POLLHUP) != 0)
    {
        host.ClosePort();
        return;
    }
    host.OpenPort();
    if ((slave.revents & POLLIN) == 0)
        return;
    char buffer[512];
    const ssize_t count = read(m_master, buffer, sizeof buffer);
    if (count > 0)
        host.Send(std::string(buffer, static_cast<size_t>(count)));
}

} // namespace Sim
