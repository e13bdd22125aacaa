// Display pipeline figures on the virtual board (a report, not a test):
//   flush   virtual time of a full-screen flush against the bus minimum of 384,000 pixel stores
//           at the configured FSMC timing;
//   render  composites every panel row with 0, 1 and 3 covering layers; under callgrind
//           (tools/benchmark-display) each case is dumped as its own profile and turned into
//           host instructions per composited pixel.
#include "graphics/Driver/LCD.h"
#include "graphics/Driver/SSD1963.h"
#include "graphics/PImpl/LCD.h"

#include "sim/Board.h"
#include "sim/devices/SSD1963.h"
#include "sim/models/Fsmc.h"

#include "stm32f4xx.h"
#include "system_stm32f4xx.h"

#ifdef VELMORA_HAVE_CALLGRIND
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS_AT(label)
#endif

#include <cstdio>
#include <cstring>
#include <string>

namespace
{

double Milliseconds(Sim::Tick ticks)
{
    return static_cast<double>(ticks) / static_cast<double>(Sim::ticksPerMillisecond);
}

// The full-screen flush as the firmware runs it: from the tearing interrupt at a frame start.
int Flush()
{
    Driver::LCD& lcd = Driver::LCD::GetInstance();
    PImpl::LCD::GetInstance();
    Sim::Board& board = Sim::Board::Instance();
    Sim::SSD1963& panel = board.ssd1963();

    Sim::Tick start = 0, end = 0;
    Driver::SSD1963::GetInstance().SetOnVerticalRefresh([&]() {
        if (!lcd.HasChanges())
            return; // the frames after it
        start = board.clock().Now();
        lcd.Flush();
        end = board.clock().Now();
    });
    const uint64_t tornBefore = panel.GetTearingCount();
    lcd.DisableRefresh(true);
    lcd.RegisterChange(lcd.GetArea());
    lcd.EnableRefresh(true);
    while (lcd.HasChanges())
        __NOP();
    // Let the scan pass the whole frame before the tearing count is read.
    const Sim::Tick settle = board.clock().Now() + 2 * panel.GetFramePeriod();
    while (board.clock().Now() < settle)
        __NOP();

    const double duration = Milliseconds(end - start);
    const unsigned cycles = board.fsmc().AccessCycles(2, true);
    const double hclk = board.HclkHz();
    const double minimum = 384000.0 * cycles / hclk * 1000.0;
    std::printf("full-screen flush:  %.3f ms virtual time (from the tearing interrupt)\n", duration);
    std::printf("bus minimum:        %.3f ms (384000 stores x %u FSMC cycles at %.0f MHz HCLK)\n", minimum, cycles,
                hclk / 1e6);
    std::printf("ratio:              %.2f (AHB access cycles, commands and addresses on top of the stores)\n",
                duration / minimum);
    std::printf("frame period:       %.3f ms; the flush takes %.0f %% of a frame\n", Milliseconds(panel.GetFramePeriod()),
                duration / Milliseconds(panel.GetFramePeriod()) * 100.0);
    std::printf("torn frames:        %llu\n", static_cast<unsigned long long>(panel.GetTearingCount() - tornBefore));
    std::printf("protocol errors:    %zu\n", panel.GetProtocolErrors().size());
    return 0;
}

constexpr int renderPasses = 2;

// Composites the whole panel `renderPasses` times with the layers that exist; the profile of
// exactly that is dumped under `label`.
void RenderPasses(const char* label, int layers)
{
    PImpl::LCD& compositor = PImpl::LCD::GetInstance();
    CALLGRIND_ZERO_STATS;
    for (int pass = 0; pass < renderPasses; ++pass)
        for (int16_t row = 0; row < 480; ++row)
            compositor.RenderScanline(Velmora::PixelPoint(0, row), 800);
    CALLGRIND_DUMP_STATS_AT(label);
    std::printf("%s layers=%d pixels=%d\n", label, layers, renderPasses * 384000);
}

int Render()
{
    Driver::LCD& lcd = Driver::LCD::GetInstance();
    PImpl::LCD& compositor = PImpl::LCD::GetInstance();
    lcd.DisableRefresh(true);
    RenderPasses("render_0_layers", 0);
    for (int i = 0; i < 3; ++i)
    {
        PImpl::ForegroundLayer* layer = compositor.CreateForegroundLayer(lcd.GetArea());
        // Partly transparent everywhere, so every pixel takes the blending path. Written directly,
        // so marked in the layer's ink map as every writer marks what it writes.
        for (int y = 0; y < 480; ++y)
        {
            for (int x = 0; x < 800; ++x)
                *layer->GetPImpl().GetPixel(x, y) = Velmora::Color(static_cast<uint8_t>(x), static_cast<uint8_t>(y), 0, 128);
            layer->GetPImpl().GetPixelFormat().MarkInk(0, y, 800);
        }
        if (i == 0)
            RenderPasses("render_1_layer", 1);
    }
    RenderPasses("render_3_layers", 3);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // The firmware's clock tree (168 MHz), as start-up sets it before anything else.
    SystemInit();
    if (argc >= 2 && std::strcmp(argv[1], "flush") == 0)
        return Flush();
    if (argc >= 2 && std::strcmp(argv[1], "render") == 0)
        return Render();
    std::fprintf(stderr, "usage: %s flush | render\n", argv[0]);
    return 2;
}
