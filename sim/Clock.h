// Virtual time and the event queue of the virtual board.
//
// Time is counted in ticks of 1/8.4 GHz: that is a whole number of ticks per cycle of every
// clock the board uses (HSI 16 MHz: 525, HSE 25 MHz: 336, SYSCLK 168 MHz: 50, 84 MHz timer
// clock: 100, 48 MHz: 175), so no clock drifts against another. CPU cycles are derived from
// ticks at the configured SYSCLK. A 64-bit tick count lasts 69 years.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Sim
{

using Tick = uint64_t;

constexpr Tick ticksPerSecond = 8400000000ULL;
constexpr Tick ticksPerMillisecond = ticksPerSecond / 1000;
constexpr Tick ticksPerMicrosecond = ticksPerSecond / 1000000;
constexpr Tick never = ~Tick(0);

// Ticks per period of a clock of `hz` (rounded; exact for the board's clocks).
constexpr Tick TicksPerCycle(uint64_t hz) { return hz == 0 ? never : (ticksPerSecond + hz / 2) / hz; }

// A scheduled action. Owned by whoever schedules it (usually a model); no allocation happens when
// it is (re)scheduled. `callback(context)` runs when virtual time reaches `when`.
struct Event
{
    using Callback = void (*)(void* context);

    Event() = default;
    Event(const char* eventName, Callback eventCallback, void* eventContext)
        : name(eventName), callback(eventCallback), context(eventContext)
    {
    }

    const char* name = "";
    Callback callback = nullptr;
    void* context = nullptr;
    Tick when = never;
    uint64_t sequence = 0; // orders events due at the same tick by scheduling order
    bool scheduled = false;
};

class Clock
{
public:
    Tick Now() const { return m_now; }
    Tick NextEventTime() const { return m_next; }

    // Moves time forward without running events (the bus runs them at the next check).
    void Advance(Tick ticks) { m_now += ticks; }

    // Schedules (or moves) `event` to absolute time `when` (not earlier than now).
    void Schedule(Event& event, Tick when);
    void ScheduleIn(Event& event, Tick delay) { Schedule(event, m_now + delay); }
    void Cancel(Event& event);

    // Runs every event due at or before now, in time then scheduling order. Returns true when at
    // least one ran.
    bool RunDue()
    {
        if (m_now < m_next)
            return false;
        RunDueSlow();
        return true;
    }

    // Sets time to `when` and runs what is due up to it, event by event (each runs at its own
    // time).
    void RunUntil(Tick when);

    // Forgets every event and restarts time at 0.
    void Reset();

    size_t PendingEvents() const { return m_queue.size(); }

private:
    void RunDueSlow();
    void UpdateNext() { m_next = m_queue.empty() ? never : m_queue.front()->when; }

    Tick m_now = 0;
    Tick m_next = never;
    uint64_t m_sequence = 0;
    std::vector<Event*> m_queue; // sorted by (when, sequence); short, so insertion is linear
};

} // namespace Sim
