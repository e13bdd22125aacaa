#pragma once

#include <cstdint>

namespace Velmora
{

enum class LineCap : uint8_t
{
    Butt = 0,
    Round = 1,
    Square = 2,
};

enum class LineJoin : uint8_t
{
    Miter = 0,
    Round = 1,
    Bevel = 2,
};

// The pen: full width in pixels, how lines end and how they turn corners.
class Stroke
{
public:
    Stroke(float width, LineCap cap, LineJoin join) : m_width(width), m_cap(cap), m_join(join) {}

    float GetWidth() const { return m_width; }
    LineCap GetCap() const { return m_cap; }
    LineJoin GetJoin() const { return m_join; }

private:
    float m_width;
    LineCap m_cap;
    LineJoin m_join;
};

} // namespace Velmora
