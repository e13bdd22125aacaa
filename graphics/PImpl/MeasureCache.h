#pragma once

// The measures of recently measured outlines. A measure depends on nothing but the outline's
// vertices and the stroke, and text layout measures the same outlines again and again (a clock's
// hours every minute, the probe glyphs of every line), so a measure found here is the very one
// that measuring again would give.

#include "graphics/Area.h"
#include "graphics/Stroke.h"
#include "graphics/PImpl/Path.h"

#include <cstdint>
#include <vector>

namespace PImpl
{

class MeasureCache
{
public:
    // Each entry holds an outline of up to 126 vertices (a line of a few glyphs at any size; four
    // bytes a word, three words a vertex, four for the stroke). The store is taken from the heap
    // once, whole, at the first measure, so the heap in use does not change with what is kept.
    static constexpr unsigned entryCount = 8;
    static constexpr unsigned entryWords = 382;

    static MeasureCache& GetInstance();

    // The measure of path stroked with stroke (filled when stroke is null), if it is here.
    bool Find(const Path& path, const Velmora::Stroke* stroke, Velmora::Area& area);
    // Keeps the measure that Find just failed to find for the same path and stroke, in place of
    // the least recently used entry. An outline too large for an entry, or with a coordinate that
    // is not a number, is not kept.
    void Add(const Velmora::Area& area);

private:
    struct Entry
    {
        unsigned words = 0; // 0 for an empty entry
        Velmora::Area area = Velmora::Area(Velmora::Point(0.0f, 0.0f), 0.0f, 0.0f);
        uint32_t lastUse = 0;
    };

    MeasureCache();
    // Puts what a measure depends on into m_key, bit for bit; false when it cannot be kept.
    bool MakeKey(const Path& path, const Velmora::Stroke* stroke);
    uint32_t* Words(unsigned entry) { return m_store.data() + entry * entryWords; }

    Entry m_entries[entryCount];
    std::vector<uint32_t> m_store;
    std::vector<uint32_t> m_key;
    unsigned m_keyWords = 0;
    bool m_keyValid = false;
    uint32_t m_clock = 0;
};

} // namespace PImpl
