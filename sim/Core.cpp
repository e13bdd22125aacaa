#include "sim/Core.h"

#include "sim/Board.h"
#include "sim/Vectors.h"

#include <cstdio>
#include <exception>

namespace Sim
{

Core::Core(Board& board) : m_board(board)
{
    for (int e = 0; e < exceptionCount; ++e)
        m_handlers[e] = HostVector(e);
    Reset();
}

void Core::Reset()
{
    for (int e = 0; e < exceptionCount; ++e)
    {
        // System exceptions cannot be disabled (the configurable faults are escalated instead).
        m_enabled[e] = e < excFirstIrq;
        m_pending[e] = false;
        m_active[e] = false;
        m_line[e] = false;
        m_sources[e] = 0;
        m_priority[e] = 0;
    }
    m_prigroup = 0;
    m_groupMask = 0xFE;
    m_primask = false;
    m_psp = 0;
    m_depth = 0;
    Recompute();
}

int Core::GroupPriority(int exception) const
{
    switch (exception)
    {
    case excReset:
        return -3;
    case excNmi:
        return -2;
    case excHardFault:
        return -1;
    default:
        return m_priority[exception] & m_groupMask;
    }
}

void Core::SetIrqLine(int irq, bool level, int source)
{
    const int e = excFirstIrq + irq;
    if (level)
        m_sources[e] |= 1u << source;
    else
        m_sources[e] &= ~(1u << source);
    level = m_sources[e] != 0;
    if (m_line[e] == level)
        return;
    m_line[e] = level;
    // A rising line pends the interrupt, also while its handler runs (the handler then runs again
    // after it returns); the handler's exit pends it again if the line is still high then.
    if (level)
        SetPending(e, true);
}

void Core::SetEnabled(int irq, bool enabled)
{
    m_enabled[excFirstIrq + irq] = enabled;
    Recompute();
}

void Core::SetPending(int exception, bool pending)
{
    // A level-sensitive line that is high keeps its interrupt pending (clear-pending has no effect
    // while the peripheral still asserts it).
    if (!pending && exception >= excFirstIrq && m_line[exception] && !m_active[exception])
        pending = true;
    m_pending[exception] = pending;
    Recompute();
}

void Core::SetPriority(int exception, uint8_t priority)
{
    m_priority[exception] = static_cast<uint8_t>(priority & 0xF0);
    Recompute();
}

void Core::SetPriorityGrouping(uint32_t prigroup)
{
    m_prigroup = prigroup & 7;
    // Group priority is the priority byte above bit PRIGROUP.
    m_groupMask = static_cast<uint32_t>((0xFF << (m_prigroup + 1)) & 0xFF);
    Recompute();
}

void Core::SetPrimask(bool set)
{
    m_primask = set;
    Recompute();
    Poll();
}

void Core::Recompute()
{
    int execution = 256;
    for (int i = 0; i < m_depth; ++i)
    {
        const int p = GroupPriority(m_stack[i].exception);
        if (p < execution)
            execution = p;
    }
    if (m_primask && execution > 0)
        execution = 0;
    m_executionPriority = execution;

    // The pending exception to take next: lowest priority value (group and sub-priority), then
    // lowest exception number.
    int best = 0;
    int bestPriority = 1 << 16;
    for (int e = 1; e < exceptionCount; ++e)
    {
        if (!m_pending[e] || !m_enabled[e])
            continue;
        const int p = e <= excHardFault ? GroupPriority(e) * 256 : m_priority[e];
        if (p < bestPriority)
        {
            best = e;
            bestPriority = p;
        }
    }
    m_best = best;
    m_ready = best != 0 && GroupPriority(best) < m_executionPriority;
}

void Core::TakePending()
{
    while (m_ready)
    {
        VelmoraExceptionFrame frame{};
        frame.xpsr = 0x01000000;
        Enter(m_best, frame);
    }
}

void Core::Enter(int exception, const VelmoraExceptionFrame& frame)
{
    if (m_depth == maxDepth)
    {
        m_board.Diagnose("exception nesting deeper than the model allows (runaway preemption)");
        return;
    }
    Handler handler = m_handlers[exception];
    if (handler == nullptr)
    {
        char message[160];
        std::snprintf(message, sizeof message, "%s taken (exception %d) but no handler is linked",
                      ExceptionName(exception), exception);
        m_pending[exception] = false;
        Recompute();
        m_board.Diagnose(message);
        return;
    }

    Context& context = m_stack[m_depth];
    context.exception = exception;
    context.excReturn = m_depth == 0 ? EXC_RETURN_THREAD_MSP : EXC_RETURN_HANDLER_MSP;
    context.frame = frame;
    ++m_depth;
    m_pending[exception] = false;
    m_active[exception] = true;
    m_board.NoteExceptionEntry(exception);
    Recompute();

    try
    {
        handler();
    }
    catch (const ResetRequest&)
    {
        // The reset unwinds every handler: nothing is active afterwards.
        m_depth = 0;
        for (int e = 0; e < exceptionCount; ++e)
            m_active[e] = false;
        Recompute();
        throw;
    }
    catch (...)
    {
        // On the core an exception cannot unwind out of a handler: the run-time terminates.
        std::terminate();
    }

    --m_depth;
    m_active[exception] = false;
    if (exception >= excFirstIrq && m_line[exception])
        m_pending[exception] = true;
    m_board.NoteExceptionExit(exception);
    Recompute();
}

void Core::SupervisorCall(uintptr_t r0, uintptr_t r1, uintptr_t r2, uintptr_t r3)
{
    VelmoraExceptionFrame frame{};
    frame.r0 = r0;
    frame.r1 = r1;
    frame.r2 = r2;
    frame.r3 = r3;
    frame.xpsr = 0x01000000;
    if (GroupPriority(excSvCall) < m_executionPriority)
    {
        Enter(excSvCall, frame);
        Poll();
        return;
    }
    // SVCall cannot preempt (PRIMASK set, or called from a handler at or above its priority): the
    // core escalates it to HardFault.
    m_board.SetFaultStatus(0, SCB_HFSR_FORCED, 0, false);
    if (m_executionPriority <= GroupPriority(excHardFault))
    {
        m_board.Diagnose("supervisor call in HardFault or NMI: the core locks up");
        return;
    }
    Enter(excHardFault, frame);
    Poll();
}

void Core::Fault(uint32_t cfsrBits, uint32_t faultAddress, bool addressValid, const VelmoraExceptionFrame& frame)
{
    m_board.SetFaultStatus(cfsrBits, SCB_HFSR_FORCED, faultAddress, addressValid);
    if (m_executionPriority <= GroupPriority(excHardFault))
    {
        m_board.Diagnose("fault inside HardFault or NMI: the core locks up");
        return;
    }
    Enter(excHardFault, frame);
}

uintptr_t Core::MainStackPointer() const
{
    if (m_depth == 0)
        return reinterpret_cast<uintptr_t>(&m_threadFrame);
    return reinterpret_cast<uintptr_t>(&m_stack[m_depth - 1].frame);
}

void Core::RequestReset() { m_board.RequestReset(); }

const char* Core::ExceptionName(int exception) { return HostVectorName(exception); }

} // namespace Sim
