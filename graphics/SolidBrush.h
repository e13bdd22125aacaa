#pragma once

#include "graphics/Brush.h"
#include "graphics/Color.h"

namespace Velmora
{

// One colour everywhere; its alpha makes it translucent.
class SolidBrush : public Brush
{
public:
    explicit SolidBrush(const Color& color);
    uint8_t GetType() const override;
};

} // namespace Velmora
