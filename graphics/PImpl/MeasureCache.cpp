#include "graphics/PImpl/MeasureCache.h"

#include <algorithm>
#include <cstring>

namespace PImpl
{

namespace
{

uint32_t Bits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

} // namespace

MeasureCache& MeasureCache::GetInstance()
{
    static MeasureCache instance;
    return instance;
}

bool MeasureCache::MakeKey(const Path& path, const Velmora::Stroke* stroke)
{
    const unsigned count = path.GetVertexCount();
    const unsigned words = 4 + 3 * count;
    if (words > wordLimit)
    {
        return false;
    }
    m_key.resize(words);
    uint32_t* word = m_key.data();
    *word++ = stroke == nullptr ? 0 : 1;
    *word++ = stroke == nullptr ? 0 : Bits(stroke->GetWidth());
    *word++ = stroke == nullptr ? 0 : static_cast<uint32_t>(stroke->GetCap());
    *word++ = stroke == nullptr ? 0 : static_cast<uint32_t>(stroke->GetJoin());
    for (unsigned i = 0; i < count; ++i)
    {
        float x;
        float y;
        *word++ = path.GetVertex(i, x, y);
        // Not a number never equals itself, and its bits need not either.
        if (x != x || y != y)
        {
            return false;
        }
        // Bits, not values: 0 and -0 are equal but may stroke differently.
        *word++ = Bits(x);
        *word++ = Bits(y);
    }
    return true;
}

unsigned MeasureCache::GetWordCount() const
{
    unsigned words = 0;
    for (const Entry& entry : m_entries)
    {
        words += static_cast<unsigned>(entry.key.size());
    }
    return words;
}

bool MeasureCache::Find(const Path& path, const Velmora::Stroke* stroke, Velmora::Area& area)
{
    m_keyValid = MakeKey(path, stroke);
    if (!m_keyValid)
    {
        return false;
    }
    for (Entry& entry : m_entries)
    {
        if (entry.key.size() == m_key.size() &&
            std::memcmp(entry.key.data(), m_key.data(), m_key.size() * sizeof(uint32_t)) == 0)
        {
            entry.lastUse = ++m_clock;
            area = entry.area;
            return true;
        }
    }
    return false;
}

MeasureCache::Entry& MeasureCache::Oldest(bool emptyFirst)
{
    // Empty entries come first or last, and the rest by their last use.
    return *std::min_element(std::begin(m_entries), std::end(m_entries), [emptyFirst](const Entry& a, const Entry& b) {
        if (a.key.empty() != b.key.empty())
        {
            return a.key.empty() == emptyFirst;
        }
        return a.lastUse < b.lastUse;
    });
}

void MeasureCache::Add(const Velmora::Area& area)
{
    if (!m_keyValid)
    {
        return;
    }
    m_keyValid = false;
    // Entries are emptied, least recently used first, until the new one fits; it takes an
    // empty entry if there is one, or else the least recently used.
    while (GetWordCount() + m_key.size() > wordLimit)
    {
        Entry& oldest = Oldest(false);
        std::vector<uint32_t>().swap(oldest.key);
        oldest.lastUse = 0;
    }
    // Copied before anything changes, so that running out of memory leaves every entry whole.
    std::vector<uint32_t> key(m_key);
    Entry& entry = Oldest(true);
    entry.key.swap(key);
    entry.area = area;
    entry.lastUse = ++m_clock;
}

} // namespace PImpl
