// Cortex-M4 instruction counts of the drawing stack, run on QEMU's mps2-an386 with -icount
// shift=0 (one instruction per virtual nanosecond), timed by SysTick on the 25 MHz core clock:
// one tick is 40 instructions. Prints one line per figure, "NAME: VALUE UNIT". Run through
// tools/benchmark-board.

#include "graphics/Constants.h"
#include "graphics/DefaultFont.h"
#include "graphics/Driver/LCD.h"
#include "graphics/ForegroundLayer.h"
#include "graphics/LCD.h"
#include "graphics/LinearGradientBrush.h"
#include "graphics/PImpl/Path.h"
#include "graphics/SolidBrush.h"
#include "graphics/VelmoraExtensions.h"

#include <cstdint>
#include <cstdio>
#include <string>

using namespace Velmora;

namespace
{
constexpr std::uint32_t instructionsPerTick = 40; // 1 GHz of instructions over the 25 MHz SysTick clock
volatile std::uint32_t* const sysTickControl = reinterpret_cast<volatile std::uint32_t*>(0xE000E010);
volatile std::uint32_t* const sysTickReload = reinterpret_cast<volatile std::uint32_t*>(0xE000E014);
volatile std::uint32_t* const sysTickCurrent = reinterpret_cast<volatile std::uint32_t*>(0xE000E018);
// 24 bits of ticks: about 670 million instructions, far more than any figure here takes.
constexpr std::uint32_t sysTickMask = 0xFFFFFF;

// Called just outside both ends of every measured stretch, so that tools/profile-board can split
// an instruction trace into the figures this program prints.
extern "C" __attribute__((noinline)) void BenchmarkStart()
{
    __asm__ volatile("" ::: "memory");
}

extern "C" __attribute__((noinline)) void BenchmarkEnd()
{
    __asm__ volatile("" ::: "memory");
}

template <typename Work> std::uint64_t Instructions(Work work)
{
    BenchmarkStart();
    // The counter counts down.
    const std::uint32_t start = *sysTickCurrent;
    work();
    const std::uint32_t end = *sysTickCurrent;
    BenchmarkEnd();
    return static_cast<std::uint64_t>((start - end) & sysTickMask) * instructionsPerTick;
}

void Report(const char* name, std::uint64_t instructions)
{
    // 32-bit integer conversions only: newlib-nano's printf has no 64-bit or floating-point ones.
    std::printf("%s: %lu instructions\n", name, static_cast<unsigned long>(instructions));
}

void ReportPerPixel(const char* name, std::uint64_t instructions, std::uint32_t pixels)
{
    const std::uint64_t tenths = (instructions * 10 + pixels / 2) / pixels;
    std::printf("%s: %lu.%lu instructions/pixel\n", name, static_cast<unsigned long>(tenths / 10),
                static_cast<unsigned long>(tenths % 10));
}

// The main page's clock: hours and minutes at 240 pixels on the page's clock layer.
class Clock
{
public:
    Clock() : m_layer(LCD::GetInstance().CreateForegroundLayer(PixelArea(PixelPoint(70, 0), 660, 325))) {}

    void Draw(int hours, int minutes)
    {
        MemoryStream& font = DefaultFont::GetInstance();
        char text[8];
        m_layer.Clear(PixelArea(PixelPoint(0, 50), m_layer.GetWidth(), static_cast<uint16_t>(m_layer.GetHeight() - 50)));
        std::snprintf(text, sizeof text, "%d", hours);
        FillText(m_layer, Area(Point(0, 50), 300, 275), text, font, 240, whiteBrush, HorizontalAlignment::Center,
                 VerticalAlignment::Center);
        std::snprintf(text, sizeof text, "%02d", minutes);
        FillText(m_layer, Area(Point(360, 50), 300, 275), text, font, 240, whiteBrush, HorizontalAlignment::Center,
                 VerticalAlignment::Center);
    }

private:
    ForegroundLayer& m_layer;
};
}

int main()
{
    *sysTickReload = sysTickMask;
    *sysTickCurrent = 0;
    *sysTickControl = 0x5; // processor clock, no interrupt, enabled

    // The timing itself, on a loop of a known 2,000,001 instructions (a move, then a subtract and a
    // branch a million times).
    Report("timer check (2000001 expected)", Instructions([] {
               __asm__ volatile("ldr r0, =1000000\n1:\n\tsubs r0, r0, #1\n\tbne 1b" ::: "r0", "cc");
           }));

    Driver::LCD& driver = Driver::LCD::GetInstance();
    LCD& lcd = LCD::GetInstance();
    lcd.EnableFlush(true);
    lcd.Clear();
    driver.Flush();

    const std::uint32_t pixels = std::uint32_t(Driver::LCD::width) * Driver::LCD::height;
    const Area screen(Point(0, 0), Driver::LCD::width, Driver::LCD::height);

    // Painting only (into the background layer, flushing off); the compositing comes with the clock.
    lcd.DisableFlush(true);
    ReportPerPixel("solid fill", Instructions([&] { lcd.FillRectangle(screen, SolidBrush(green)); }), pixels);
    ReportPerPixel("gradient fill", Instructions([&] {
                       lcd.FillRectangle(screen, LinearGradientBrush(GradientStop(Point(0, 0), veryDarkBlue),
                                                                     GradientStop(Point(0, 480), veryDarkLimeGreen)));
                   }),
                   pixels);
    ReportPerPixel("diagonal gradient fill", Instructions([&] {
                       lcd.FillRectangle(screen, LinearGradientBrush(GradientStop(Point(0, 0), veryDarkBlue),
                                                                     GradientStop(Point(800, 480), veryDarkLimeGreen)));
                   }),
                   pixels);
    lcd.EnableFlush(true);
    driver.Flush();

    // Each update follows the minute before, drawn and sent beforehand as on the main page.
    Clock clock;
    const int times[][2] = {{10, 8}, {12, 35}, {11, 11}};
    for (const auto& time : times)
    {
        lcd.DisableFlush(true);
        clock.Draw(time[0], time[1] - 1);
        lcd.EnableFlush(true);
        driver.Flush();

        // The update whole, and the compositing that closes it on its own.
        std::uint64_t compositing = 0;
        const std::uint64_t instructions = Instructions([&] {
            lcd.DisableFlush(true);
            clock.Draw(time[0], time[1]);
            compositing = Instructions([&] { lcd.EnableFlush(true); });
        });
        driver.Flush();
        // The outlines alone: both numbers' glyphs turned into one path each.
        char hours[8];
        char minutes[8];
        std::snprintf(hours, sizeof hours, "%d", time[0]);
        std::snprintf(minutes, sizeof minutes, "%02d", time[1]);
        const std::uint64_t outlines = Instructions([&] {
            const PImpl::Path first = PImpl::Path::Text(Point(0, 240), DefaultFont::GetInstance(), ToUTF32(hours), 240, 0);
            const PImpl::Path second =
                PImpl::Path::Text(Point(0, 240), DefaultFont::GetInstance(), ToUTF32(minutes), 240, 0);
        });

        char name[48];
        std::snprintf(name, sizeof name, "clock update %d:%02d", time[0], time[1]);
        Report(name, instructions);
        std::snprintf(name, sizeof name, "clock outlines %d:%02d", time[0], time[1]);
        Report(name, outlines);
        std::snprintf(name, sizeof name, "clock compositing %d:%02d", time[0], time[1]);
        Report(name, compositing);
    }
    std::printf("clock update goal: 2000000 instructions\n");
    return 0;
}
