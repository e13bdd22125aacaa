#include "graphics/PImpl/OutlineKey.h"

#include <cstring>

namespace PImpl
{

bool OutlineKey(const Path& path, uint32_t* key, unsigned capacity, unsigned& words)
{
    const unsigned count = path.GetVertexCount();
    if (count > capacity / 3)
    {
        return false;
    }
    for (unsigned i = 0; i < count; ++i)
    {
        float x;
        float y;
        *key++ = path.GetVertex(i, x, y);
        if (x != x || y != y)
        {
            return false;
        }
        std::memcpy(key++, &x, sizeof x);
        std::memcpy(key++, &y, sizeof y);
    }
    words = 3 * count;
    return true;
}

} // namespace PImpl
