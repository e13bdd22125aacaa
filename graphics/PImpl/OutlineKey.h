#pragma once

// What the caches of outline results (MeasureCache, SweepCache) compare: an outline's vertices,
// bit for bit, and the choice of an entry to give way.

#include "graphics/PImpl/Path.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace PImpl
{

// Writes the command and the coordinates' bits of every vertex of path from key on, three words
// a vertex, and sets words to their number; false when more than capacity words would be needed
// or a coordinate is not a number (which never equals itself, and whose bits need not either).
// Bits, not values: 0 and -0 are equal numbers but may draw differently.
bool OutlineKey(const Path& path, uint32_t* key, unsigned capacity, unsigned& words);

// The entry to fill next: an empty one if there is one (one never used, lastUse 0), or else the
// least recently used.
template <typename Entry, unsigned count> unsigned LeastRecentlyUsed(const Entry (&entries)[count])
{
    const Entry* const oldest = std::min_element(std::begin(entries), std::end(entries),
                                                 [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
    return static_cast<unsigned>(oldest - entries);
}

} // namespace PImpl
