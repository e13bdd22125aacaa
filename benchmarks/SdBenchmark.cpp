// Prints the SD card's sequential throughput through disk_read and disk_write in kB per virtual
// second, against the limit of the data bus at the configured clock and width: the card on the
// virtual board with its default timing (100 us read access, 250 us programming per block).
#include "storage/Disk.h"
#include "storage/Driver/SDCard.h"

#include "sim/World.h"
#include "sim/models/Sdio.h"
#include "system_stm32f4xx.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{

constexpr unsigned blocks = 256; // 128 kB each way
alignas(4) BYTE m_buffer[blocks * 512];

double VirtualSeconds(Sim::Tick ticks)
{
    return static_cast<double>(ticks) / static_cast<double>(Sim::ticksPerSecond);
}

} // namespace

int main()
{
    char folder[] = "/tmp/velmora-sd-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr)
        return 1;
    const std::string image = std::string(folder) + "/card.img";
    if (std::system(("truncate -s 64M " + image).c_str()) != 0)
        return 1;

    SystemInit();
    Sim::World& world = Sim::World::Get();
    world.InsertCard(image);
    Driver::SDCard& card = Driver::SDCard::GetInstance();
    if (card.GetPowerState() != 3)
    {
        std::printf("card did not come up\n");
        return 1;
    }

    const Sim::Tick readStart = world.Now();
    disk_read(0, m_buffer, 0, blocks);
    const double readSeconds = VirtualSeconds(world.Now() - readStart);

    const Sim::Tick writeStart = world.Now();
    disk_write(0, m_buffer, 1000, blocks);
    const double writeSeconds = VirtualSeconds(world.Now() - writeStart);

    const double kilobytes = blocks * 512 / 1000.0;
    const uint32_t clock = world.board().sdio().BusClockHz();
    const unsigned width = world.board().sdio().BusWidth();
    // The bus alone: data bits over the lines, with each block's start bit, CRC16 and end bit.
    const double busLimit = clock * width / 8.0 * 512.0 / (512.0 + 18.0 * width / 8.0) / 1000.0;
    std::printf("SD bus: %.1f MHz, %u data lines: limit %.0f kB/s\n", clock / 1e6, width, busLimit);
    std::printf("sequential read through disk_read: %.0f kB/s (%.1f %% of the bus limit)\n", kilobytes / readSeconds,
                100.0 * kilobytes / readSeconds / busLimit);
    std::printf("sequential write through disk_write: %.0f kB/s (%.1f %% of the bus limit)\n",
                kilobytes / writeSeconds, 100.0 * kilobytes / writeSeconds / busLimit);
    std::printf("per block: read %.1f us, write %.1f us (virtual)\n", readSeconds / blocks * 1e6,
                writeSeconds / blocks * 1e6);
    std::system((std::string("rm -rf ") + folder).c_str());
    return 0;
}
