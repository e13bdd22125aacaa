#include "sim/devices/SSD1963.h"

#include <algorithm>
#include <cstdio>

namespace Sim
{

namespace
{

constexpr Tick microsecond = ticksPerMicrosecond;
constexpr Tick millisecond = ticksPerMillisecond;

// The data sheet asks for a 100 us wait after enabling the PLL before it may drive the chip, and
// for 5 ms after a software reset before the next command. The same busy time is assumed after
// the reset pin is released.
constexpr Tick pllLockTime = 100 * microsecond;
constexpr Tick resetBusyTime = 5 * millisecond;
constexpr Tick minimumResetPulse = 10 * microsecond;
constexpr size_t commandLogLimit = 200000;

constexpr unsigned pixelsPerFrame = SSD1963::frameWidth * SSD1963::frameHeight;
constexpr unsigned unlimited = ~0u;

unsigned ParameterCount(uint8_t code)
{
    switch (code)
    {
    case 0x00: // nop
    case 0x01: // soft_reset
    case 0x28: // set_display_off
    case 0x29: // set_display_on
    case 0x34: // set_tear_off
        return 0;
    case 0x35: // set_tear_on
    case 0x36: // set_address_mode
    case 0xBA: // set_gpio_value
    case 0xE0: // set_pll
    case 0xF0: // set_pixel_data_interface
        return 1;
    case 0xB8: // set_gpio_conf
        return 2;
    case 0xE2: // set_pll_mn
    case 0xE6: // set_lshift_freq
        return 3;
    case 0x2A: // set_column_address
    case 0x2B: // set_page_address
        return 4;
    case 0xBE: // set_pwm_conf
        return 6;
    case 0xB0: // set_lcd_mode
    case 0xB6: // set_vert_period
        return 7;
    case 0xB4: // set_hori_period
        return 8;
    case 0x2C: // write_memory_start
    case 0x3C: // write_memory_continue
        return unlimited;
    default:
        return unlimited - 1; // not modelled
    }
}

std::string Hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

uint8_t Expand5(unsigned v)
{
    return static_cast<uint8_t>((v << 3) | (v >> 2));
}

uint8_t Expand6(unsigned v)
{
    return static_cast<uint8_t>((v << 2) | (v >> 4));
}

} // namespace

SSD1963::SSD1963(Environment environment)
    : m_env(std::move(environment)), m_memory(pixelsPerFrame, 0), m_panel(pixelsPerFrame, 0),
      m_blankingEvent("SSD1963 vertical blanking", &SSD1963::OnBlanking, this),
      m_frameEvent("SSD1963 frame start", &SSD1963::OnFrame, this)
{
    PowerOn(true);
}

void SSD1963::PowerOn(bool resetLevel)
{
    m_errors.clear();
    m_log.clear();
    m_logFull = false;
    std::fill(m_memory.begin(), m_memory.end(), 0);
    std::fill(m_panel.begin(), m_panel.end(), 0);
    m_tornFrames = 0;
    m_resetLevel = resetLevel;
    m_resetAssertedAt = Now();
    m_busyUntil = 0;
    HardwareReset();
    // The chip's state is undefined until the first reset pulse has ended.
    m_everReset = false;
}

SSD1963::~SSD1963()
{
    m_env.clock->Cancel(m_blankingEvent);
    m_env.clock->Cancel(m_frameEvent);
}

void SSD1963::Error(const std::string& text)
{
    m_errors.push_back(text);
}

bool SSD1963::Accepts(const char* what, Tick cycleTime)
{
    const uint64_t now = Now();
    if (!m_everReset)
    {
        Error(std::string(what) + " before the first reset pulse");
        return false;
    }
    if (!m_resetLevel)
    {
        Error(std::string(what) + " while reset is held low");
        return false;
    }
    if (m_referenceClock == 0)
    {
        Error(std::string(what) + " without a reference clock");
        return false;
    }
    if (now < m_busyUntil)
    {
        Error(std::string(what) + " while the chip is busy after a reset");
        return false;
    }
    // The strobe is latched by the chip's system clock; it has to span at least one clock edge.
    const Tick halfPeriod = ticksPerSecond / GetSystemClock() / 2;
    if (cycleTime < halfPeriod)
    {
        Error(std::string(what) + " faster than the chip's system clock can latch (" + std::to_string(cycleTime) +
              " tick strobe, system clock " + std::to_string(GetSystemClock()) + " Hz)");
    }
    return true;
}

void SSD1963::WriteCommand(uint16_t value, Tick cycleTime)
{
    if (!Accepts("command", cycleTime))
        return;
    if (m_inCommand && !m_writingMemory && m_params.size() < m_expected)
    {
        Error("command " + Hex(m_command) + " got " + std::to_string(m_params.size()) + " of " +
              std::to_string(m_expected) + " parameters");
    }
    StartCommand(static_cast<uint8_t>(value & 0xFF));
}

void SSD1963::WriteData(uint16_t value, Tick cycleTime)
{
    if (!Accepts("data", cycleTime))
        return;
    if (m_writingMemory)
    {
        WritePixel(value);
        return;
    }
    if (!m_inCommand || m_params.size() >= m_expected)
    {
        Error("data " + Hex(value) + " without a command expecting it");
        return;
    }
    Parameter(static_cast<uint8_t>(value & 0xFF));
}

uint16_t SSD1963::ReadData(Tick cycleTime)
{
    if (Accepts("read", cycleTime))
        Error("reads from the controller are not modelled");
    return 0;
}

void SSD1963::SetReferenceClock(uint32_t hertz)
{
    m_referenceClock = hertz;
}

void SSD1963::SetReset(bool level)
{
    if (level == m_resetLevel)
        return;
    const uint64_t now = Now();
    m_resetLevel = level;
    if (!level)
    {
        m_resetAssertedAt = now;
        SyncScan(now);
        HardwareReset();
        return;
    }
    if (now - m_resetAssertedAt < minimumResetPulse)
        Error("reset pulse shorter than " + std::to_string(minimumResetPulse / microsecond) + " us");
    m_everReset = true;
    m_busyUntil = now + resetBusyTime;
}

void SSD1963::HardwareReset()
{
    m_pllM = m_pllN = 0;
    m_pllProgrammed = m_pllEnabled = m_pllInUse = false;
    m_pllLockAt = 0;
    SoftwareReset();
}

// Every register back to its reset value except the PLL's (set_pll, set_pll_mn), as the data
// sheet describes for soft_reset. The frame memory keeps its content.
void SSD1963::SoftwareReset()
{
    m_inCommand = m_writingMemory = false;
    m_params.clear();
    m_expected = 0;
    m_lshift = 0;
    m_lcdModeA = m_lcdModeB = m_rgbSequence = 0;
    m_hdp = frameWidth - 1;
    m_vdp = frameHeight - 1;
    m_ht = 816;
    m_hps = 8;
    m_hpw = 8;
    m_lps = 0;
    m_lpspp = 0;
    m_vt = 484;
    m_vps = 2;
    m_vpw = 2;
    m_fps = 0;
    // The pixel data interface powers up (and comes back from a software reset) in 24-bit mode; a
    // driver on a 16-bit bus must select RGB565 before writing pixels.
    m_pixelInterface = 0x05;
    m_addressMode = 0;
    m_tearOn = false;
    m_tearMode = 0;
    m_displayOn = false;
    m_gpioConfig = m_gpioConfig2 = m_gpioValue = 0;
    m_pwmFrequency = m_pwmDuty = m_pwmControl = m_dbcManual = m_dbcMinimum = m_pwmPrescaler = 0;
    m_sc = 0;
    m_ec = frameWidth - 1;
    m_sp = 0;
    m_ep = frameHeight - 1;
    m_column = m_page = 0;
    if (m_teLevel && m_env.setTearingLine)
        m_env.setTearingLine(false);
    m_teLevel = false;
    Restart();
}

void SSD1963::StartCommand(uint8_t code)
{
    m_inCommand = true;
    m_writingMemory = false;
    m_command = code;
    m_params.clear();
    m_expected = ParameterCount(code);

    if (!m_logging)
        m_logFull = true;
    else if (m_log.size() < commandLogLimit)
        m_log.push_back(Command{code, {}, 0, Now()});
    else
        m_logFull = true;

    if (m_expected == unlimited - 1)
    {
        Error("command " + Hex(code) + " is not modelled");
        m_inCommand = false;
        return;
    }
    if (m_expected == unlimited)
    {
        if (code == 0x2C)
        {
            m_column = m_sc;
            m_page = m_sp;
        }
        if (m_pixelInterface != 0x03)
            Error("pixels written with the pixel data interface at " + Hex(m_pixelInterface) +
                  ": a 16-bit RGB565 store needs set_pixel_data_interface 0x03");
        m_writingMemory = true;
        return;
    }
    if (m_expected == 0)
        FinishCommand();
}

void SSD1963::Parameter(uint8_t byte)
{
    m_params.push_back(byte);
    if (!m_logFull && !m_log.empty())
        m_log.back().parameters.push_back(byte);
    if (m_params.size() == m_expected)
        FinishCommand();
}

void SSD1963::FinishCommand()
{
    const uint64_t now = Now();
    const std::vector<uint8_t>& p = m_params;
    auto word = [&p](size_t i) { return static_cast<uint16_t>((p[i] << 8) | p[i + 1]); };

    switch (m_command)
    {
    case 0x00:
        break;
    case 0x01:
        SyncScan(now);
        SoftwareReset();
        m_busyUntil = now + resetBusyTime;
        break;
    case 0x28:
        m_displayOn = false;
        break;
    case 0x29:
        m_displayOn = true;
        break;
    case 0x2A:
    case 0x2B:
    {
        const uint16_t first = word(0);
        const uint16_t last = word(2);
        const uint16_t limit = m_command == 0x2A ? m_hdp : m_vdp;
        if (first > last || last > limit)
        {
            Error("command " + Hex(m_command) + " window " + std::to_string(first) + ".." + std::to_string(last) +
                  " outside 0.." + std::to_string(limit));
            break;
        }
        if (m_command == 0x2A)
        {
            m_sc = first;
            m_ec = last;
        }
        else
        {
            m_sp = first;
            m_ep = last;
        }
        break;
    }
    case 0x34:
        m_tearOn = false;
        if (m_teLevel && m_env.setTearingLine)
            m_env.setTearingLine(false);
        m_teLevel = false;
        break;
    case 0x35:
        m_tearOn = true;
        m_tearMode = p[0] & 0x01;
        // Mode 1 would pulse the line in every horizontal blanking too: a falling-edge interrupt
        // would then fire once per line instead of once per frame.
        if (m_tearMode != 0)
            Error("tearing-effect mode 1 (V and H blanking) is not modelled");
        break;
    case 0x36:
        // Page and column order flips are modelled; the other bits would change the scan or the
        // colour order and are reported.
        if ((p[0] & ~0xC0) != 0)
            Error("address mode bits " + Hex(p[0] & ~0xC0) + " are not modelled");
        m_addressMode = p[0];
        break;
    case 0xB0:
        m_lcdModeA = p[0];
        m_lcdModeB = p[1];
        m_hdp = word(2);
        m_vdp = word(4);
        m_rgbSequence = p[6];
        if (m_hdp != frameWidth - 1 || m_vdp != frameHeight - 1)
            Error("panel size " + std::to_string(m_hdp + 1) + " x " + std::to_string(m_vdp + 1) + " does not match the 800 x 480 panel");
        SyncScan(now);
        Restart();
        break;
    case 0xB4:
        m_ht = word(0);
        m_hps = word(2);
        m_hpw = p[4];
        m_lps = word(5);
        m_lpspp = p[7];
        if (m_ht < m_hdp + m_hps)
            Error("horizontal total " + std::to_string(m_ht) + " shorter than the visible line");
        SyncScan(now);
        Restart();
        break;
    case 0xB6:
        m_vt = word(0);
        m_vps = word(2);
        m_vpw = p[4];
        m_fps = word(5);
        if (m_vt < m_vdp + 1)
            Error("vertical total " + std::to_string(m_vt) + " shorter than the visible frame");
        SyncScan(now);
        Restart();
        break;
    case 0xB8:
        m_gpioConfig = p[0];
        m_gpioConfig2 = p[1];
        break;
    case 0xBA:
        m_gpioValue = p[0];
        break;
    case 0xBE:
        m_pwmFrequency = p[0];
        m_pwmDuty = p[1];
        m_pwmControl = p[2];
        m_dbcManual = p[3];
        m_dbcMinimum = p[4];
        m_pwmPrescaler = p[5];
        break;
    case 0xE0:
    {
        const bool enable = (p[0] & 0x01) != 0;
        const bool use = (p[0] & 0x02) != 0;
        if (enable && !m_pllProgrammed)
            Error("PLL enabled before its multiplier and divider were set");
        if (enable && !m_pllEnabled)
            m_pllLockAt = now + pllLockTime;
        m_pllEnabled = enable && m_pllProgrammed;
        bool inUse = false;
        if (use)
        {
            if (!m_pllEnabled || now < m_pllLockAt)
                Error("PLL selected as system clock before it locked");
            else
                inUse = true;
        }
        if (inUse != m_pllInUse)
        {
            SyncScan(now);
            m_pllInUse = inUse;
            Restart();
        }
        break;
    }
    case 0xE2:
    {
        if (m_pllInUse)
            Error("PLL reprogrammed while it drives the chip");
        if ((p[2] & 0x04) == 0)
            break; // multiplier and divider not effectuated
        const uint64_t vco = static_cast<uint64_t>(m_referenceClock) * (p[0] + 1u);
        if (vco < 250000000ull || vco > 800000000ull)
            Error("PLL oscillator " + std::to_string(vco) + " Hz outside 250..800 MHz");
        else if (vco / (p[1] + 1u) > 110000000ull)
            Error("PLL output " + std::to_string(vco / (p[1] + 1u)) + " Hz above 110 MHz");
        m_pllM = p[0];
        m_pllN = p[1];
        m_pllProgrammed = true;
        break;
    }
    case 0xE6:
        m_lshift = (static_cast<uint32_t>(p[0] & 0x0F) << 16) | (p[1] << 8) | p[2];
        SyncScan(now);
        Restart();
        break;
    case 0xF0:
        if ((p[0] & 0x07) != 0x03)
            Error("pixel data interface " + Hex(p[0]) + " is not modelled (only 16-bit RGB565)");
        m_pixelInterface = p[0] & 0x07;
        break;
    default:
        break;
    }
    m_inCommand = false;
}

void SSD1963::WritePixel(uint16_t pixel)
{
    if (!m_logFull && !m_log.empty())
        ++m_log.back().pixelCount;

    const unsigned x = (m_addressMode & 0x40) ? m_hdp - m_column : m_column;
    const unsigned y = (m_addressMode & 0x80) ? m_vdp - m_page : m_page;
    if (x < frameWidth && y < frameHeight)
    {
        const uint64_t now = Now();
        SyncScan(now);
        ClassifyWrite(x, y, now);
        m_memory[y * frameWidth + x] = pixel;
    }

    if (m_column < m_ec)
    {
        ++m_column;
        return;
    }
    m_column = m_sc;
    m_page = m_page < m_ep ? static_cast<uint16_t>(m_page + 1) : m_sp;
}

// ---- Clocks and scan-out ----

bool SSD1963::IsPllLocked() const
{
    return m_pllEnabled && Now() >= m_pllLockAt;
}

uint64_t SSD1963::GetPllFrequency() const
{
    if (!m_pllProgrammed)
        return 0;
    return static_cast<uint64_t>(m_referenceClock) * (m_pllM + 1u) / (m_pllN + 1u);
}

uint64_t SSD1963::GetSystemClock() const
{
    return m_pllInUse ? GetPllFrequency() : m_referenceClock;
}

uint64_t SSD1963::GetPixelClock() const
{
    if (!m_pllInUse || m_lshift == 0)
        return 0;
    return GetPllFrequency() * (m_lshift + 1ull) >> 20;
}

uint64_t SSD1963::GetLinePeriod() const
{
    if (GetPixelClock() == 0)
        return 0;
    // (HT + 1) pixel clocks of PLL x (LCDC_FPR + 1) / 2^20, kept exact in 128 bits.
    const unsigned __int128 numerator = static_cast<unsigned __int128>(m_ht + 1u) * ticksPerSecond << 20;
    return static_cast<uint64_t>(numerator / (static_cast<unsigned __int128>(GetPllFrequency()) * (m_lshift + 1ull)));
}

uint64_t SSD1963::GetFramePeriod() const
{
    return GetLinePeriod() * (m_vt + 1u);
}

uint64_t SSD1963::ScanTime(uint64_t frameStart, unsigned x, unsigned y) const
{
    return frameStart + y * m_linePeriod + (((m_hps + x) * m_pixelPeriod16) >> 16);
}

// Starts the scan-out afresh with the current timing: a new frame begins now.
void SSD1963::Restart()
{
    m_env.clock->Cancel(m_blankingEvent);
    m_env.clock->Cancel(m_frameEvent);
    m_scanning = GetPixelClock() != 0 && GetLinePeriod() != 0 && m_vt > m_vdp;
    m_linePeriod = GetLinePeriod();
    m_framePeriod = GetFramePeriod();
    m_syncedIndex = 0;
    m_classifiedFrame = UINT64_MAX;
    if (!m_scanning)
        return;
    // One pixel clock in 1/65536 ticks, so that scan positions need no wide division per pixel.
    const unsigned __int128 numerator = static_cast<unsigned __int128>(ticksPerSecond) << 36;
    m_pixelPeriod16 = static_cast<uint64_t>(numerator / (static_cast<unsigned __int128>(GetPllFrequency()) * (m_lshift + 1ull)));
    m_scanOrigin = Now();
    ScheduleFrame(m_scanOrigin);
}

// Frame layout: the visible lines first (line 0 is row 0), then the blanking lines. The
// tearing-effect output is high during vertical blanking, so its falling edge marks the start
// of the next frame's first visible line.
void SSD1963::ScheduleFrame(Tick frameStart)
{
    m_frameStart = frameStart;
    m_env.clock->Schedule(m_blankingEvent, frameStart + (m_vdp + 1ull) * m_linePeriod);
    m_env.clock->Schedule(m_frameEvent, frameStart + m_framePeriod);
}

void SSD1963::OnBlanking(void* context)
{
    SSD1963& chip = *static_cast<SSD1963*>(context);
    if (!chip.m_tearOn || chip.m_teLevel)
        return;
    chip.m_teLevel = true;
    if (chip.m_env.setTearingLine)
        chip.m_env.setTearingLine(true);
}

void SSD1963::OnFrame(void* context)
{
    SSD1963& chip = *static_cast<SSD1963*>(context);
    chip.ScheduleFrame(chip.m_frameStart + chip.m_framePeriod);
    if (chip.m_teLevel)
    {
        chip.m_teLevel = false;
        if (chip.m_env.setTearingLine)
            chip.m_env.setTearingLine(false);
    }
}

// Copies to the panel every pixel that the scan has read from frame memory up to `time`.
void SSD1963::SyncScan(uint64_t time)
{
    if (!m_scanning || time < m_scanOrigin)
        return;
    const uint64_t frame = m_framePeriod;
    const uint64_t line = m_linePeriod;
    const uint64_t elapsed = time - m_scanOrigin;
    const uint64_t frameIndex = elapsed / frame;
    const uint64_t inFrame = elapsed % frame;
    const uint64_t row = inFrame / line;
    uint64_t target;
    if (row >= frameHeight)
    {
        target = (frameIndex + 1) * pixelsPerFrame;
    }
    else
    {
        const uint64_t lineStart = m_scanOrigin + frameIndex * frame + row * line;
        // Columns whose scan time has passed in this line.
        const uint64_t clocks = (((time - lineStart) << 16) / m_pixelPeriod16) + 1;
        const uint64_t columns = clocks <= m_hps ? 0 : std::min<uint64_t>(clocks - m_hps, frameWidth);
        target = frameIndex * pixelsPerFrame + row * frameWidth + columns;
    }
    if (target <= m_syncedIndex)
        return;
    if (target - m_syncedIndex >= pixelsPerFrame)
    {
        m_panel = m_memory;
    }
    else
    {
        uint64_t index = m_syncedIndex;
        while (index < target)
        {
            const uint64_t position = index % pixelsPerFrame;
            const uint64_t count = std::min<uint64_t>(target - index, pixelsPerFrame - position);
            std::copy_n(m_memory.begin() + static_cast<long>(position), count, m_panel.begin() + static_cast<long>(position));
            index += count;
        }
    }
    m_syncedIndex = target;
}

uint64_t SSD1963::GetFrameCount() const
{
    if (!m_scanning || GetFramePeriod() == 0)
        return 0;
    const uint64_t now = Now();
    return now < m_scanOrigin ? 0 : (now - m_scanOrigin) / GetFramePeriod() + 1;
}

// A frame tears when the pixels written during it are split: some were written before the scan
// reached them (the frame shows them new), others after (it shows them old).
void SSD1963::ClassifyWrite(unsigned x, unsigned y, uint64_t time)
{
    if (!m_scanning || time < m_scanOrigin)
        return;
    const uint64_t frameIndex = (time - m_scanOrigin) / m_framePeriod;
    if (frameIndex != m_classifiedFrame)
    {
        m_classifiedFrame = frameIndex;
        m_frameHasBefore = m_frameHasAfter = m_frameCounted = false;
    }
    const uint64_t frameStart = m_scanOrigin + frameIndex * m_framePeriod;
    if (time < ScanTime(frameStart, x, y))
        m_frameHasBefore = true;
    else
        m_frameHasAfter = true;
    if (m_frameHasBefore && m_frameHasAfter && !m_frameCounted)
    {
        m_frameCounted = true;
        ++m_tornFrames;
    }
}

const std::vector<uint16_t>& SSD1963::GetPanelImage()
{
    SyncScan(Now());
    return m_panel;
}

std::vector<uint8_t> SSD1963::GetVisibleImage()
{
    const std::vector<uint16_t>& panel = GetPanelImage();
    std::vector<uint8_t> image(pixelsPerFrame * 3, 0);
    // Dark unless the panel is driven (scan-out running, display on) and the backlight is lit.
    const unsigned brightness = IsBacklightPwmEnabled() ? m_pwmDuty : 0;
    if (!m_scanning || !m_displayOn || brightness == 0)
        return image;
    for (unsigned i = 0; i < pixelsPerFrame; ++i)
    {
        const unsigned v = panel[i];
        const unsigned rgb[3] = {Expand5(v >> 11), Expand6((v >> 5) & 0x3F), Expand5(v & 0x1F)};
        for (unsigned c = 0; c < 3; ++c)
        {
            const unsigned x = rgb[c] * brightness;
            image[i * 3 + c] = static_cast<uint8_t>((x + 1 + (x >> 8)) >> 8);
        }
    }
    return image;
}

} // namespace Sim
