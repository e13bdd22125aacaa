// SSD1963 display controller and the 800 x 480 TFT panel behind it.
//
// Fidelity: follows the controller's data sheet at the level the firmware uses: hardware reset
// and the reset pin, PLL programming (set_pll_mn, set_pll) with its lock time, software reset,
// pixel clock (set_lshift_freq), panel size and mode (set_lcd_mode), pixel data interface
// (powers up in 24-bit mode; pixel data needs 16-bit RGB565 selected), address mode (page and
// column order flips), horizontal and vertical timing, tearing-effect output (V-blank only),
// controller GPIO, backlight
// PWM, display on/off, column and page address windows, write_memory_start/continue into an
// 800 x 480 frame memory, and the line-by-line scan-out of that memory to the panel.
//
// Deliberate simplifications:
// - Reads from the chip (get_* commands, read_memory) are not modelled; they are reported as
//   protocol errors so that a driver that relies on them notices.
// - Sleep modes, partial display, scroll areas, dynamic backlight control, tearing-effect mode 1
//   (V and H blanking) and the 8/9/12/18/24-bit pixel interfaces are not modelled (loud: protocol
//   error naming the command); pixels written while the interface is not 16-bit RGB565 (as after
//   power-on) are a protocol error.
// - Bus timing: a strobe (the write pulse, not the whole bus cycle) must last at least half a
//   period of the chip's system clock (the reference clock until the PLL drives the chip, the PLL
//   afterwards) to be latched. Faster writes are recorded as protocol errors and still applied,
//   so one error does not hide the next.
// - Power-on reset values of the timing registers are taken as the panel's own values; the
//   firmware programs all of them before scan-out matters.
// - The panel shows what the scan-out read from frame memory; display off shows black, and the
//   backlight PWM duty scales the brightness a person sees.
//
// Protocol errors (the model is our check of the driver): commands or data before the first
// reset pulse, while reset is held, within the chip's busy time after a reset, without a
// reference clock, faster than the system clock can latch, PLL use before lock, out-of-range PLL,
// wrong parameter counts, windows outside the panel, unsupported commands.
#pragma once

#include "sim/Clock.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Sim
{

class SSD1963
{
public:
    // What the model needs from the virtual board: its clock (for time and events) and the
    // tearing-effect output pin.
    struct Environment
    {
        Clock* clock;
        std::function<void(bool level)> setTearingLine;
    };

    struct Command
    {
        uint8_t code;
        std::vector<uint8_t> parameters; // pixel data is counted, not stored
        uint32_t pixelCount;
        Tick time;
    };

    static constexpr unsigned frameWidth = 800;
    static constexpr unsigned frameHeight = 480;

    explicit SSD1963(Environment environment);
    ~SSD1963();
    SSD1963(const SSD1963&) = delete;
    SSD1963& operator=(const SSD1963&) = delete;

    // Bus side: one 16-bit store with D/C low (command) or high (data); cycleTime is the length of
    // the bus access in ticks, as the external memory controller's timing makes it.
    void WriteCommand(uint16_t value, Tick cycleTime);
    void WriteData(uint16_t value, Tick cycleTime);
    uint16_t ReadData(Tick cycleTime);

    // Power applied: frame memory cleared, registers at their reset values, nothing recorded yet;
    // `resetLevel` is the level on the reset pin at that moment (low holds the chip in reset).
    void PowerOn(bool resetLevel);

    // Pins: reset (low holds the chip in reset) and the reference clock on CLK (0 = none).
    void SetReset(bool level);
    void SetReferenceClock(uint32_t hertz);

    // ---- What tests and front-ends look at ----
    const std::vector<std::string>& GetProtocolErrors() const { return m_errors; }
    const std::vector<Command>& GetCommandLog() const { return m_log; }
    void ClearCommandLog() { m_log.clear(); }
    // Off: nothing more is recorded (a long run in a front-end has no use for the log).
    void SetCommandLogging(bool on) { m_logging = on; }

    bool IsDisplayOn() const { return m_displayOn; }
    bool IsPllLocked() const;
    bool IsRunningFromPll() const { return m_pllInUse; }
    uint64_t GetPllFrequency() const; // Hz; 0 when not programmed
    uint64_t GetSystemClock() const;  // Hz
    uint64_t GetPixelClock() const;   // Hz; 0 while the scan-out is stopped
    Tick GetLinePeriod() const;       // 0 while the scan-out is stopped
    Tick GetFramePeriod() const;
    bool IsTearingOutputOn() const { return m_tearOn; }
    bool GetTearingLine() const { return m_teLevel; }
    uint8_t GetBacklightDuty() const { return m_pwmDuty; }
    bool IsBacklightPwmEnabled() const { return (m_pwmControl & 0x01) != 0; }
    uint8_t GetGpioConfiguration() const { return m_gpioConfig; }
    uint8_t GetGpioValue() const { return m_gpioValue; }
    uint8_t GetAddressMode() const { return m_addressMode; }
    uint8_t GetPixelDataInterface() const { return m_pixelInterface; }
    unsigned GetPanelWidth() const { return m_hdp + 1u; }
    unsigned GetPanelHeight() const { return m_vdp + 1u; }
    uint64_t GetFrameCount() const; // frames whose scan-out has begun
    Tick GetFrameStart() const { return m_frameStart; } // start of the frame being scanned
    uint64_t GetTearingCount() const { return m_tornFrames; }

    // The frame memory, row-major RGB565.
    uint16_t GetMemoryPixel(unsigned x, unsigned y) const { return m_memory[y * frameWidth + x]; }

    // What the panel shows now, as scanned out (RGB565), before display on/off and backlight.
    const std::vector<uint16_t>& GetPanelImage();

    // The picture a person sees: 8-bit RGB, 3 bytes a pixel, display state and backlight applied.
    std::vector<uint8_t> GetVisibleImage();

private:
    void Error(const std::string& text);
    bool Accepts(const char* what, Tick cycleTime);
    void StartCommand(uint8_t code);
    void Parameter(uint8_t byte);
    void FinishCommand();
    void ExpectParameters(unsigned count);
    void WritePixel(uint16_t pixel);
    void SoftwareReset();
    void HardwareReset();
    void Restart();
    void ScheduleFrame(Tick frameStart);
    static void OnBlanking(void* context);
    static void OnFrame(void* context);
    Tick Now() const { return m_env.clock->Now(); }
    void SyncScan(Tick time);
    uint64_t ScanTime(Tick frameStart, unsigned x, unsigned y) const;
    void ClassifyWrite(unsigned x, unsigned y, Tick time);

    Environment m_env;
    std::vector<std::string> m_errors;
    std::vector<Command> m_log;
    bool m_logFull = false;
    bool m_logging = true;

    // Pins and clocks.
    bool m_resetLevel = true;
    bool m_everReset = false;
    Tick m_resetAssertedAt = 0;
    Tick m_busyUntil = 0;
    uint32_t m_referenceClock = 0;

    // PLL.
    uint8_t m_pllM = 0, m_pllN = 0;
    bool m_pllProgrammed = false;
    bool m_pllEnabled = false;
    Tick m_pllLockAt = 0;
    bool m_pllInUse = false;

    // Command decoding.
    bool m_inCommand = false;
    uint8_t m_command = 0;
    std::vector<uint8_t> m_params;
    unsigned m_expected = 0;
    bool m_writingMemory = false;

    // Configuration.
    uint32_t m_lshift = 0;
    uint8_t m_lcdModeA = 0, m_lcdModeB = 0, m_rgbSequence = 0;
    uint16_t m_hdp = frameWidth - 1, m_vdp = frameHeight - 1;
    uint16_t m_ht = 0, m_hps = 0, m_lps = 0;
    uint8_t m_hpw = 0, m_lpspp = 0;
    uint16_t m_vt = 0, m_vps = 0, m_fps = 0;
    uint8_t m_vpw = 0;
    uint8_t m_pixelInterface = 0;
    uint8_t m_addressMode = 0;
    bool m_tearOn = false;
    uint8_t m_tearMode = 0;
    bool m_displayOn = false;
    uint8_t m_gpioConfig = 0, m_gpioConfig2 = 0, m_gpioValue = 0;
    uint8_t m_pwmFrequency = 0, m_pwmDuty = 0, m_pwmControl = 0, m_dbcManual = 0, m_dbcMinimum = 0, m_pwmPrescaler = 0;

    // Address window and write cursor.
    uint16_t m_sc = 0, m_ec = frameWidth - 1, m_sp = 0, m_ep = frameHeight - 1;
    uint16_t m_column = 0, m_page = 0;

    // Memory, scan-out and the panel.
    std::vector<uint16_t> m_memory;
    std::vector<uint16_t> m_panel;
    bool m_scanning = false;
    Event m_blankingEvent;
    Event m_frameEvent;
    Tick m_frameStart = 0;
    Tick m_scanOrigin = 0;  // start of the first active line of frame 0 of this scan
    uint64_t m_syncedIndex = 0;
    uint64_t m_linePeriod = 0, m_framePeriod = 0, m_pixelPeriod16 = 0; // pixels of the scan (frame by frame) already copied to the panel
    bool m_teLevel = false;

    // Tearing: writes grouped by the frame in which they arrive.
    uint64_t m_classifiedFrame = UINT64_MAX;
    bool m_frameHasBefore = false, m_frameHasAfter = false, m_frameCounted = false;
    uint64_t m_tornFrames = 0;
};

} // namespace Sim
