#pragma once

#include "graphics/MemoryStream.h"

namespace Velmora
{

// The built-in font, read in place. One stream is shared by every caller, so its position moves
// with every text call: text calls on it must not overlap.
class DefaultFont
{
public:
    static MemoryStream& GetInstance();
};

} // namespace Velmora
