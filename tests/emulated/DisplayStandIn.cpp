// The display controller's stand-in for the emulated check and its host twin: the emulated
// Cortex-M4 has no SSD1963, and the picture under test is the framebuffer the compositor builds,
// not what the controller would scan out. Everything above the controller (framebuffer driver,
// change record, compositor, layers, drawing) is the firmware's own code. The tearing interrupt
// never fires: callers flush by hand.

#include "graphics/Driver/SSD1963.h"

namespace Driver
{
namespace
{
bool m_refreshEnabled = false;
}

SSD1963& SSD1963::GetInstance()
{
    static SSD1963 instance;
    return instance;
}

SSD1963::SSD1963() {}

void SSD1963::WriteCommand(uint16_t) {}

void SSD1963::WriteData(uint16_t) {}

void SSD1963::SendBytes(uint16_t) {}

void SSD1963::SetOnVerticalRefresh(std::function<void()>) {}

bool SSD1963::IsRefreshEnabled() const
{
    return m_refreshEnabled;
}

void SSD1963::EnableRefresh(bool enable)
{
    if (enable)
    {
        m_refreshEnabled = true;
    }
}

void SSD1963::DisableRefresh(bool disable)
{
    if (disable)
    {
        m_refreshEnabled = false;
    }
}

void SSD1963::ArmRefresh() {}
}
