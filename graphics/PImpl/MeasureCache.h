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
    // Bounded in entries and in the words they keep (four bytes each, three a vertex): a few
    // kilobytes of the heap at most.
    static constexpr unsigned entryCount = 8;
    static constexpr unsigned wordLimit = 2048;

    static MeasureCache& GetInstance();

    // The measure of path stroked with stroke (filled when stroke is null), if it is here.
    bool Find(const Path& path, const Velmora::Stroke* stroke, Velmora::Area& area);
    // Keeps the measure that Find just failed to find for the same path and stroke; the least
    // recently used entries make room. An outline too large to keep, or with a coordinate that
    // is not a number, is not kept.
    void Add(const Velmora::Area& area);

private:
    struct Entry
    {
        std::vector<uint32_t> key;
        Velmora::Area area = Velmora::Area(Velmora::Point(0.0f, 0.0f), 0.0f, 0.0f);
        uint32_t lastUse = 0;
    };

    // Puts what a measure depends on into m_key, bit for bit; false when it cannot be kept.
    bool MakeKey(const Path& path, const Velmora::Stroke* stroke);
    unsigned GetWordCount() const;
    Entry& Oldest(bool emptyFirst);

    Entry m_entries[entryCount];
    std::vector<uint32_t> m_key;
    bool m_keyValid = false;
    uint32_t m_clock = 0;
};

} // namespace PImpl
