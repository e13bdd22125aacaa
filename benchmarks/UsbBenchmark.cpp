// Prints the USB console's throughput from printf to the host model's terminal in bytes per
// virtual second, against two limits: one 64-byte packet per drain of the transmit ring (every
// 6 ms) and what the class could send at most (the ring's 2,047 bytes per drain), with the share
// of the printed bytes the firmware dropped because the ring was full. Printing itself takes
// virtual time: each byte reads the bus-power sense pin.
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

struct Result
{
    double offered;  // bytes per virtual second printed
    double received; // bytes per virtual second that reached the terminal
    double dropped;  // share of the printed bytes that never arrived
};

// Prints `line` every `period` for `duration`.
Result Run(const std::string& line, Sim::Tick period, Sim::Tick duration)
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
        if (period != 0)
            world.RunUntil(world.Now() + period);
    }
    const double seconds = Seconds(world.Now() - start);
    const uint64_t arrivedInTime = host.ReceivedBytes() - before;
    // Then let the ring drain: what still arrives was not dropped.
    world.RunFor(Sim::World::Milliseconds(50));
    const uint64_t arrived = host.ReceivedBytes() - before;
    return {static_cast<double>(printed) / seconds, static_cast<double>(arrivedInTime) / seconds,
            1.0 - static_cast<double>(arrived) / static_cast<double>(printed)};
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
    // Within one packet per drain, then as fast as printf goes, then in bursts of 4 kB per 20 ms
    // (more than the ring holds between two drains).
    const Result paced = Run(line, Sim::World::Milliseconds(6), Sim::World::Milliseconds(2000));
    const Result flood = Run(line, 0, Sim::World::Milliseconds(2000));
    std::string burst;
    while (burst.size() < 4096)
        burst += line;
    const Result bursts = Run(burst, Sim::World::Milliseconds(20), Sim::World::Milliseconds(2000));

    host.ClosePort();
    host.Plug(false);
    Sim::Console::SetEcho(true);
    const double packetLimit = 64.0 / 0.006;
    const double ringLimit = 2047.0 / 0.006;
    std::printf("usb-limit-one-packet-per-drain: %.0f B/s\n", packetLimit);
    std::printf("usb-limit-ring-per-drain: %.0f B/s\n", ringLimit);
    const struct
    {
        const char* name;
        const Result& result;
    } runs[] = {{"paced", paced}, {"flood", flood}, {"bursts", bursts}};
    for (const auto& run : runs)
    {
        std::printf("usb-console-%s-offered: %.0f B/s\n", run.name, run.result.offered);
        std::printf("usb-console-%s-received: %.0f B/s\n", run.name, run.result.received);
        std::printf("usb-console-%s-dropped: %.1f %%\n", run.name, 100.0 * run.result.dropped);
    }
    std::printf("usb-console-flood-vs-one-packet-per-drain: %.1f x\n", flood.received / packetLimit);
    return 0;
}
