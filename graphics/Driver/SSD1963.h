#pragma once

// The SSD1963 display controller on FSMC region 2: bring-up (reference clock, reset, PLL), its
// command and data registers, and its tearing-effect line as the vertical-refresh event.

#include <cstdint>
#include <functional>

namespace Driver
{

class SSD1963
{
public:
    // The first call brings the chip up; it then scans its own frame memory out continuously.
    static SSD1963& GetInstance();

    // A command byte starts a command; each data store is one parameter byte or, after the
    // write-memory command, one RGB565 pixel.
    void WriteCommand(uint16_t command);
    void WriteData(uint16_t data);

    // A 16-bit parameter as two parameter bytes, high byte first.
    void SendBytes(uint16_t value);

    // Runs on every falling edge of the tearing line while refresh is enabled, in interrupt context.
    void SetOnVerticalRefresh(std::function<void()> handler);
    bool IsRefreshEnabled() const;
    void EnableRefresh(bool enable);
    void DisableRefresh(bool disable);

    SSD1963(const SSD1963&) = delete;
    SSD1963& operator=(const SSD1963&) = delete;

private:
    SSD1963();
    void ArmRefresh();
};

} // namespace Driver
