#pragma once

// The pixel loop of the compositor: a foreground-layer run laid over the framebuffer.

#include "graphics/Color.h"
#include "graphics/Color565.h"
#include "graphics/PImpl/InkMap.h"

#include <cstdint>

namespace PImpl
{

// Lays count layer pixels over the framebuffer pixels at target, each by its own alpha: 0 leaves
// the target as it is, 255 replaces it with the pixel's colour, anything between blends the two
// with Color565::AlphaBlend.
void CompositePixels(Velmora::Color565* target, const Velmora::Color* source, unsigned count);

// The same over a background run, in one pass: writes each of the count target pixels once, with
// exactly what copying the background run below to target and then CompositePixels would leave
// there (the background pixel for alpha 0, the layer's colour for 255, the blend of the two in
// between). below must not overlap target.
void CompositePixelsOver(Velmora::Color565* target, const Velmora::Color565* below, const Velmora::Color* source,
                         unsigned count);

// The two passes again, told by the layer's ink map which blocks of the run are all zero bytes
// (ink.column is the layer column of source[0]). Those blocks are not read: alone they leave the
// target as it is, over a background run they take the background pixels, copied a word at a
// time. Every other pixel goes through the loop above, so the result is the same bits as without
// the map, as long as the map's promise holds.
void CompositePixels(Velmora::Color565* target, const Velmora::Color* source, unsigned count, const InkRow& ink);
void CompositePixelsOver(Velmora::Color565* target, const Velmora::Color565* below, const Velmora::Color* source,
                         unsigned count, const InkRow& ink);

} // namespace PImpl
