#pragma once

#include <cstdint>

namespace Velmora
{

// Which edge of an input raises its interrupt. The peripheral library's trigger value is
// (edge + 2) * 4: 0x08 rising, 0x0C falling, 0x10 both.
enum class Edge : uint8_t
{
    Rising = 0,
    Falling = 1,
    Both = 2,
};

} // namespace Velmora
