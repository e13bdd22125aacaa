// Draws the graphics tests' sample screen through the firmware's drawing stack into the
// framebuffer and prints its checksum. Built for the emulated Cortex-M4 (output over semihosting)
// and for the host; the two checksums must be equal.

#include "graphics/Driver/LCD.h"
#include "graphics/LCD.h"
#include "tests/graphics/SampleScreen.h"

#include <cstdint>
#include <cstdio>

namespace
{
// FNV-1a over the framebuffer's bytes, little-endian pixels on both builds.
std::uint32_t Checksum(const Velmora::Color565* pixels, std::size_t count)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(pixels);
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < count * sizeof(Velmora::Color565); ++i)
    {
        hash = (hash ^ bytes[i]) * 16777619u;
    }
    return hash;
}
}

int main()
{
    using namespace Velmora;
    Driver::LCD& driver = Driver::LCD::GetInstance();
    LCD& lcd = LCD::GetInstance();
    lcd.EnableFlush(true);
    lcd.Clear();
    driver.Flush();

    lcd.DisableFlush(true);
    const SampleScreen screen;
    lcd.EnableFlush(true);
    driver.Flush();

    std::printf("sample screen checksum: %08lx\n",
                static_cast<unsigned long>(Checksum(driver.GetFramebuffer(),
                                                    std::size_t(Driver::LCD::width) * Driver::LCD::height)));
    return 0;
}
