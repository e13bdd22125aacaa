// Exception entries that hand the interrupted code's stacked frame to a C++ continuation.
//
// VELMORA_EXCEPTION_ENTRY(Name, Continuation) defines the handler `Name` (unmangled). On entry it
// finds the exception frame of the code the exception interrupted: on the main stack when bit 2
// of the exception-return value is clear, otherwise on the process stack. It then continues in
// `Continuation`, an `extern "C" void (VelmoraExceptionFrame*)`, whose return is the return from
// the exception.
//
// Board: a naked entry of four instructions that tail-branches with LR (EXC_RETURN) untouched,
// so the frame pointer is taken before any register is pushed. Host: the virtual board's
// exception model keeps EXC_RETURN and both stack pointers of the innermost active exception.
#pragma once

#include "stm32f4xx.h"

#if defined(VELMORA_BOARD_BUILD)

#define VELMORA_EXCEPTION_ENTRY(Name, Continuation)                                                    \
    extern "C" __attribute__((naked)) void Name(void)                                                  \
    {                                                                                                  \
        __asm volatile("tst lr, #4\n\t"                                                                \
                       "ite eq\n\t"                                                                    \
                       "mrseq r0, msp\n\t"                                                             \
                       "mrsne r0, psp\n\t"                                                             \
                       "b " #Continuation);                                                            \
    }

#else

#define VELMORA_EXCEPTION_ENTRY(Name, Continuation)                                                    \
    extern "C" void Name(void)                                                                         \
    {                                                                                                  \
        const uintptr_t frame = (__get_LR() & 4u) != 0 ? __get_PSP() : __get_MSP();                    \
        Continuation(reinterpret_cast<VelmoraExceptionFrame*>(frame));                                 \
    }

#endif
