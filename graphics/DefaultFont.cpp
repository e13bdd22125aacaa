#include "graphics/DefaultFont.h"

#include "graphics/DefaultFontData.h"

namespace Velmora
{

MemoryStream& DefaultFont::GetInstance()
{
    static MemoryStream stream(DefaultFontData, DefaultFontDataSize);
    return stream;
}

} // namespace Velmora
