#include "misc.h"
#include "sim/World.h"
#include "stm32f4xx_rcc.h"
#include "stm32f4xx_tim.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

std::vector<std::string> m_trail;
volatile bool m_flag = false;

} // namespace

extern "C" void PendSV_Handler() { m_trail.push_back("PendSV"); }
extern "C" void SysTick_Handler() { m_trail.push_back("SysTick"); }

namespace
{

void Enable(IRQn_Type irq, uint8_t preemption, uint8_t sub = 0)
{
    NVIC_InitTypeDef init{};
    init.NVIC_IRQChannel = static_cast<uint8_t>(irq);
    init.NVIC_IRQChannelPreemptionPriority = preemption;
    init.NVIC_IRQChannelSubPriority = sub;
    init.NVIC_IRQChannelCmd = ENABLE;
    NVIC_Init(&init);
}

// A 1 MHz TIM2 with an update every `periodUs` microseconds (after SystemInit: 84 MHz kernel).
void StartTim2(uint32_t periodUs)
{
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM2, ENABLE);
    TIM_TimeBaseInitTypeDef base{};
    base.TIM_Prescaler = 83;
    base.TIM_CounterMode = TIM_CounterMode_Up;
    base.TIM_Period = periodUs - 1;
    base.TIM_ClockDivision = TIM_CKD_DIV1;
    TIM_TimeBaseInit(TIM2, &base);
    TIM_ClearITPendingBit(TIM2, TIM_IT_Update);
    TIM_ITConfig(TIM2, TIM_IT_Update, ENABLE);
    TIM_Cmd(TIM2, ENABLE);
}

class CoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_trail.clear();
        m_flag = false;
        SystemInit();
        NVIC_PriorityGroupConfig(NVIC_PriorityGroup_4);
    }
    Sim::World& world = Sim::World::Get();
};

} // namespace

TEST_F(CoreTest, TimerUpdatePreemptsANopLoopAtTheExpectedTime)
{
    static Sim::Tick entered = 0;
    world.SetHandler(TIM2_IRQn, [] {
        entered = Sim::World::Get().Now();
        TIM_ClearITPendingBit(TIM2, TIM_IT_Update);
        m_flag = true;
    });
    Enable(TIM2_IRQn, 1);
    StartTim2(1000);
    const Sim::Tick started = world.Now();
    while (!m_flag)
        __NOP();
    // 1000 counts of 1 us from the start; the start itself lies within the last few accesses.
    EXPECT_GE(entered, started + 1000 * Sim::ticksPerMicrosecond - 2 * Sim::ticksPerMicrosecond);
    EXPECT_LE(entered, started + 1000 * Sim::ticksPerMicrosecond);
    EXPECT_LT(world.Now() - entered, Sim::ticksPerMicrosecond);
}

TEST_F(CoreTest, DisabledInterruptStaysPendingUntilEnabled)
{
    world.SetHandler(TIM2_IRQn, [] {
        TIM_ClearITPendingBit(TIM2, TIM_IT_Update);
        m_flag = true;
    });
    StartTim2(100);
    world.RunFor(Sim::World::Microseconds(150));
    EXPECT_FALSE(m_flag);
    EXPECT_TRUE(NVIC_GetPendingIRQ(TIM2_IRQn));
    Enable(TIM2_IRQn, 1);
    EXPECT_TRUE(m_flag); // taken right at the enabling write
}

TEST_F(CoreTest, HigherPriorityPreemptsLowerAndNotTheOtherWayRound)
{
    static int lowEntries = 0;
    world.SetHandler(EXTI0_IRQn, [] {
        m_trail.push_back("low enter");
        if (++lowEntries == 1)
            NVIC_SetPendingIRQ(EXTI1_IRQn); // more urgent: taken at once
        m_trail.push_back("low exit");
    });
    world.SetHandler(EXTI1_IRQn, [] {
        m_trail.push_back("high enter");
        NVIC_SetPendingIRQ(EXTI0_IRQn); // less urgent and active: waits for both to finish
        m_trail.push_back("high exit");
    });
    Enable(EXTI0_IRQn, 8);
    Enable(EXTI1_IRQn, 2);
    NVIC_SetPendingIRQ(EXTI0_IRQn);
    EXPECT_EQ(m_trail, (std::vector<std::string>{"low enter", "high enter", "high exit", "low exit", "low enter",
                                                 "low exit"}));
    EXPECT_FALSE(NVIC_GetActive(EXTI0_IRQn));
    EXPECT_FALSE(NVIC_GetPendingIRQ(EXTI0_IRQn));
}

TEST_F(CoreTest, EqualGroupPriorityDoesNotPreempt)
{
    world.SetHandler(EXTI0_IRQn, [] {
        m_trail.push_back("a enter");
        NVIC_SetPendingIRQ(EXTI1_IRQn);
        m_trail.push_back("a exit");
    });
    world.SetHandler(EXTI1_IRQn, [] { m_trail.push_back("b"); });
    // Group 2: two bits of preemption; the sub-priority only orders pending interrupts.
    NVIC_PriorityGroupConfig(NVIC_PriorityGroup_2);
    Enable(EXTI0_IRQn, 1, 3);
    Enable(EXTI1_IRQn, 1, 0);
    NVIC_SetPendingIRQ(EXTI0_IRQn);
    EXPECT_EQ(m_trail, (std::vector<std::string>{"a enter", "a exit", "b"}));
}

TEST_F(CoreTest, PrimaskHoldsInterruptsOff)
{
    world.SetHandler(EXTI3_IRQn, [] { m_flag = true; });
    Enable(EXTI3_IRQn, 8);
    __disable_irq();
    NVIC_SetPendingIRQ(EXTI3_IRQn);
    for (int i = 0; i < 100; ++i)
        __NOP();
    EXPECT_FALSE(m_flag);
    EXPECT_EQ(__get_PRIMASK(), 1u);
    __enable_irq();
    EXPECT_TRUE(m_flag);
}

namespace
{
struct Call
{
    int value = 0;
};

void ServiceCall(void*, void*, void*) {}

extern "C" void TestSvcHandler()
{
    // Selects the stack as the firmware does and reads the caller's r0..r2 from the frame.
    const uint32_t excReturn = __get_LR();
    const uintptr_t sp = (excReturn & 4) != 0 ? __get_PSP() : __get_MSP();
    const auto* frame = reinterpret_cast<const VelmoraExceptionFrame*>(sp);
    auto* call = reinterpret_cast<Call*>(frame->r0);
    call->value = static_cast<int>(frame->r1 + frame->r2);
    m_trail.push_back("svc " + std::to_string(excReturn == EXC_RETURN_THREAD_MSP));
    // An interrupt pended inside the call waits for it to finish.
    NVIC_SetPendingIRQ(EXTI0_IRQn);
    for (int i = 0; i < 10; ++i)
        __NOP();
    m_trail.push_back("svc end");
}
} // namespace

TEST_F(CoreTest, SupervisorCallRunsAtPriorityZeroWithItsFrame)
{
    (void)ServiceCall;
    world.board().core().SetHandler(Sim::excSvCall, TestSvcHandler);
    world.SetHandler(EXTI0_IRQn, [] { m_trail.push_back("irq"); });
    Enable(EXTI0_IRQn, 1);
    Call call;
    __SVC0(reinterpret_cast<uintptr_t>(&call), 40, 2, 0);
    EXPECT_EQ(call.value, 42);
    EXPECT_EQ(m_trail, (std::vector<std::string>{"svc 1", "svc end", "irq"}));
}

TEST_F(CoreTest, SupervisorCallWithInterruptsMaskedEscalatesToHardFault)
{
    world.board().core().SetHandler(Sim::excSvCall, [] { m_trail.push_back("svc"); });
    world.board().core().SetHandler(Sim::excHardFault, [] { m_trail.push_back("hard fault"); });
    __disable_irq();
    __SVC0(0, 0, 0, 0);
    __enable_irq();
    EXPECT_EQ(m_trail, std::vector<std::string>{"hard fault"});
    EXPECT_NE(SCB->HFSR & SCB_HFSR_FORCED, 0u);
}

TEST_F(CoreTest, LevelInterruptStillAssertedIsTakenAgain)
{
    static int entries = 0;
    world.SetHandler(TIM2_IRQn, [] {
        if (++entries == 2)
            TIM_ClearITPendingBit(TIM2, TIM_IT_Update);
    });
    Enable(TIM2_IRQn, 1);
    StartTim2(10);
    while (entries < 2)
        __NOP();
    EXPECT_EQ(entries, 2);
}

TEST_F(CoreTest, LineRisingAgainWhileItsHandlerRunsPendsItAgain)
{
    // A peripheral whose request is served, then raised and served again while the handler still
    // runs (a pulse): the rising edge pends the active interrupt, so the handler runs twice.
    static int entries = 0;
    world.SetHandler(EXTI2_IRQn, [] {
        Sim::Core& core = Sim::World::Get().board().core();
        if (++entries == 1)
        {
            core.SetIrqLine(EXTI2_IRQn, false);
            core.SetIrqLine(EXTI2_IRQn, true);
            EXPECT_TRUE(NVIC_GetPendingIRQ(EXTI2_IRQn));
        }
        core.SetIrqLine(EXTI2_IRQn, false);
    });
    Enable(EXTI2_IRQn, 8);
    world.board().core().SetIrqLine(EXTI2_IRQn, true);
    __NOP(); // taken here
    EXPECT_EQ(entries, 2);
    EXPECT_FALSE(NVIC_GetPendingIRQ(EXTI2_IRQn));
}

TEST_F(CoreTest, ResetRequestKeepsThePriorityGrouping)
{
    EXPECT_THROW(NVIC_SystemReset(), Sim::ResetRequest);
    EXPECT_EQ(SCB->AIRCR & SCB_AIRCR_PRIGROUP, NVIC_PriorityGroup_4);
}

TEST_F(CoreTest, AircrWithoutTheKeyIsIgnored)
{
    SCB->AIRCR = NVIC_PriorityGroup_0 | SCB_AIRCR_SYSRESETREQ;
    EXPECT_EQ(SCB->AIRCR, 0xFA050000u | NVIC_PriorityGroup_4);
}

TEST_F(CoreTest, UnmappedAccessIsAnErrorNamingTheAddress)
{
    world.CaptureDiagnostics();
    volatile uint32_t value = *VELMORA_PHYS(__IO32, 0x40007800);
    (void)value;
    const std::vector<std::string> diagnostics = world.TakeDiagnostics();
    ASSERT_EQ(diagnostics.size(), 1u);
    EXPECT_NE(diagnostics[0].find("read from address 0x40007800: "), std::string::npos) << diagnostics[0];

    *VELMORA_PHYS(__IO32, 0x40007804) = 0x12;
    const std::vector<std::string> written = world.TakeDiagnostics();
    ASSERT_EQ(written.size(), 1u);
    EXPECT_NE(written[0].find("write to address 0x40007804, value 0x00000012: "), std::string::npos) << written[0];
}

TEST_F(CoreTest, UnimplementedBitsAreReported)
{
    world.CaptureDiagnostics();
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM2, ENABLE);
    TIM2->CR2 = 0x8000; // reserved in TIM2's CR2
    const std::vector<std::string> diagnostics = world.TakeDiagnostics();
    ASSERT_EQ(diagnostics.size(), 1u);
    EXPECT_NE(diagnostics[0].find("TIM2"), std::string::npos);
    EXPECT_NE(diagnostics[0].find("CR2"), std::string::npos);
    EXPECT_NE(diagnostics[0].find("0x00008000"), std::string::npos);
}

TEST_F(CoreTest, HandlerSeesItselfActiveInIcsrAndIabr)
{
    static uint32_t icsr = 0;
    static uint32_t iabr = 0;
    world.SetHandler(EXTI9_5_IRQn, [] {
        icsr = SCB->ICSR;
        iabr = NVIC->IABR[0];
    });
    Enable(EXTI9_5_IRQn, 5);
    NVIC_SetPendingIRQ(EXTI9_5_IRQn);
    EXPECT_EQ(icsr & SCB_ICSR_VECTACTIVE, 16u + EXTI9_5_IRQn);
    EXPECT_NE(icsr & SCB_ICSR_RETTOBASE, 0u);
    EXPECT_EQ(iabr, 1u << EXTI9_5_IRQn);
    EXPECT_EQ(SCB->ICSR & SCB_ICSR_VECTACTIVE, 0u);
}

TEST_F(CoreTest, InterruptWithoutAHandlerIsReported)
{
    world.CaptureDiagnostics();
    world.SetHandler(SDIO_IRQn, nullptr);
    Enable(SDIO_IRQn, 10);
    NVIC_SetPendingIRQ(SDIO_IRQn);
    const std::vector<std::string> diagnostics = world.TakeDiagnostics();
    ASSERT_EQ(diagnostics.size(), 1u);
    EXPECT_NE(diagnostics[0].find("SDIO_IRQHandler"), std::string::npos);
    EXPECT_FALSE(NVIC_GetPendingIRQ(SDIO_IRQn));
}

TEST_F(CoreTest, UnmappedAccessOnALenientBoardIsABusFaultEscalatedToHardFault)
{
    static uint32_t cfsr = 0;
    static uint32_t bfar = 0;
    world.board().core().SetHandler(Sim::excHardFault, [] {
        cfsr = SCB->CFSR;
        bfar = SCB->BFAR;
    });
    world.board().SetStrict(false);
    world.board().SetDiagnosticSink(nullptr);
    testing::internal::CaptureStderr();
    const uint32_t value = *VELMORA_PHYS(__IO32, 0x40007800);
    const std::string warning = testing::internal::GetCapturedStderr();
    world.board().SetStrict(true);
    EXPECT_EQ(value, 0u);
    EXPECT_NE(warning.find("0x40007800"), std::string::npos);
    EXPECT_EQ(cfsr & (SCB_CFSR_PRECISERR | SCB_CFSR_BFARVALID), SCB_CFSR_PRECISERR | SCB_CFSR_BFARVALID);
    EXPECT_EQ(bfar, 0x40007800u);
    EXPECT_NE(SCB->HFSR & SCB_HFSR_FORCED, 0u);
    SCB->CFSR = SCB_CFSR_PRECISERR | SCB_CFSR_BFARVALID; // write 1 to clear
    EXPECT_EQ(SCB->CFSR, 0u);
}

TEST_F(CoreTest, SysTickCountsDownReloadsAndPendsItsException)
{
    static int ticks = 0;
    static Sim::Tick last = 0;
    world.SetHandler(static_cast<IRQn_Type>(SysTick_IRQn), [] {
        ++ticks;
        last = Sim::World::Get().Now();
    });
    // 1 ms at 168 MHz from the processor clock.
    SysTick->LOAD = 168000 - 1;
    SysTick->VAL = 0;
    const Sim::Tick start = world.Now();
    SysTick->CTRL = SysTick_CTRL_CLKSOURCE | SysTick_CTRL_TICKINT | SysTick_CTRL_ENABLE;
    world.RunFor(Sim::World::Microseconds(500));
    const uint32_t value = SysTick->VAL;
    EXPECT_NEAR(static_cast<double>(value), 168000.0 - 500 * 168, 200.0);
    world.RunFor(Sim::World::Microseconds(3000));
    EXPECT_EQ(ticks, 3);
    EXPECT_NEAR(static_cast<double>(last - start) / Sim::ticksPerMicrosecond, 3000.0, 1.0);
    EXPECT_NE(SysTick->CTRL & SysTick_CTRL_COUNTFLAG, 0u);
    EXPECT_EQ(SysTick->CTRL & SysTick_CTRL_COUNTFLAG, 0u) << "a read clears COUNTFLAG";

    // The external reference is HCLK / 8; without TICKINT only the flag tells.
    SysTick->CTRL = SysTick_CTRL_ENABLE;
    SysTick->VAL = 0;
    world.RunFor(Sim::World::Microseconds(7000));
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(SysTick->CTRL & SysTick_CTRL_COUNTFLAG, 0u) << "8 ms per period: not yet";
    world.RunFor(Sim::World::Microseconds(1100));
    EXPECT_NE(SysTick->CTRL & SysTick_CTRL_COUNTFLAG, 0u);
}

TEST_F(CoreTest, HostVectorTableTakesTheFirmwaresPendSvAndSysTickHandlers)
{
    // The handlers below are linked as the firmware's would be: the host table must find them.
    SCB->ICSR = SCB_ICSR_PENDSVSET;
    SCB->ICSR = SCB_ICSR_PENDSTSET;
    EXPECT_EQ(m_trail, (std::vector<std::string>{"PendSV", "SysTick"}));
}
