#include "graphics/PImpl/SweepCache.h"

#include "graphics/PImpl/OutlineKey.h"

#include <cstring>

namespace PImpl
{

SweepCache& SweepCache::GetInstance()
{
    static SweepCache instance;
    return instance;
}

SweepCache::SweepCache() : m_keys(entryCount * keyWords), m_records(entryCount * recordWords), m_key(keyWords)
{
}

bool SweepCache::MakeKey(const Path& path)
{
    return OutlineKey(path, m_key.data(), keyWords, m_keyWords);
}

bool SweepCache::Find(const Path& path, Replay& replay)
{
    m_keyValid = MakeKey(path);
    if (!m_keyValid)
    {
        return false;
    }
    for (unsigned i = 0; i < entryCount; ++i)
    {
        Entry& entry = m_entries[i];
        if (entry.words == m_keyWords && std::memcmp(Key(i), m_key.data(), m_keyWords * sizeof(uint32_t)) == 0)
        {
            entry.lastUse = ++m_clock;
            replay.m_next = Record(i);
            return true;
        }
    }
    return false;
}

bool SweepCache::Replay::rewind_scanlines()
{
    if (*m_next++ == 0)
    {
        return false;
    }
    m_minY = static_cast<int32_t>(*m_next++);
    return true;
}

SweepCache::Recording::Recording(SweepCache& cache, Rasterizer& rasterizer) : m_cache(cache), m_rasterizer(rasterizer)
{
    if (!cache.m_keyValid)
    {
        return;
    }
    cache.m_keyValid = false;
    // The entry is emptied now and filled only when the recording is whole.
    m_entry = LeastRecentlyUsed(cache.m_entries);
    m_keyWords = cache.m_keyWords;
    cache.m_entries[m_entry] = Entry();
    std::memcpy(cache.Key(m_entry), cache.m_key.data(), m_keyWords * sizeof(uint32_t));
    m_record = cache.Record(m_entry);
}

bool SweepCache::Recording::rewind_scanlines()
{
    const bool any = m_rasterizer.rewind_scanlines();
    if (m_record != nullptr)
    {
        Put(any ? 1 : 0);
        if (any)
        {
            Put(static_cast<uint32_t>(m_rasterizer.min_y()));
        }
        else
        {
            // Nothing is swept: the record is whole as it is.
            Keep();
        }
    }
    return any;
}

void SweepCache::Recording::OpenScanline()
{
    m_scanlineStart = m_used;
    m_used += 3;
}

void SweepCache::Recording::CloseScanline(uint32_t resets, int y)
{
    if (m_used <= recordWords)
    {
        m_record[m_scanlineStart] = resets;
        m_record[m_scanlineStart + 1] = static_cast<uint32_t>(y);
        m_record[m_scanlineStart + 2] = m_used - m_scanlineStart - 3;
    }
}

void SweepCache::Recording::Keep()
{
    if (m_fits && m_used <= recordWords)
    {
        Entry& entry = m_cache.m_entries[m_entry];
        entry.words = m_keyWords;
        entry.lastUse = ++m_cache.m_clock;
    }
    m_record = nullptr;
}

} // namespace PImpl
