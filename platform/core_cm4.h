// Cortex-M4 core access: system control block, NVIC, SysTick and the core instructions the
// firmware uses. The device header includes it once IRQn_Type is declared; included first, it
// pulls in the device header itself.
//
// Board: the instructions are inline assembly. Host: they are hooks into the virtual board's
// exception model (interrupts are taken at register accesses and at __NOP()).
#pragma once

#include "stm32f4xx.h"
#include "velmora_register.h"

/* ---- System control block (0xE000ED00) ---- */
typedef struct
{
    __IO32 CPUID;   /* 0x00 CPUID base register (read-only) */
    __IO32 ICSR;    /* 0x04 interrupt control and state */
    __IO32 VTOR;    /* 0x08 vector table offset */
    __IO32 AIRCR;   /* 0x0C application interrupt and reset control */
    __IO32 SCR;     /* 0x10 system control */
    __IO32 CCR;     /* 0x14 configuration and control */
    __IO8 SHP[12];  /* 0x18 system handler priorities (handlers 4..15) */
    __IO32 SHCSR;   /* 0x24 system handler control and state */
    __IO32 CFSR;    /* 0x28 configurable fault status */
    __IO32 HFSR;    /* 0x2C hard fault status */
    __IO32 DFSR;    /* 0x30 debug fault status */
    __IO32 MMFAR;   /* 0x34 memory management fault address */
    __IO32 BFAR;    /* 0x38 bus fault address */
    __IO32 AFSR;    /* 0x3C auxiliary fault status */
    __IO32 PFR[2];  /* 0x40 processor feature */
    __IO32 DFR;     /* 0x48 debug feature */
    __IO32 ADR;     /* 0x4C auxiliary feature */
    __IO32 MMFR[4]; /* 0x50 memory model feature */
    __IO32 ISAR[5]; /* 0x60 instruction set attributes */
    uint32_t RESERVED0[5];
    __IO32 CPACR; /* 0x88 coprocessor access control */
} SCB_Type;

/* ---- NVIC (0xE000E100) ---- */
typedef struct
{
    __IO32 ISER[8]; /* 0x000 set-enable */
    uint32_t RESERVED0[24];
    __IO32 ICER[8]; /* 0x080 clear-enable */
    uint32_t RESERVED1[24];
    __IO32 ISPR[8]; /* 0x100 set-pending */
    uint32_t RESERVED2[24];
    __IO32 ICPR[8]; /* 0x180 clear-pending */
    uint32_t RESERVED3[24];
    __IO32 IABR[8]; /* 0x200 active bit (read-only) */
    uint32_t RESERVED4[56];
    __IO8 IP[240]; /* 0x300 interrupt priority, one byte per interrupt */
    uint32_t RESERVED5[644];
    __IO32 STIR; /* 0xE00 software trigger */
} NVIC_Type;

/* ---- SysTick (0xE000E010) ---- */
typedef struct
{
    __IO32 CTRL;
    __IO32 LOAD;
    __IO32 VAL;
    __IO32 CALIB;
} SysTick_Type;

#define SCS_BASE (0xE000E000UL)
#define SysTick_BASE (SCS_BASE + 0x0010UL)
#define NVIC_BASE (SCS_BASE + 0x0100UL)
#define SCB_BASE (SCS_BASE + 0x0D00UL)

#define SCB VELMORA_PHYS(SCB_Type, SCB_BASE)
#define SysTick VELMORA_PHYS(SysTick_Type, SysTick_BASE)
#define NVIC VELMORA_PHYS(NVIC_Type, NVIC_BASE)

#define __NVIC_PRIO_BITS 4

/* SCB ICSR */
#define SCB_ICSR_NMIPENDSET ((uint32_t)1 << 31)
#define SCB_ICSR_PENDSVSET ((uint32_t)1 << 28)
#define SCB_ICSR_PENDSVCLR ((uint32_t)1 << 27)
#define SCB_ICSR_PENDSTSET ((uint32_t)1 << 26)
#define SCB_ICSR_PENDSTCLR ((uint32_t)1 << 25)
#define SCB_ICSR_ISRPENDING ((uint32_t)1 << 22)
#define SCB_ICSR_VECTPENDING ((uint32_t)0x1FF << 12)
#define SCB_ICSR_RETTOBASE ((uint32_t)1 << 11)
#define SCB_ICSR_VECTACTIVE ((uint32_t)0x1FF)
/* SCB AIRCR */
#define SCB_AIRCR_VECTKEY_Pos 16
#define SCB_AIRCR_VECTKEY ((uint32_t)0xFFFF << 16)
#define SCB_AIRCR_VECTKEYSTAT ((uint32_t)0xFFFF << 16)
#define SCB_AIRCR_ENDIANESS ((uint32_t)1 << 15)
#define SCB_AIRCR_PRIGROUP_Pos 8
#define SCB_AIRCR_PRIGROUP ((uint32_t)7 << 8)
#define SCB_AIRCR_SYSRESETREQ ((uint32_t)1 << 2)
#define SCB_AIRCR_VECTCLRACTIVE ((uint32_t)1 << 1)
#define SCB_AIRCR_VECTRESET ((uint32_t)1 << 0)
/* SCB SCR */
#define SCB_SCR_SEVONPEND ((uint32_t)1 << 4)
#define SCB_SCR_SLEEPDEEP ((uint32_t)1 << 2)
#define SCB_SCR_SLEEPONEXIT ((uint32_t)1 << 1)
/* SCB CCR */
#define SCB_CCR_STKALIGN ((uint32_t)1 << 9)
#define SCB_CCR_BFHFNMIGN ((uint32_t)1 << 8)
#define SCB_CCR_DIV_0_TRP ((uint32_t)1 << 4)
#define SCB_CCR_UNALIGN_TRP ((uint32_t)1 << 3)
#define SCB_CCR_USERSETMPEND ((uint32_t)1 << 1)
#define SCB_CCR_NONBASETHRDENA ((uint32_t)1 << 0)
/* SCB SHCSR */
#define SCB_SHCSR_USGFAULTENA ((uint32_t)1 << 18)
#define SCB_SHCSR_BUSFAULTENA ((uint32_t)1 << 17)
#define SCB_SHCSR_MEMFAULTENA ((uint32_t)1 << 16)
#define SCB_SHCSR_SVCALLPENDED ((uint32_t)1 << 15)
#define SCB_SHCSR_BUSFAULTPENDED ((uint32_t)1 << 14)
#define SCB_SHCSR_MEMFAULTPENDED ((uint32_t)1 << 13)
#define SCB_SHCSR_USGFAULTPENDED ((uint32_t)1 << 12)
#define SCB_SHCSR_SYSTICKACT ((uint32_t)1 << 11)
#define SCB_SHCSR_PENDSVACT ((uint32_t)1 << 10)
#define SCB_SHCSR_MONITORACT ((uint32_t)1 << 8)
#define SCB_SHCSR_SVCALLACT ((uint32_t)1 << 7)
#define SCB_SHCSR_USGFAULTACT ((uint32_t)1 << 3)
#define SCB_SHCSR_BUSFAULTACT ((uint32_t)1 << 1)
#define SCB_SHCSR_MEMFAULTACT ((uint32_t)1 << 0)
/* SCB CFSR: MMFSR (bits 0-7), BFSR (8-15), UFSR (16-31) */
#define SCB_CFSR_IACCVIOL ((uint32_t)1 << 0)
#define SCB_CFSR_DACCVIOL ((uint32_t)1 << 1)
#define SCB_CFSR_MMARVALID ((uint32_t)1 << 7)
#define SCB_CFSR_IBUSERR ((uint32_t)1 << 8)
#define SCB_CFSR_PRECISERR ((uint32_t)1 << 9)
#define SCB_CFSR_IMPRECISERR ((uint32_t)1 << 10)
#define SCB_CFSR_BFARVALID ((uint32_t)1 << 15)
#define SCB_CFSR_UNDEFINSTR ((uint32_t)1 << 16)
#define SCB_CFSR_INVSTATE ((uint32_t)1 << 17)
#define SCB_CFSR_UNALIGNED ((uint32_t)1 << 24)
#define SCB_CFSR_DIVBYZERO ((uint32_t)1 << 25)
/* SCB HFSR */
#define SCB_HFSR_DEBUGEVT ((uint32_t)1 << 31)
#define SCB_HFSR_FORCED ((uint32_t)1 << 30)
#define SCB_HFSR_VECTTBL ((uint32_t)1 << 1)
/* SysTick CTRL */
#define SysTick_CTRL_COUNTFLAG ((uint32_t)1 << 16)
#define SysTick_CTRL_CLKSOURCE ((uint32_t)1 << 2)
#define SysTick_CTRL_TICKINT ((uint32_t)1 << 1)
#define SysTick_CTRL_ENABLE ((uint32_t)1 << 0)
#define SysTick_LOAD_RELOAD ((uint32_t)0xFFFFFF)

/* EXC_RETURN values seen in LR on exception entry. */
#define EXC_RETURN_HANDLER_MSP (0xFFFFFFF1UL)
#define EXC_RETURN_THREAD_MSP (0xFFFFFFF9UL)
#define EXC_RETURN_THREAD_PSP (0xFFFFFFFDUL)

#ifdef __cplusplus
/* The exception frame the core stacks on entry. Words are pointer-sized so that on the host the
 * argument registers can carry host pointers; on the board they are the 32-bit stacked words. */
struct VelmoraExceptionFrame
{
    uintptr_t r0;
    uintptr_t r1;
    uintptr_t r2;
    uintptr_t r3;
    uintptr_t r12;
    uintptr_t lr;
    uintptr_t pc;
    uintptr_t xpsr;
};
#endif

#if defined(VELMORA_BOARD_BUILD)

static inline void __NOP(void) { __asm volatile("nop"); }
static inline void __DSB(void) { __asm volatile("dsb 0xF" ::: "memory"); }
static inline void __ISB(void) { __asm volatile("isb 0xF" ::: "memory"); }
static inline void __DMB(void) { __asm volatile("dmb 0xF" ::: "memory"); }
static inline void __enable_irq(void) { __asm volatile("cpsie i" ::: "memory"); }
static inline void __disable_irq(void) { __asm volatile("cpsid i" ::: "memory"); }
static inline uint32_t __get_PRIMASK(void)
{
    uint32_t result;
    __asm volatile("mrs %0, primask" : "=r"(result)::"memory");
    return result;
}
static inline void __set_PRIMASK(uint32_t priMask) { __asm volatile("msr primask, %0" ::"r"(priMask) : "memory"); }
static inline uintptr_t __get_MSP(void)
{
    uintptr_t result;
    __asm volatile("mrs %0, msp" : "=r"(result));
    return result;
}
static inline uintptr_t __get_PSP(void)
{
    uintptr_t result;
    __asm volatile("mrs %0, psp" : "=r"(result));
    return result;
}
static inline void __set_PSP(uintptr_t topOfProcStack) { __asm volatile("msr psp, %0" ::"r"(topOfProcStack)); }
static inline uint32_t __get_CONTROL(void)
{
    uint32_t result;
    __asm volatile("mrs %0, control" : "=r"(result));
    return result;
}
/* LR as it is right now. On exception entry it holds EXC_RETURN; that value is only still there at
 * the very start of a handler (before any call), so read it first thing, or in a naked function. */
static inline __attribute__((always_inline)) uint32_t __get_LR(void)
{
    uint32_t result;
    __asm volatile("mov %0, lr" : "=r"(result));
    return result;
}
/* Supervisor call number 0 with r0..r3 = a0..a3. The handler may change the stacked registers,
 * which the exception return restores, so all four are outputs too. */
static inline void __SVC0(uintptr_t a0, uintptr_t a1, uintptr_t a2, uintptr_t a3)
{
    register uintptr_t r0 __asm("r0") = a0;
    register uintptr_t r1 __asm("r1") = a1;
    register uintptr_t r2 __asm("r2") = a2;
    register uintptr_t r3 __asm("r3") = a3;
    __asm volatile("svc 0" : "+r"(r0), "+r"(r1), "+r"(r2), "+r"(r3) : : "memory");
}

#else /* host */

namespace VelmoraHost
{
void CoreNop();
void CoreSetPrimask(uint32_t value);
uint32_t CoreGetPrimask();
uintptr_t CoreGetMsp();
uintptr_t CoreGetPsp();
void CoreSetPsp(uintptr_t value);
uint32_t CoreGetControl();
uint32_t CoreGetExcReturn();
void CoreSupervisorCall(uintptr_t r0, uintptr_t r1, uintptr_t r2, uintptr_t r3);
} // namespace VelmoraHost

/* __NOP is a point where the virtual board takes interrupts and lets time pass. */
static inline void __NOP(void) { VelmoraHost::CoreNop(); }
/* Barriers: the virtual board completes every access in order, so these only stop the compiler. */
static inline void __DSB(void) { __asm volatile("" ::: "memory"); }
static inline void __ISB(void) { __asm volatile("" ::: "memory"); }
static inline void __DMB(void) { __asm volatile("" ::: "memory"); }
static inline void __enable_irq(void) { VelmoraHost::CoreSetPrimask(0); }
static inline void __disable_irq(void) { VelmoraHost::CoreSetPrimask(1); }
static inline uint32_t __get_PRIMASK(void) { return VelmoraHost::CoreGetPrimask(); }
static inline void __set_PRIMASK(uint32_t priMask) { VelmoraHost::CoreSetPrimask(priMask); }
/* In a handler, the main stack pointer points at the exception frame of the innermost exception
 * (as it does on the core at handler entry). */
static inline uintptr_t __get_MSP(void) { return VelmoraHost::CoreGetMsp(); }
static inline uintptr_t __get_PSP(void) { return VelmoraHost::CoreGetPsp(); }
static inline void __set_PSP(uintptr_t topOfProcStack) { VelmoraHost::CoreSetPsp(topOfProcStack); }
static inline uint32_t __get_CONTROL(void) { return VelmoraHost::CoreGetControl(); }
/* The EXC_RETURN value of the innermost active exception (what LR holds at its entry). */
static inline uint32_t __get_LR(void) { return VelmoraHost::CoreGetExcReturn(); }
/* Enters SVCall (priority from SHPR2, reset 0) with a frame holding r0..r3 = a0..a3. */
static inline void __SVC0(uintptr_t a0, uintptr_t a1, uintptr_t a2, uintptr_t a3)
{
    VelmoraHost::CoreSupervisorCall(a0, a1, a2, a3);
}

#endif

/* Priority and enable helpers over the NVIC and SCB registers (as the core's support layer has). */
static inline void NVIC_EnableIRQ(IRQn_Type irq)
{
    NVIC->ISER[(uint32_t)irq >> 5] = (uint32_t)1 << ((uint32_t)irq & 0x1F);
}
static inline void NVIC_DisableIRQ(IRQn_Type irq)
{
    NVIC->ICER[(uint32_t)irq >> 5] = (uint32_t)1 << ((uint32_t)irq & 0x1F);
}
static inline void NVIC_SetPendingIRQ(IRQn_Type irq)
{
    NVIC->ISPR[(uint32_t)irq >> 5] = (uint32_t)1 << ((uint32_t)irq & 0x1F);
}
static inline void NVIC_ClearPendingIRQ(IRQn_Type irq)
{
    NVIC->ICPR[(uint32_t)irq >> 5] = (uint32_t)1 << ((uint32_t)irq & 0x1F);
}
static inline uint32_t NVIC_GetPendingIRQ(IRQn_Type irq)
{
    return (NVIC->ISPR[(uint32_t)irq >> 5] >> ((uint32_t)irq & 0x1F)) & 1U;
}
static inline uint32_t NVIC_GetActive(IRQn_Type irq)
{
    return (NVIC->IABR[(uint32_t)irq >> 5] >> ((uint32_t)irq & 0x1F)) & 1U;
}
static inline void NVIC_SetPriority(IRQn_Type irq, uint32_t priority)
{
    if ((int32_t)irq < 0)
        SCB->SHP[((uint32_t)irq & 0xF) - 4] = (uint8_t)((priority << (8 - __NVIC_PRIO_BITS)) & 0xFF);
    else
        NVIC->IP[(uint32_t)irq] = (uint8_t)((priority << (8 - __NVIC_PRIO_BITS)) & 0xFF);
}
static inline uint32_t NVIC_GetPriority(IRQn_Type irq)
{
    if ((int32_t)irq < 0)
        return (uint32_t)SCB->SHP[((uint32_t)irq & 0xF) - 4] >> (8 - __NVIC_PRIO_BITS);
    return (uint32_t)NVIC->IP[(uint32_t)irq] >> (8 - __NVIC_PRIO_BITS);
}
/* Requests a system reset, keeping the priority grouping, and waits for it. */
static inline void NVIC_SystemReset(void)
{
    __DSB();
    SCB->AIRCR = (uint32_t)((0x5FAUL << SCB_AIRCR_VECTKEY_Pos) | (SCB->AIRCR & SCB_AIRCR_PRIGROUP) |
                            SCB_AIRCR_SYSRESETREQ);
    __DSB();
    for (;;)
        __NOP();
}
