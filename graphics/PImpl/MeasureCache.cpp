#include "graphics/PImpl/MeasureCache.h"

#include "graphics/PImpl/OutlineKey.h"

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

MeasureCache::MeasureCache() : m_store(entryCount * entryWords), m_key(entryWords)
{
}

bool MeasureCache::MakeKey(const Path& path, const Velmora::Stroke* stroke)
{
    uint32_t* word = m_key.data();
    *word++ = stroke == nullptr ? 0 : 1;
    *word++ = stroke == nullptr ? 0 : Bits(stroke->GetWidth());
    *word++ = stroke == nullptr ? 0 : static_cast<uint32_t>(stroke->GetCap());
    *word++ = stroke == nullptr ? 0 : static_cast<uint32_t>(stroke->GetJoin());
    unsigned vertexWords = 0;
    if (!OutlineKey(path, word, entryWords - 4, vertexWords))
    {
        return false;
    }
    m_keyWords = 4 + vertexWords;
    return true;
}

bool MeasureCache::Find(const Path& path, const Velmora::Stroke* stroke, Velmora::Area& area)
{
    m_keyValid = MakeKey(path, stroke);
    if (!m_keyValid)
    {
        return false;
    }
    for (unsigned i = 0; i < entryCount; ++i)
    {
        Entry& entry = m_entries[i];
        if (entry.words == m_keyWords && std::memcmp(Words(i), m_key.data(), m_keyWords * sizeof(uint32_t)) == 0)
        {
            entry.lastUse = ++m_clock;
            area = entry.area;
            return true;
        }
    }
    return false;
}

void MeasureCache::Add(const Velmora::Area& area)
{
    if (!m_keyValid)
    {
        return;
    }
    m_keyValid = false;
    const unsigned i = LeastRecentlyUsed(m_entries);
    std::memcpy(Words(i), m_key.data(), m_keyWords * sizeof(uint32_t));
    m_entries[i].words = m_keyWords;
    m_entries[i].area = area;
    m_entries[i].lastUse = ++m_clock;
}

} // namespace PImpl
