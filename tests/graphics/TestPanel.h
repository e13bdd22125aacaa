#pragma once

// A stand-in for the display controller and its panel while the register-level model is not
// linked into these tests: it decodes the column, page and memory-write commands the framebuffer
// driver sends into an 800 x 480 panel image, and gives the tests the tearing pulse. Its
// definitions are weak so that a real controller driver in the library takes precedence.

#include "graphics/Driver/SSD1963.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace TestPanel
{

struct State
{
    std::vector<uint16_t> pixels = std::vector<uint16_t>(800 * 480, 0xFFFF);
    bool refreshEnabled = false;
    std::function<void()> onVerticalRefresh;
    uint16_t command = 0;
    std::vector<uint8_t> parameters;
    unsigned columnStart = 0, columnEnd = 0, pageStart = 0, pageEnd = 0;
    unsigned column = 0, page = 0;
};

inline State& Get()
{
    static State state;
    return state;
}

// One tearing pulse: the driver flushes when refresh is enabled.
inline void VerticalRefresh()
{
    State& s = Get();
    if (s.refreshEnabled && s.onVerticalRefresh)
    {
        s.onVerticalRefresh();
    }
}

inline uint16_t Pixel(int x, int y)
{
    return Get().pixels[static_cast<size_t>(y) * 800 + x];
}

} // namespace TestPanel

namespace Driver
{

__attribute__((weak)) SSD1963::SSD1963()
{
}

__attribute__((weak)) SSD1963& SSD1963::GetInstance()
{
    static SSD1963* instance = new SSD1963();
    return *instance;
}

__attribute__((weak)) void SSD1963::WriteCommand(uint16_t command)
{
    TestPanel::State& s = TestPanel::Get();
    s.command = command;
    s.parameters.clear();
    if (command == 0x2C)
    {
        s.column = s.columnStart;
        s.page = s.pageStart;
    }
}

__attribute__((weak)) void SSD1963::WriteData(uint16_t data)
{
    TestPanel::State& s = TestPanel::Get();
    if (s.command == 0x2C)
    {
        if (s.column < 800 && s.page < 480)
        {
            s.pixels[s.page * 800 + s.column] = data;
        }
        if (++s.column > s.columnEnd)
        {
            s.column = s.columnStart;
            ++s.page;
        }
        return;
    }
    s.parameters.push_back(static_cast<uint8_t>(data));
    if (s.parameters.size() == 4 && (s.command == 0x2A || s.command == 0x2B))
    {
        const unsigned first = (s.parameters[0] << 8) | s.parameters[1];
        const unsigned last = (s.parameters[2] << 8) | s.parameters[3];
        (s.command == 0x2A ? s.columnStart : s.pageStart) = first;
        (s.command == 0x2A ? s.columnEnd : s.pageEnd) = last;
    }
}

__attribute__((weak)) void SSD1963::SendBytes(uint16_t value)
{
    WriteData(value >> 8);
    WriteData(value & 0xFF);
}

__attribute__((weak)) void SSD1963::SetOnVerticalRefresh(std::function<void()> handler)
{
    TestPanel::Get().onVerticalRefresh = std::move(handler);
}

__attribute__((weak)) bool SSD1963::IsRefreshEnabled() const
{
    return TestPanel::Get().refreshEnabled;
}

__attribute__((weak)) void SSD1963::EnableRefresh(bool enable)
{
    TestPanel::Get().refreshEnabled = enable;
}

__attribute__((weak)) void SSD1963::DisableRefresh(bool disable)
{
    TestPanel::Get().refreshEnabled = !disable;
}

} // namespace Driver
