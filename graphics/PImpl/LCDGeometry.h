#pragma once

#include <cstdint>

namespace PImpl
{

// The panel behind the SSD1963: 800 x 480 pixels, RGB565.
constexpr uint16_t panelWidth = 800;
constexpr uint16_t panelHeight = 480;

} // namespace PImpl
