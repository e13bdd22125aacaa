#pragma once

// What the display tests read from the virtual board: the SSD1963 model behind the FSMC, its
// command log in a comparable form, and waits that let virtual time run the way the firmware's
// own busy-waits do.

#include "graphics/Driver/LCD.h"
#include "graphics/LCD.h"

#include "sim/Board.h"
#include "sim/devices/SSD1963.h"

#include "stm32f4xx.h"
#include "system_stm32f4xx.h"

#include <cstdint>
#include <ostream>
#include <vector>

namespace PanelBench
{

// The firmware's clock set-up (168 MHz) runs before any test, as it does before anything else on
// the board, so that bus timings are the real ones.
inline const bool clockTreeReady = (SystemInit(), true);

inline Sim::SSD1963& Panel()
{
    return Sim::Board::Instance().ssd1963();
}

// One command as the controller received it: code, parameter bytes, pixels written after it.
struct Sent
{
    uint8_t code;
    std::vector<uint8_t> parameters;
    uint32_t pixels;

    bool operator==(const Sent& other) const
    {
        return code == other.code && parameters == other.parameters && pixels == other.pixels;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Sent& sent)
{
    out << "{0x" << std::hex << unsigned(sent.code) << " [";
    for (uint8_t p : sent.parameters)
        out << " 0x" << unsigned(p);
    return out << " ] " << std::dec << sent.pixels << " px}";
}

inline std::vector<Sent> Log()
{
    std::vector<Sent> log;
    for (const auto& command : Panel().GetCommandLog())
        log.push_back(Sent{command.code, command.parameters, command.pixelCount});
    return log;
}

// Spins like the firmware does (start-up waits the same way) until the tearing interrupt has
// flushed every pending change.
inline void WaitForFlush()
{
    while (Driver::LCD::GetInstance().HasChanges())
        __NOP();
}

// Brings the display up as start-up does: flushing on, the black screen sent. The compositor then
// exists before a test registers anything for it to flush.
inline void StartDisplay()
{
    Velmora::LCD& lcd = Velmora::LCD::GetInstance();
    lcd.EnableFlush(true);
    lcd.Clear();
    WaitForFlush();
}

// Lets the panel scan `frames` more frames.
inline void WaitFrames(uint64_t frames)
{
    const uint64_t target = Panel().GetFrameCount() + frames;
    while (Panel().GetFrameCount() < target)
        __NOP();
}

} // namespace PanelBench
