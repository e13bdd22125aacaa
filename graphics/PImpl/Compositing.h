#pragma once

// The pixel loops of the compositor: a background run copied into the framebuffer, and a
// foreground-layer run laid over it.

#include "graphics/Color.h"
#include "graphics/Color565.h"

#include <cstdint>

namespace PImpl
{

// Copies count RGB565 pixels between runs that do not overlap.
void CopyPixels(Velmora::Color565* target, const Velmora::Color565* source, unsigned count);

// Lays count layer pixels over the framebuffer pixels at target, each by its own alpha: 0 leaves
// the target as it is, 255 replaces it with the pixel's colour, anything between blends the two
// with Color565::AlphaBlend.
void CompositePixels(Velmora::Color565* target, const Velmora::Color* source, unsigned count);

} // namespace PImpl
