#include "system/Driver/NVIC.h"
#include "system/Driver/Timer.h"
#include "system/Stopwatch.h"
#include "system/System.h"

#include "graphics/LCD.h"

#include "sim/Console.h"
#include "sim/Firmware.h"
#include "sim/World.h"
#include "sim/devices/SSD1963.h"

#include "stm32f4xx.h"
#include "system_stm32f4xx.h"

#include <cxxabi.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

extern "C" void __cxa_pure_virtual();

namespace
{

using Velmora::System;

class SystemTest : public ::testing::Test
{
protected:
    void SetUp() override { SystemInit(); }

    static Sim::World& World() { return Sim::World::Get(); }
    static Sim::Core& Core() { return World().board().core(); }
};

// ---- versions ----

TEST_F(SystemTest, LibraryVersionIsTheBuildsWhateverTheHardwareSays)
{
    // The library's version belongs to the firmware; only the hardware version comes from the
    // one-time-programmable area.
    World().ProgramOtp(0, {0x45});
    EXPECT_EQ(2, System::GetInstance().GetHardwareMajorVersion());
    EXPECT_EQ(1, System::GetInstance().GetLibraryMajorVersion());
    EXPECT_EQ(3, System::GetInstance().GetLibraryMinorVersion());
}

TEST_F(SystemTest, UnprogrammedVersionAreaReports731)
{
    EXPECT_EQ(7, System::GetInstance().GetHardwareMajorVersion());
    EXPECT_EQ(31, System::GetInstance().GetHardwareMinorVersion());
}

TEST_F(SystemTest, FirstNonZeroByteHoldsTheVersion)
{
    World().ProgramOtp(0, {0x00, 0x22});
    EXPECT_EQ(1, System::GetInstance().GetHardwareMajorVersion());
    EXPECT_EQ(2, System::GetInstance().GetHardwareMinorVersion());

    // Programming only clears bits: the first byte cannot go back up.
    World().ProgramOtp(0, {0xE1});
    EXPECT_EQ(1, System::GetInstance().GetHardwareMajorVersion());
    EXPECT_EQ(2, System::GetInstance().GetHardwareMinorVersion());

    // Superseded records are programmed to 0; the lock bytes after the area count too.
    World().ProgramOtp(0, std::vector<uint8_t>(0x205, 0x00));
    World().ProgramOtp(0x205, {0x41});
    EXPECT_EQ(2, System::GetInstance().GetHardwareMajorVersion());
    EXPECT_EQ(1, System::GetInstance().GetHardwareMinorVersion());
}

TEST_F(SystemTest, AllZeroVersionAreaReports731)
{
    World().ProgramOtp(0, std::vector<uint8_t>(0x210, 0x00));
    EXPECT_EQ(7, System::GetInstance().GetHardwareMajorVersion());
    EXPECT_EQ(31, System::GetInstance().GetHardwareMinorVersion());
}

// ---- atomic calls ----

TEST_F(SystemTest, AtomicCallRunsTheFunctionInTheSupervisorCall)
{
    static int exceptionInside = -1;
    int value = 41;
    System::GetInstance().AtomicCall(
        [](void* argument) {
            exceptionInside = Sim::World::Get().board().core().ActiveException();
            ++*static_cast<int*>(argument);
        },
        &value);
    EXPECT_EQ(42, value);
    EXPECT_EQ(Sim::excSvCall, exceptionInside);
    EXPECT_EQ(0, Core().ActiveException());
}

TEST_F(SystemTest, NestedAtomicCallRunsDirectly)
{
    static std::vector<int> depths;
    System::GetInstance().AtomicCall(
        [](void*) {
            depths.push_back(Sim::World::Get().board().core().Depth());
            System::GetInstance().AtomicCall(
                [](void*) { depths.push_back(Sim::World::Get().board().core().Depth()); }, nullptr);
            depths.push_back(Sim::World::Get().board().core().Depth());
        },
        nullptr);
    // A second supervisor call from inside the first would escalate to a hard fault.
    EXPECT_EQ((std::vector<int>{1, 1, 1}), depths);
    EXPECT_EQ(0u, SCB->HFSR);
}

struct TimeoutError : std::runtime_error
{
    TimeoutError() : std::runtime_error("I2C: Timeout") { thrown = this; }
    static const TimeoutError* thrown;
};
const TimeoutError* TimeoutError::thrown = nullptr;

TEST_F(SystemTest, ExceptionOfTheAtomicFunctionReachesTheCallerUnchanged)
{
    try
    {
        System::GetInstance().AtomicCall([](void*) { throw TimeoutError(); }, nullptr);
        FAIL() << "nothing thrown";
    }
    catch (const TimeoutError& error)
    {
        EXPECT_EQ(TimeoutError::thrown, &error) << "the same exception object";
        EXPECT_STREQ("I2C: Timeout", error.what());
    }

    // The next call starts clean.
    int value = 0;
    System::GetInstance().AtomicCall([](void* argument) { *static_cast<int*>(argument) = 7; }, &value);
    EXPECT_EQ(7, value);
}

TEST_F(SystemTest, EmptyAtomicFunctionThrowsBadFunctionCall)
{
    EXPECT_THROW(System::GetInstance().AtomicCall(nullptr, nullptr), std::bad_function_call);
}

TEST_F(SystemTest, TimerInterruptDuringAnAtomicCallRunsOnlyAfterIt)
{
    static int calls = 0;
    static bool pendingInside = false;
    Driver::Timer::GetInstance().SetOnElapsed([] { ++calls; });

    System::GetInstance().AtomicCall(
        [](void*) {
            TIM2->CNT = 0xFFFFFFFF - 5; // the counter wraps 6 us from now
            StopwatchDelayMicroS(100);
            pendingInside = Sim::World::Get().board().core().IsPending(Sim::excFirstIrq + TIM2_IRQn);
            EXPECT_EQ(0, calls);
        },
        nullptr);
    EXPECT_TRUE(pendingInside);
    EXPECT_EQ(1, calls) << "taken as the supervisor call returns";
}

TEST_F(SystemTest, AtomicCallFromAnInterruptHandlerPreemptsIt)
{
    static int exceptionInside = -1;
    Driver::NVIC::GetInstance().EnableIRQ(TIM7_IRQn);
    World().SetHandler(TIM7_IRQn, [] {
        System::GetInstance().AtomicCall(
            [](void*) { exceptionInside = Sim::World::Get().board().core().ActiveException(); }, nullptr);
    });
    NVIC_SetPendingIRQ(TIM7_IRQn);
    __NOP();
    EXPECT_EQ(Sim::excSvCall, exceptionInside);
}

TEST_F(SystemTest, AnInterruptRightAfterAFailedAtomicCallDoesNotSwallowItsException)
{
    // The interrupt becomes pending inside the failing call and is taken the moment the
    // supervisor call returns, before the caller looks at the outcome; its own atomic call
    // succeeds.
    static bool handlerRan = false;
    Driver::NVIC::GetInstance().EnableIRQ(TIM7_IRQn);
    World().SetHandler(TIM7_IRQn, [] {
        System::GetInstance().AtomicCall([](void*) { handlerRan = true; }, nullptr);
    });
    EXPECT_THROW(System::GetInstance().AtomicCall(
                     [](void*) {
                         NVIC_SetPendingIRQ(TIM7_IRQn);
                         throw std::runtime_error("I2C: Timeout");
                     },
                     nullptr),
                 std::runtime_error);
    EXPECT_TRUE(handlerRan);
}

// ---- reset ----

TEST_F(SystemTest, ResetDarkensThePanelWaitsAndRequestsTheResetKeepingTheGrouping)
{
    static Sim::Tick requestedAt = 0;
    static uint32_t groupingAtRequest = 0;
    static unsigned dutyAtRequest = 0;
    Velmora::LCD::GetInstance().SetBacklightBrightness(255);
    Driver::NVIC::GetInstance(); // priority group 4
    Sim::SSD1963& panel = World().board().ssd1963();
    panel.ClearCommandLog();
    World().board().SetResetHandler([] {
        Sim::Board& board = Sim::World::Get().board();
        requestedAt = board.clock().Now();
        groupingAtRequest = board.core().PriorityGrouping();
        dutyAtRequest = board.ssd1963().GetBacklightDuty();
        throw Sim::ResetRequest();
    });

    EXPECT_THROW(System::GetInstance().Reset(), Sim::ResetRequest);

    const auto& log = panel.GetCommandLog();
    ASSERT_FALSE(log.empty());
    for (const auto& command : log)
    {
        EXPECT_EQ(0xBE, command.code) << "only the backlight PWM is touched";
        ASSERT_GE(command.parameters.size(), 2u);
        EXPECT_EQ(0, command.parameters[1]) << "duty 0";
    }
    EXPECT_EQ(0u, dutyAtRequest);
    EXPECT_GE(requestedAt - log.back().time, Sim::World::Milliseconds(10));
    EXPECT_LT(requestedAt - log.back().time, Sim::World::Milliseconds(10) + Sim::World::Microseconds(50));
    EXPECT_EQ(3u, groupingAtRequest) << "AIRCR written with the grouping it had";
}

int m_runs = 0;

int ResetOnce()
{
    if (++m_runs == 1)
    {
        Velmora::LCD::GetInstance().SetBacklightBrightness(128);
        System::GetInstance().Reset();
    }
    return 0;
}

TEST_F(SystemTest, ResetRestartsTheFirmwareWithThePanelDark)
{
    EXPECT_EQ(0, Sim::RunFirmware(ResetOnce));
    EXPECT_EQ(2, m_runs);
    EXPECT_EQ(1u, Sim::FirmwareRestarts());
    EXPECT_EQ(0u, RCC->APB1ENR & RCC_APB1ENR_TIM5EN) << "the chip was reset";
    EXPECT_EQ(0u, World().board().ssd1963().GetBacklightDuty());
}

// ---- unhandled exceptions, terminate, pure virtual calls ----

TEST_F(SystemTest, DefaultUnhandledExceptionHandlerPrintsToTheConsole)
{
    Sim::Console::Clear();
    System::GetInstance().GetOnUnhandledException()(std::runtime_error("IRQ not handled"));
    EXPECT_EQ("Unhandled Exception: IRQ not handled\r\n", Sim::Console::Text());
}

TEST_F(SystemTest, TerminateHandsAStandardExceptionToTheUnhandledExceptionHandler)
{
    Sim::Console::Clear();
    try
    {
        throw std::out_of_range("DigitalInputs: index");
    }
    catch (...)
    {
        __gnu_cxx::__verbose_terminate_handler();
    }
    EXPECT_EQ("Unhandled Exception: DigitalInputs: index\r\n", Sim::Console::Text());

    Sim::Console::Clear();
    __gnu_cxx::__verbose_terminate_handler();
    EXPECT_EQ("terminate called recursively\r\n", Sim::Console::Text());
}

TEST_F(SystemTest, TerminateReportsOtherObjectsAndAMissingException)
{
    Sim::Console::Clear();
    try
    {
        throw 42;
    }
    catch (...)
    {
        __gnu_cxx::__verbose_terminate_handler();
    }
    EXPECT_EQ("An unknown object was thrown\r\n", Sim::Console::Text());
}

TEST_F(SystemTest, TerminateWithoutAnException)
{
    Sim::Console::Clear();
    __gnu_cxx::__verbose_terminate_handler();
    EXPECT_EQ("terminate called without an active exception\r\n", Sim::Console::Text());
}

TEST_F(SystemTest, PureVirtualCallStopsInsteadOfReturning)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Returning would continue in whatever the half-built object's caller does next.
    EXPECT_EXIT(
        {
            __cxa_pure_virtual();
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGABRT), "");
}

} // namespace
