#include "system/Stopwatch.h"

#include "system/PImpl/Stopwatch.h"

namespace Velmora
{

Stopwatch::Stopwatch() : m_implementation(new PImpl::Stopwatch())
{
}

Stopwatch::~Stopwatch()
{
    delete m_implementation;
}

void Stopwatch::Start()
{
    m_implementation->Start();
}

void Stopwatch::Restart()
{
    m_implementation->Restart();
}

float Stopwatch::GetElapsedSeconds() const
{
    return m_implementation->GetElapsedSeconds();
}

float Stopwatch::GetElapsedMilliseconds() const
{
    return m_implementation->GetElapsedMilliseconds();
}

float Stopwatch::GetElapsedMicroseconds() const
{
    return m_implementation->GetElapsedMicroseconds();
}

void Stopwatch::DelaySeconds(float seconds)
{
    PImpl::Stopwatch::DelaySeconds(seconds);
}

void Stopwatch::DelayMilliseconds(float milliseconds)
{
    PImpl::Stopwatch::DelayMilliseconds(milliseconds);
}

} // namespace Velmora

extern "C" void StopwatchDelayMicroS(uint32_t microseconds)
{
    PImpl::Stopwatch::DelayMicroseconds(static_cast<float>(microseconds));
}

extern "C" void StopwatchDelayMilliS(uint32_t milliseconds)
{
    PImpl::Stopwatch::DelayMilliseconds(static_cast<float>(milliseconds));
}
