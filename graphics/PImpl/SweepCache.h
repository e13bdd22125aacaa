#pragma once

// The sweeps of recently filled outlines. Filling an outline turns its curves into edges, the
// edges into cells, sorts the cells and sweeps them into runs of coverage: most of the work of
// drawing text, and all of it depends on nothing but the outline's vertices, as a fill starts from
// a fresh rasteriser with no clip box, the linear gamma and the non-zero rule. A clock draws the
// same hours at the same place every minute; what the sweep handed the painter is kept here and
// handed over again, call for call, so the painter cannot tell the difference.

#include "graphics/PImpl/Path.h"
#include "graphics/PImpl/Rasterizer.h"

#include <cstdint>
#include <vector>

namespace PImpl
{

class SweepCache
{
public:
    // Each entry keeps an outline of up to 126 vertices and a sweep of up to 6,144 words (the
    // hours of the main page's clock take about 3,500). The store is taken from the heap once,
    // whole, at the first fill, so the heap in use does not change with what is kept.
    static constexpr unsigned entryCount = 4;
    static constexpr unsigned keyWords = 378;
    static constexpr unsigned recordWords = 6144;

    static SweepCache& GetInstance();

    class Recording;
    class Replay;

    // The sweep kept for path, if there is one. Otherwise the path is remembered, so that a
    // Recording made next keeps the sweep for it.
    bool Find(const Path& path, Replay& replay);

private:
    struct Entry
    {
        unsigned words = 0; // of the key; 0 for an empty entry
        uint32_t lastUse = 0;
    };

    SweepCache();
    bool MakeKey(const Path& path);
    uint32_t* Key(unsigned entry) { return m_keys.data() + entry * keyWords; }
    uint32_t* Record(unsigned entry) { return m_records.data() + entry * recordWords; }

    Entry m_entries[entryCount];
    std::vector<uint32_t> m_keys;
    std::vector<uint32_t> m_records;
    std::vector<uint32_t> m_key;
    unsigned m_keyWords = 0;
    bool m_keyValid = false;
    uint32_t m_clock = 0;
};

// A kept sweep, read back as the rasteriser would sweep: rewind_scanlines, min_y, then
// sweep_scanline until it returns false.
class SweepCache::Replay
{
public:
    bool rewind_scanlines();
    int min_y() const { return m_minY; }

    template <typename Scanline> bool sweep_scanline(Scanline& scanline)
    {
        const uint32_t resets = *m_next++;
        for (uint32_t i = 0; i < (resets & ~lastGroup); ++i)
        {
            scanline.reset_spans();
        }
        if ((resets & lastGroup) != 0)
        {
            return false;
        }
        const int y = static_cast<int32_t>(*m_next++);
        const uint32_t* const end = m_next + 1 + *m_next;
        for (++m_next; m_next != end; ++m_next)
        {
            const uint32_t item = *m_next;
            // The cover in the low byte, a span flag above it, the column above that.
            const int x = static_cast<int32_t>(item) >> columnShift;
            const unsigned cover = item & 0xFFu;
            if ((item & spanFlag) != 0)
            {
                scanline.add_span(x, *++m_next, cover);
            }
            else
            {
                scanline.add_cell(x, cover);
            }
        }
        scanline.finalize(y);
        return true;
    }

private:
    friend class SweepCache;
    friend class SweepCache::Recording;
    static constexpr uint32_t lastGroup = 0x80000000u;
    static constexpr uint32_t spanFlag = 0x100u;
    static constexpr int columnShift = 9;

    const uint32_t* m_next = nullptr;
    int m_minY = 0;
};

// Sweeps a rasteriser for a painter and keeps what the painter was handed for the path that
// SweepCache::Find last failed to find. Nothing is kept unless the sweep ends and fits.
class SweepCache::Recording
{
public:
    // Records nothing when the cache holds no path to record for.
    Recording(SweepCache& cache, Rasterizer& rasterizer);

    bool rewind_scanlines();
    int min_y() const { return m_rasterizer.min_y(); }

    template <typename Scanline> bool sweep_scanline(Scanline& scanline)
    {
        if (m_record == nullptr)
        {
            return m_rasterizer.sweep_scanline(scanline);
        }
        Recorder<Scanline> recorder(*this, scanline);
        const bool more = m_rasterizer.sweep_scanline(recorder);
        if (!more)
        {
            // The rows examined after the last scanline, and the end.
            m_used = m_scanlineStart;
            Put(recorder.Resets() | Replay::lastGroup);
            Keep();
        }
        return more;
    }

private:
    // Passes every call on to the painter's scanline and writes it down: the rows examined, then
    // the cells and spans, then the row, which is known only at the end.
    template <typename Scanline> class Recorder
    {
    public:
        Recorder(Recording& recording, Scanline& scanline) : m_recording(recording), m_scanline(scanline)
        {
            m_recording.OpenScanline();
        }

        void reset_spans()
        {
            ++m_resets;
            m_scanline.reset_spans();
        }
        void add_cell(int x, unsigned cover)
        {
            m_recording.PutItem(x, cover, false);
            m_scanline.add_cell(x, cover);
        }
        void add_span(int x, unsigned length, unsigned cover)
        {
            m_recording.PutItem(x, cover, true);
            m_recording.Put(length);
            m_scanline.add_span(x, length, cover);
        }
        unsigned num_spans() const { return m_scanline.num_spans(); }
        void finalize(int y)
        {
            m_recording.CloseScanline(m_resets, y);
            m_scanline.finalize(y);
        }
        uint32_t Resets() const { return m_resets; }

    private:
        Recording& m_recording;
        Scanline& m_scanline;
        uint32_t m_resets = 0;
    };

    __attribute__((always_inline)) void Put(uint32_t word)
    {
        if (m_used < recordWords)
        {
            m_record[m_used] = word;
        }
        ++m_used;
    }
    // Writes one cell or the start of a span: the column above the span flag and the cover.
    __attribute__((always_inline)) void PutItem(int x, unsigned cover, bool span)
    {
        if (x < -columnLimit || x >= columnLimit)
        {
            m_fits = false;
        }
        Put(static_cast<uint32_t>(x) << Replay::columnShift | (span ? Replay::spanFlag : 0) | cover);
    }
    void OpenScanline();
    void CloseScanline(uint32_t resets, int y);
    void Keep();

    // Columns that fit an item word.
    static constexpr int columnLimit = 1 << 22;

    SweepCache& m_cache;
    Rasterizer& m_rasterizer;
    // Null when nothing is recorded.
    uint32_t* m_record = nullptr;
    unsigned m_entry = 0;
    unsigned m_keyWords = 0;
    unsigned m_used = 0;
    // Where the words of the scanline being swept begin: three for the rows examined, the row and
    // the number of item words, then the items.
    unsigned m_scanlineStart = 0;
    bool m_fits = true;
};

} // namespace PImpl
