// The start-up on the virtual board: the hardware hook before any static constructor, the binding
// of the library's global references, and the hard-fault dump.
#include "system/HeapMemory.h"
#include "system/System.h"
#include "system/Timer.h"

#include "drivers/DigitalInput.h"
#include "drivers/DigitalOutput.h"
#include "drivers/ExDigitalInput.h"
#include "drivers/ExDigitalOutput.h"
#include "drivers/NVRam.h"
#include "drivers/RTC.h"
#include "graphics/LCD.h"
#include "storage/SDCard.h"
#include "usb/Console.h"

#include "sim/Console.h"
#include "sim/World.h"
#include "sim/devices/SSD1963.h"

#include "stm32f4xx.h"
#include "stm32f4xx_rcc.h"

#include <gtest/gtest.h>

#include <string>

extern "C" void HardFault_Handler();

namespace
{

// What the world looked like when the first static constructor ran. This unit is linked ahead of
// the library, so its constructor runs before the library's bindings.
struct EarlyState
{
    uint32_t sysclk = 0;
    bool displayOn = false;
    uint8_t backlight = 0;
    bool memoryWritten = false;
    bool changesPending = true;
    bool printed = false;
};
EarlyState m_early;

struct FirstStaticConstructor
{
    FirstStaticConstructor()
    {
        RCC_ClocksTypeDef clocks;
        RCC_GetClocksFreq(&clocks);
        m_early.sysclk = clocks.SYSCLK_Frequency;
        Sim::SSD1963& panel = Sim::World::Get().board().ssd1963();
        m_early.displayOn = panel.IsDisplayOn();
        m_early.backlight = panel.GetBacklightDuty();
        for (const Sim::SSD1963::Command& command : panel.GetCommandLog())
            if (command.code == 0x2C)
                m_early.memoryWritten = true;
        m_early.changesPending = Velmora::LCD::GetInstance().HasChanges();
        Sim::Console::Clear();
        std::printf("static constructors run\r\n");
        m_early.printed = Sim::Console::Text() == "static constructors run\r\n";
    }
};
FirstStaticConstructor m_first;

size_t Count(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

TEST(StartupTest, ConsoleAndALitClearedDisplayComeBeforeTheFirstStaticConstructor)
{
    EXPECT_EQ(m_early.sysclk, 168000000u);
    EXPECT_TRUE(m_early.printed);
    EXPECT_TRUE(m_early.displayOn);
    EXPECT_EQ(m_early.backlight, 255);
    EXPECT_TRUE(m_early.memoryWritten);
    EXPECT_FALSE(m_early.changesPending);
}

TEST(StartupTest, EveryGlobalReferenceIsItsClassInstance)
{
    EXPECT_EQ(&Velmora::heapMemory, &Velmora::HeapMemory::GetInstance());
    EXPECT_EQ(&Velmora::console, &Velmora::Console::GetInstance());
    EXPECT_EQ(&Velmora::digitalInputs, &Velmora::DigitalInputs::GetInstance());
    EXPECT_EQ(&Velmora::digitalOutputs, &Velmora::DigitalOutputs::GetInstance());
    EXPECT_EQ(&Velmora::exDigitalInputs, &Velmora::ExDigitalInputs::GetInstance());
    EXPECT_EQ(&Velmora::exDigitalOutputs, &Velmora::ExDigitalOutputs::GetInstance());
    EXPECT_EQ(&Velmora::lcd, &Velmora::LCD::GetInstance());
    EXPECT_EQ(&Velmora::nvram, &Velmora::NVRam::GetInstance());
    EXPECT_EQ(&Velmora::rtc, &Velmora::RTC::GetInstance());
    EXPECT_EQ(&Velmora::sdCard, &Velmora::SDCard::GetInstance());
    EXPECT_EQ(&Velmora::system, &Velmora::System::GetInstance());
    EXPECT_EQ(&Velmora::timer, &Velmora::Timer::GetInstance());

    // Binding the heap brought the external SRAM's FSMC region up.
    EXPECT_EQ(static_cast<uint32_t>(FSMC_Bank1->BTCR[0]) & FSMC_BCR1_MBKEN, FSMC_BCR1_MBKEN);
}

TEST(StartupTest, AHardFaultPrintsTheDumpOnce)
{
    Sim::Board& board = Sim::World::Get().board();
    EXPECT_EQ(board.core().GetHandler(Sim::excHardFault), &HardFault_Handler);
    board.SetStrict(false);
    board.SetDiagnosticSink(nullptr);
    Sim::Console::Clear();

    // A store to a reserved address: a precise bus fault, escalated.
    *VELMORA_PHYS(__IO32, 0x40007800) = 0xCAFEF00D;
    const std::string dump = Sim::Console::Text();
    EXPECT_NE(dump.find("Hard Fault\r\n"
                        "R0        = 0x40007800\r\n"
                        "R1        = 0xCAFEF00D\r\n"
                        "R2        = 0x00000004\r\n"
                        "R3        = 0x00000000\r\n"
                        "R12       = 0x00000000\r\n"
                        "LR [R14]  = 0x00000000  subroutine call return address\r\n"
                        "PC [R15]  = 0x08"),
              std::string::npos)
        << dump;
    EXPECT_NE(dump.find("  program counter\r\n"
                        "PSR       = 0x01000000\r\n"
                        "BFAR      = 0x40007800\r\n"
                        "CFSR      = 0x00008200\r\n"
                        "HFSR      = 0x40000000\r\n"
                        "DFSR      = 0x00000000\r\n"
                        "AFSR      = 0x00000000\r\n"
                        "SCB_SHCSR = 0x00000000\r\n"),
              std::string::npos)
        << dump;

    // The board stays in the fault: later entries print nothing.
    (void)*VELMORA_PHYS(__IO32, 0x40007C00);
    board.SetStrict(true);
    const std::string after = Sim::Console::Text();
    EXPECT_EQ(Count(after, "Hard Fault"), 1u);
    EXPECT_EQ(Count(after, "BFAR"), 1u);
    EXPECT_EQ(after.find("0x40007C00  "), std::string::npos);
}

} // namespace
