#pragma once

#include "graphics/Brush.h"
#include "graphics/GradientStop.h"

namespace Velmora
{

// Colours blend from the start stop to the end stop along the line between their points, in the
// coordinates of the surface painted on.
class LinearGradientBrush : public Brush
{
public:
    LinearGradientBrush(const GradientStop& start, const GradientStop& end);
    uint8_t GetType() const override;
};

} // namespace Velmora
