// Cost of the drawing pipeline on the host: instructions per painted pixel for a solid fill, a
// gradient fill and text at 20 and 240 pixels, and the cost of building the outline of a
// 10-character string. Under callgrind (tools/benchmark-graphics) every measured step is dumped as its
// own profile; run alone, the program prints wall-clock times.

#include "graphics/DefaultFont.h"
#include "graphics/Driver/LCD.h"
#include "graphics/LCD.h"
#include "graphics/LinearGradientBrush.h"
#include "graphics/PImpl/Path.h"
#include "graphics/SolidBrush.h"
#include "graphics/VelmoraExtensions.h"

#include "tests/graphics/PanelBench.h"

#ifdef VELMORA_HAVE_CALLGRIND
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS_AT(label)
#endif

#include <chrono>
#include <cstdio>
#include <functional>

using namespace Velmora;

namespace
{

// Pixels the last drawing call registered as changed (its painted runs).
unsigned long PaintedPixels()
{
    unsigned long count = 0;
    const PImpl::Changes& changes = Driver::LCD::GetInstance().GetChanges();
    if (!changes.HasChanges())
    {
        return 0;
    }
    for (int row = changes.firstRow; row <= changes.lastRow; ++row)
    {
        for (const PImpl::Span& span : changes.rows[row].spans)
        {
            if (span.length == 0)
            {
                break;
            }
            count += span.length;
        }
    }
    return count;
}

// Runs one drawing step with flushing off (so only the drawing itself is counted), reports its
// painted pixels and wall-clock time, then sends the picture and clears the record.
void Measure(const char* label, const std::function<void()>& step)
{
    LCD& lcd = LCD::GetInstance();
    lcd.DisableFlush(true);
    const auto start = std::chrono::steady_clock::now();
    CALLGRIND_ZERO_STATS;
    step();
    CALLGRIND_DUMP_STATS_AT(label);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%s pixels=%lu microseconds=%.1f\n", label, PaintedPixels(),
                std::chrono::duration<double, std::micro>(elapsed).count());
    lcd.EnableFlush(true);
    PanelBench::WaitForFlush();
    lcd.Clear();
    PanelBench::WaitForFlush();
}

} // namespace

int main()
{
    LCD& lcd = LCD::GetInstance();
    lcd.EnableFlush(true);
    lcd.Clear();
    PanelBench::WaitForFlush();
    MemoryStream& font = DefaultFont::GetInstance();

    // Warm-up: FreeType's library, the compositor and the scanline arrays exist before measuring.
    lcd.FillText(Point(0, 100), font, "warm", 20, SolidBrush(Color(255, 255, 255, 255)));
    PanelBench::WaitForFlush();

    const SolidBrush solid(Color(200, 100, 50, 255));
    const LinearGradientBrush gradient(GradientStop(Point(0, 0), Color(255, 0, 0, 255)),
                                       GradientStop(Point(400, 300), Color(0, 0, 255, 255)));
    Measure("solid_fill", [&] { lcd.FillRectangle(Area(Point(0, 0), 400, 300), solid); });
    Measure("gradient_fill", [&] { lcd.FillRectangle(Area(Point(0, 0), 400, 300), gradient); });
    Measure("text_20", [&] { lcd.FillText(Point(10, 100), font, "Velmora 20", 20, solid); });
    Measure("text_240", [&] { lcd.FillText(Point(0, 300), font, "Ag", 240, solid); });

    const std::u32string text = ToUTF32("0123456789");
    CALLGRIND_ZERO_STATS;
    const PImpl::Path outline = PImpl::Path::Text(Point(10, 100), font, text, 20, 0);
    CALLGRIND_DUMP_STATS_AT("outline_10_characters");
    constexpr int repeats = 200;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; ++i)
    {
        PImpl::Path::Text(Point(10, 100), font, text, 20, 0);
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    std::printf("outline_10_characters vertices=%u microseconds=%.1f\n", outline.GetVertexCount(),
                std::chrono::duration<double, std::micro>(elapsed).count() / repeats);
    return 0;
}
