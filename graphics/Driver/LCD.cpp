#include "graphics/Driver/LCD.h"

#include "graphics/Driver/SSD1963.h"
#include "graphics/PImpl/Compositing.h"
#include "graphics/PImpl/Span.h"

#include <algorithm>
#include <cstring>

namespace Driver
{

namespace
{

constexpr size_t pixelCount = static_cast<size_t>(LCD::width) * LCD::height;

// SSD1963 commands used after configuration.
constexpr uint16_t commandDisplayOff = 0x28;
constexpr uint16_t commandDisplayOn = 0x29;
constexpr uint16_t commandSetColumnAddress = 0x2A;
constexpr uint16_t commandSetPageAddress = 0x2B;
constexpr uint16_t commandWriteMemoryStart = 0x2C;
constexpr uint16_t commandSetPwmConf = 0xBE;

// Frequency setting 3, PWM enabled by the controller (0x01); the last three bytes leave the
// brightness-control hardware off.
void SendPwmConfiguration(SSD1963& chip, uint8_t duty)
{
    chip.WriteCommand(commandSetPwmConf);
    chip.WriteData(0x03);
    chip.WriteData(duty);
    chip.WriteData(0x01);
    chip.WriteData(0x00);
    chip.WriteData(0x00);
    chip.WriteData(0x00);
}

// Sends one command sequence with the tearing interrupt masked. A flush cutting in would start
// its own commands in the middle of ours, and our remaining parameters would then land in frame
// memory as pixels after its memory-write command.
template <typename Sequence>
void SendUninterrupted(SSD1963& chip, Sequence sequence)
{
    const bool wasEnabled = chip.IsRefreshEnabled();
    chip.DisableRefresh(true);
    sequence();
    if (wasEnabled)
        chip.EnableRefresh(true);
}

} // namespace

LCD& LCD::GetInstance()
{
    static LCD instance;
    return instance;
}

LCD::LCD()
    // Allocated as bytes because Color565 has no default constructor; 0xFF bytes are white.
    : m_framebuffer(reinterpret_cast<Velmora::Color565*>(new uint8_t[pixelCount * sizeof(Velmora::Color565)])),
      m_changes(height), m_orientation(0)
{
    std::memset(static_cast<void*>(m_framebuffer), 0xFF, pixelCount * sizeof(Velmora::Color565));
    SSD1963::GetInstance();
    m_orientation = 0;
    Configure();
    SSD1963::GetInstance().SetOnVerticalRefresh([this]() { Flush(); });
}

LCD::~LCD()
{
    delete[] reinterpret_cast<uint8_t*>(m_framebuffer);
}

// Panel configuration for the 800 x 480 TFT, right after the chip's bring-up.
void LCD::Configure()
{
    SSD1963& chip = SSD1963::GetInstance();

    // Pixel clock: PLL 100 MHz x (0x0547AE + 1) / 2^20, about 33 MHz.
    chip.WriteCommand(0xE6);
    chip.WriteData(0x05);
    chip.WriteData(0x47);
    chip.WriteData(0xAE);

    // LCD mode: panel mode 0x10, TFT mode, last column, last row, RGB order 0.
    chip.WriteCommand(0xB0);
    chip.WriteData(0x10);
    chip.WriteData(0x00);
    chip.SendBytes(width - 1);
    chip.SendBytes(height - 1);
    chip.WriteData(0x00);

    // Pixel data interface: 16 bits, RGB565.
    chip.WriteCommand(0xF0);
    chip.WriteData(0x03);

    // Address mode: no flips, normal scan order.
    chip.WriteCommand(0x36);
    chip.WriteData(0x00);

    // Horizontal: total 816 clocks a line, sync start 8, sync width 8, line pulse start 0.
    chip.WriteCommand(0xB4);
    chip.SendBytes(816);
    chip.SendBytes(8);
    chip.WriteData(8);
    chip.SendBytes(0);
    chip.WriteData(0x00);

    // Vertical: total 484 lines a frame, sync start 2, sync width 2, frame pulse start 0.
    chip.WriteCommand(0xB6);
    chip.SendBytes(484);
    chip.SendBytes(2);
    chip.WriteData(2);
    chip.SendBytes(0);

    // Tearing-effect output on, vertical blanking only.
    chip.WriteCommand(0x35);
    chip.WriteData(0x00);

    // Controller GPIO configuration and value.
    chip.WriteCommand(0xB8);
    chip.WriteData(0x0F);
    chip.WriteData(0x01);
    chip.WriteCommand(0xBA);
    chip.WriteData(0x01);

    // The backlight stays dark until the application sets a brightness. The PWM configuration
    // always goes out twice in a row, here and in SetBacklightBrightness.
    SendPwmConfiguration(chip, 0);
    SendPwmConfiguration(chip, 0);

    chip.WriteCommand(commandDisplayOn);
}

Velmora::PixelArea LCD::GetArea() const
{
    return Velmora::PixelArea(Velmora::PixelPoint(0, 0), width, height);
}

void LCD::On(bool on)
{
    SSD1963& chip = SSD1963::GetInstance();
    SendUninterrupted(chip, [&chip, on] { chip.WriteCommand(on ? commandDisplayOn : commandDisplayOff); });
}

void LCD::SetBacklightBrightness(uint8_t level)
{
    SSD1963& chip = SSD1963::GetInstance();
    SendUninterrupted(chip, [&chip, level] {
        SendPwmConfiguration(chip, level);
        SendPwmConfiguration(chip, level);
    });
}

bool LCD::IsRefreshEnabled() const
{
    return SSD1963::GetInstance().IsRefreshEnabled();
}

void LCD::EnableRefresh(bool enable)
{
    SSD1963& chip = SSD1963::GetInstance();
    if (enable && !chip.IsRefreshEnabled() && m_changes.HasChanges())
    {
        // Only the rows in the record's range can hold spans: every registration widens it.
        const int16_t firstRow = std::max<int16_t>(m_changes.firstRow, 0);
        const int16_t lastRow = std::min<int16_t>(m_changes.lastRow, height - 1);
        for (int16_t row = firstRow; row <= lastRow; ++row)
        {
            for (const PImpl::Span& span : m_changes.rows[row].spans)
            {
                if (span.length == 0)
                    break;
                // An empty callback throws std::bad_function_call, the one failure reported here.
                m_onRenderScanline(Velmora::PixelPoint(span.start, row), span.length);
            }
        }
    }
    chip.EnableRefresh(enable);
}

void LCD::DisableRefresh(bool disable)
{
    SSD1963::GetInstance().DisableRefresh(disable);
}

void LCD::RegisterChange(const Velmora::PixelArea& area)
{
    // The area's intersection with the panel, in the same 16-bit arithmetic as
    // PixelArea::GetIntersection, without building the panel's area for every painted run.
    const int16_t left = std::max<int16_t>(area.GetLeft(), 0);
    const int16_t right = std::min<int16_t>(static_cast<int16_t>(area.GetLeft() + area.GetWidth() - 1), width - 1);
    const int16_t top = std::max<int16_t>(area.GetTop(), 0);
    const int16_t bottom = std::min<int16_t>(area.GetBottom(), height - 1);
    if (right < left || bottom < top)
        return;

    const PImpl::Span span(left, static_cast<uint16_t>(right - left + 1));
    for (int16_t row = top; row <= bottom; ++row)
        m_changes.rows[row].Merge(span);
    m_changes.firstRow = std::min(m_changes.firstRow, top);
    m_changes.lastRow = std::max(m_changes.lastRow, bottom);
}

void LCD::SetOnRenderScanline(RenderScanlineFunction onRenderScanline)
{
    m_onRenderScanline = std::move(onRenderScanline);
}

void LCD::Clear()
{
    std::memset(static_cast<void*>(m_framebuffer), 0, pixelCount * sizeof(Velmora::Color565));
}

void LCD::SetPixels(const Velmora::PixelPoint& at, const Velmora::Color565* pixels, uint16_t count)
{
    // The library's copy: on the host it moves wider words than portable code can, and a copy
    // of our own that wins on the Cortex-M4 would make the host's compositing slower.
    std::memcpy(static_cast<void*>(m_framebuffer + static_cast<size_t>(at.y) * width + at.x), pixels,
                count * sizeof(Velmora::Color565));
}

void LCD::SetPixels(const Velmora::PixelPoint& at, const Velmora::Color* pixels, uint16_t count)
{
    PImpl::CompositePixels(m_framebuffer + static_cast<size_t>(at.y) * width + at.x, pixels, count);
}

void LCD::SetPixels(const Velmora::PixelPoint& at, const Velmora::Color565* below, const Velmora::Color* pixels,
                    uint16_t count)
{
    PImpl::CompositePixelsOver(m_framebuffer + static_cast<size_t>(at.y) * width + at.x, below, pixels, count);
}

void LCD::SetPixels(const Velmora::PixelPoint& at, const Velmora::Color* pixels, uint16_t count,
                    const PImpl::InkRow& ink)
{
    PImpl::CompositePixels(m_framebuffer + static_cast<size_t>(at.y) * width + at.x, pixels, count, ink);
}

void LCD::SetPixels(const Velmora::PixelPoint& at, const Velmora::Color565* below, const Velmora::Color* pixels,
                    uint16_t count, const PImpl::InkRow& ink)
{
    PImpl::CompositePixelsOver(m_framebuffer + static_cast<size_t>(at.y) * width + at.x, below, pixels, count, ink);
}

void LCD::Flush()
{
    if (!m_changes.HasChanges())
        return;

    SSD1963& chip = SSD1963::GetInstance();
    const bool wasEnabled = chip.IsRefreshEnabled();
    chip.DisableRefresh(true);

    for (int16_t row = m_changes.firstRow; row <= m_changes.lastRow; ++row)
    {
        chip.WriteCommand(commandSetPageAddress);
        chip.SendBytes(static_cast<uint16_t>(row));
        chip.SendBytes(static_cast<uint16_t>(row));
        const Velmora::Color565* line = m_framebuffer + static_cast<size_t>(row) * width;
        for (const PImpl::Span& span : m_changes.rows[row].spans)
        {
            if (span.length == 0)
                break;
            chip.WriteCommand(commandSetColumnAddress);
            chip.SendBytes(static_cast<uint16_t>(span.start));
            chip.SendBytes(static_cast<uint16_t>(span.GetLast()));
            chip.WriteCommand(commandWriteMemoryStart);
            for (int16_t column = span.start; column <= span.GetLast(); ++column)
                chip.WriteData(line[column].value);
        }
    }

    m_changes.Clear();
    if (wasEnabled)
        chip.EnableRefresh(true);
}

Velmora::Point LCD::OrientPoint(const Velmora::PixelArea&, const Velmora::Point& point) const
{
    return point;
}

Velmora::PixelArea LCD::OrientArea(const Velmora::PixelArea&, const Velmora::PixelArea& area) const
{
    return area;
}

Velmora::PixelArea LCD::ReverseOrientArea(const Velmora::PixelArea&, const Velmora::PixelArea& area) const
{
    return area;
}

} // namespace Driver
