#pragma once

#include "graphics/MemoryStream.h"

namespace Velmora
{

// The built-in font, read in place. One stream is shared by every caller. Text drawing reads the
// font's bytes directly through a face kept open, so it leaves the stream's position alone; other
// readers of the stream share that position and must not overlap.
class DefaultFont
{
public:
    static MemoryStream& GetInstance();
};

} // namespace Velmora
