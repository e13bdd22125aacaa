#pragma once

// The pixel loop of the compositor: a foreground-layer run laid over the framebuffer.

#include "graphics/Color.h"
#include "graphics/Color565.h"

#include <cstdint>

namespace PImpl
{

// Lays count layer pixels over the framebuffer pixels at target, each by its own alpha: 0 leaves
// the target as it is, 255 replaces it with the pixel's colour, anything between blends the two
// with Color565::AlphaBlend.
void CompositePixels(Velmora::Color565* target, const Velmora::Color* source, unsigned count);

} // namespace PImpl
