// Prints the USB console's throughput from printf to the host model's terminal in bytes per
// virtual second, against two limits: one 64-byte packet per drain of the transmit ring (every
// 6 ms) and what the class could send at most (the ring's 2,047 bytes per drain), with the bytes
// the firmware dropped because the ring was full.
#include "usb/Driver/VCP.h"

#include "sim/Console.h"
#include "sim/World.h"
#include "system_stm32f4xx.h"

#include <cstdio>
#include <string>

extern "C" int _write(int fd, const char* buffer, int count);

namespace
{

double Seconds(Sim::Tick ticks)
{
    return static_cast<double>(ticks) / static_cast<double>(Sim::ticksPerSecond);
}

// Prints `line` every `period` for `duration`; returns the bytes offered and received.
void Run(const std::string& line, Sim::Tick period, Sim::Tick duration, double& offered, double& received)
{
    Sim::World& world = Sim::World::Get();
    Sim::UsbHost& host = world.Usb();
    host.ClearReceived();
    const uint64_t before = host.ReceivedBytes();
    const Sim::Tick start = world.Now();
    uint64_t printed = 0;
    while (world.Now() - start < duration)
    {
        std::printf("%s", line.c_str());
        printed += line.size();
        world.RunUntil(world.Now() + period);
    }
    // Let the ring drain.
    world.RunFor(Sim::World::Milliseconds(50));
    offered = static_cast<double>(printed) / Seconds(duration);
    received = static_cast<double>(host.ReceivedBytes() - before) / Seconds(world.Now() - start);
}

} // namespace

int main()
{
    Sim::Console::SetSystemCall(_write);
    SystemInit();
    VCPInit();
    Sim::World& world = Sim::World::Get();
    Sim::UsbHost& host = world.Usb();
    host.Plug(true);
    if (!world.RunUntil([&host] { return host.Configured(); }, Sim::World::Milliseconds(500)))
    {
        std::printf("the host did not configure the board\n");
        return 1;
    }
    host.OpenPort();
    world.RunFor(Sim::World::Milliseconds(20));
    Sim::Console::SetEcho(false);

    const std::string line = "console throughput line, 48 bytes of text 0123\r\n";
    double offeredSlow = 0, receivedSlow = 0, offeredFast = 0, receivedFast = 0;
    // Within the limit of one packet per drain (8 kB/s offered), then far above it (240 kB/s).
    Run(line, Sim::World::Milliseconds(6), Sim::World::Milliseconds(2000), offeredSlow, receivedSlow);
    Run(line, Sim::World::Microseconds(200), Sim::World::Milliseconds(2000), offeredFast, receivedFast);

    host.ClosePort();
    host.Plug(false);
    Sim::Console::SetEcho(true);
    const double packetLimit = 64.0 / 0.006;
    const double ringLimit = 2047.0 / 0.006;
    std::printf("usb-limit-one-packet-per-drain: %.0f B/s\n", packetLimit);
    std::printf("usb-limit-ring-per-drain: %.0f B/s\n", ringLimit);
    std::printf("usb-console-paced-offered: %.0f B/s\n", offeredSlow);
    std::printf("usb-console-paced-received: %.0f B/s\n", receivedSlow);
    std::printf("usb-console-flood-offered: %.0f B/s\n", offeredFast);
    std::printf("usb-console-flood-received: %.0f B/s\n", receivedFast);
    std::printf("usb-console-flood-vs-one-packet-per-drain: %.1f x\n", receivedFast / packetLimit);
    std::printf("usb-console-flood-dropped: %.1f %%\n", 100.0 * (1.0 - receivedFast / offeredFast));
    return 0;
}
