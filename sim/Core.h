// The Cortex-M4 exception model of the virtual board.
//
// Follows the ARMv7-M architecture reference (exception entry, priority, preemption and return)
// at the level the firmware can observe: per-interrupt enable, pending and active state, the
// priority bytes (4 implemented bits) split by AIRCR.PRIGROUP into group priority and
// sub-priority, preemption only by a strictly higher group priority, nesting, PRIMASK, SVCall
// with its SHPR2 priority (escalated to HardFault when it cannot be taken), HardFault entry with
// CFSR/HFSR/BFAR, and level-sensitive interrupt lines (a line still high at exception return
// pends the interrupt again).
//
// Handlers run on the firmware's own thread: an exception is entered by calling its handler from
// the vector table, right at the register access or __NOP() where it became due. Tail-chaining,
// late arrival and stacking time are not modelled (they cost no virtual time here).
#pragma once

#include "stm32f4xx.h"

#include <cstdint>

namespace Sim
{

class Board;

// Exception numbers as the core counts them.
enum Exception : int
{
    excReset = 1,
    excNmi = 2,
    excHardFault = 3,
    excMemManage = 4,
    excBusFault = 5,
    excUsageFault = 6,
    excSvCall = 11,
    excDebugMonitor = 12,
    excPendSv = 14,
    excSysTick = 15,
    excFirstIrq = 16,
};

constexpr int irqCount = 82;
constexpr int exceptionCount = excFirstIrq + irqCount;

using Handler = void (*)();

// Thrown (as a non-standard exception, so firmware `catch (std::exception&)` does not take it)
// when the firmware requests a system reset and no reset handler is installed.
struct ResetRequest
{
};

class Core
{
public:
    explicit Core(Board& board);

    void Reset();

    // Interrupt lines from the peripherals (level-sensitive). Interrupts shared by two peripherals
    // (TIM1 update and TIM10) are the OR of their sources; `source` tells them apart (0..31).
    void SetIrqLine(int irq, bool level, int source = 0);
    void PendIrq(int irq) { SetPending(excFirstIrq + irq, true); }

    // NVIC/SCB state, driven by the system control space model.
    void SetEnabled(int irq, bool enabled);
    bool IsEnabled(int irq) const { return m_enabled[excFirstIrq + irq]; }
    void SetPending(int exception, bool pending);
    bool IsPending(int exception) const { return m_pending[exception]; }
    bool IsActive(int exception) const { return m_active[exception]; }
    void SetPriority(int exception, uint8_t priority);
    uint8_t Priority(int exception) const { return m_priority[exception]; }
    void SetPriorityGrouping(uint32_t prigroup);
    uint32_t PriorityGrouping() const { return m_prigroup; }

    // PRIMASK (taking what it held off right away when cleared).
    void SetPrimask(bool set);
    bool Primask() const { return m_primask; }

    // The group priority the core runs at now: 256 in thread mode with nothing masked.
    int ExecutionPriority() const { return m_executionPriority; }
    // The exception being handled (0 in thread mode) and the pending one that would be taken next.
    int ActiveException() const { return m_depth == 0 ? 0 : m_stack[m_depth - 1].exception; }
    int PendingException() const { return m_best; }
    int Depth() const { return m_depth; }

    // Takes every pending exception that may preempt now. Called at register accesses and __NOP().
    void Poll()
    {
        if (m_ready)
            TakePending();
    }
    bool InterruptReady() const { return m_ready; }

    // Supervisor call with r0..r3; HardFault when SVCall cannot be taken at this priority.
    void SupervisorCall(uintptr_t r0, uintptr_t r1, uintptr_t r2, uintptr_t r3 = 0);
    // A synchronous fault escalated to HardFault (the configurable faults are never enabled by the
    // firmware): sets the status registers and runs the handler.
    // `frame` is what the core stacks: the registers of the code that faulted.
    void Fault(uint32_t cfsrBits, uint32_t faultAddress, bool addressValid, const VelmoraExceptionFrame& frame);

    // Frame and EXC_RETURN of the innermost exception (what the handler sees on its stack/in LR).
    uintptr_t MainStackPointer() const;
    uintptr_t ProcessStackPointer() const { return m_psp; }
    void SetProcessStackPointer(uintptr_t value) { m_psp = value; }
    uint32_t ExcReturn() const { return m_depth == 0 ? 0 : m_stack[m_depth - 1].excReturn; }

    // Handlers: start from the host vector table; tests may replace one.
    void SetHandler(int exception, Handler handler) { m_handlers[exception] = handler; }
    Handler GetHandler(int exception) const { return m_handlers[exception]; }
    static const char* ExceptionName(int exception);

    // A reset request from AIRCR.SYSRESETREQ.
    void RequestReset();

private:
    struct Context
    {
        int exception;
        uint32_t excReturn;
        VelmoraExceptionFrame frame;
    };
    static constexpr int maxDepth = 48;

    int GroupPriority(int exception) const;
    void Recompute();
    void TakePending();
    void Enter(int exception, const VelmoraExceptionFrame& frame);

    Board& m_board;
    bool m_enabled[exceptionCount];
    bool m_pending[exceptionCount];
    bool m_active[exceptionCount];
    bool m_line[exceptionCount];
    uint32_t m_sources[exceptionCount];
    uint8_t m_priority[exceptionCount];
    Handler m_handlers[exceptionCount];
    uint32_t m_prigroup = 0;
    uint32_t m_groupMask = 0xFF;
    bool m_primask = false;
    int m_executionPriority = 256;
    int m_best = 0;
    bool m_ready = false;
    uintptr_t m_psp = 0;
    Context m_stack[maxDepth];
    int m_depth = 0;
    VelmoraExceptionFrame m_threadFrame{};
};

} // namespace Sim
