#pragma once

#include <cstdint>

namespace PImpl
{
class Brush;
}

namespace Velmora
{

// How shapes are painted. A brush owns its implementation, which the drawing calls use; brushes
// are not copied (they are usually constants or members of the widget that paints with them).
class Brush
{
public:
    virtual ~Brush();
    Brush(const Brush&) = delete;
    Brush& operator=(const Brush&) = delete;

    // 0 for a solid brush, 1 for a linear gradient.
    virtual uint8_t GetType() const = 0;

    PImpl::Brush& GetPImpl() const { return *m_brush; }

protected:
    explicit Brush(PImpl::Brush* implementation) : m_brush(implementation) {}

private:
    PImpl::Brush* m_brush;
};

} // namespace Velmora
