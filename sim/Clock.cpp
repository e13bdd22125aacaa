#include "sim/Clock.h"

#include <algorithm>

namespace Sim
{

namespace
{
bool Earlier(const Event* a, const Event* b)
{
    return a->when != b->when ? a->when < b->when : a->sequence < b->sequence;
}
} // namespace

void Clock::Schedule(Event& event, Tick when)
{
    if (event.scheduled)
        Cancel(event);
    if (when < m_now)
        when = m_now;
    event.when = when;
    event.sequence = m_sequence++;
    event.scheduled = true;
    m_queue.insert(std::upper_bound(m_queue.begin(), m_queue.end(), &event, Earlier), &event);
    UpdateNext();
}

void Clock::Cancel(Event& event)
{
    if (!event.scheduled)
        return;
    auto it = std::find(m_queue.begin(), m_queue.end(), &event);
    if (it != m_queue.end())
        m_queue.erase(it);
    event.scheduled = false;
    event.when = never;
    UpdateNext();
}

void Clock::RunDueSlow()
{
    while (!m_queue.empty() && m_queue.front()->when <= m_now)
    {
        Event* event = m_queue.front();
        m_queue.erase(m_queue.begin());
        event->scheduled = false;
        UpdateNext();
        if (event->callback != nullptr)
            event->callback(event->context);
    }
    UpdateNext();
}

void Clock::RunUntil(Tick when)
{
    while (!m_queue.empty() && m_queue.front()->when <= when)
    {
        if (m_queue.front()->when > m_now)
            m_now = m_queue.front()->when;
        RunDueSlow();
    }
    if (when > m_now)
        m_now = when;
}

void Clock::Reset()
{
    for (Event* event : m_queue)
    {
        event->scheduled = false;
        event->when = never;
    }
    m_queue.clear();
    m_now = 0;
    m_sequence = 0;
    UpdateNext();
}

} // namespace Sim
