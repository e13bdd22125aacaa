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

TEST(StartupTest, EveryLockedPinKeepsItsConfigurationAfterStartUp)
{
    struct Pin
    {
        char port;
        unsigned pin;
    };
    // In the order start-up configures them: the buzzer; for the display the bus, its chip select,
    // the controller's clock, the digital outputs (with the controller's reset) and the digital
    // inputs (with the tearing line); the clock and EEPROM bus.
    const Pin locked[] = {
        {'A', 10},
        {'D', 14}, {'D', 15}, {'D', 0}, {'D', 1}, {'E', 7}, {'E', 8}, {'E', 9}, {'E', 10}, {'E', 11},
        {'E', 12}, {'E', 13}, {'E', 14}, {'E', 15}, {'D', 8}, {'D', 9}, {'D', 10}, {'F', 0}, {'F', 1},
        {'F', 2}, {'F', 3}, {'F', 4}, {'F', 5}, {'F', 12}, {'F', 13}, {'F', 14}, {'F', 15}, {'G', 0},
        {'G', 1}, {'G', 2}, {'G', 3}, {'G', 4}, {'G', 5}, {'D', 11}, {'D', 12}, {'D', 13}, {'E', 3},
        {'E', 4}, {'D', 4}, {'D', 5}, {'E', 0}, {'E', 1},
        {'G', 10}, {'A', 8},
        {'B', 5}, {'B', 13}, {'E', 2}, {'G', 13}, {'G', 14}, {'C', 1}, {'F', 10}, {'C', 0}, {'F', 11}, {'A', 4},
        {'B', 15}, {'G', 7}, {'A', 9}, {'G', 8}, {'F', 8}, {'F', 9}, {'B', 0}, {'B', 1}, {'B', 12}, {'G', 6}, {'D', 3},
        {'B', 8}, {'B', 9},
    };
    auto expectLocked = [](const Pin& p) {
        GPIO_TypeDef* gpio = VELMORA_PHYS(GPIO_TypeDef, GPIOA_BASE + (p.port - 'A') * 0x400u);
        const uint32_t mode = gpio->MODER;
        const uint32_t pull = gpio->PUPDR;
        gpio->MODER = mode ^ (3u << (p.pin * 2));
        gpio->PUPDR = pull ^ (3u << (p.pin * 2));
        EXPECT_EQ(static_cast<uint32_t>(gpio->MODER), mode) << "P" << p.port << p.pin << " reconfigured";
        EXPECT_EQ(static_cast<uint32_t>(gpio->PUPDR), pull) << "P" << p.port << p.pin << " reconfigured";
        gpio->MODER = mode;
        gpio->PUPDR = pull;
    };
    for (const Pin& p : locked)
        expectLocked(p);

    // Pins of drivers that are first used later (the external SRAM's chip select, the analog
    // inputs, the serial ports, the SD card bus) on ports locked by then: configured for their
    // driver before the locks, and locked with the rest.
    struct LaterPin
    {
        Pin pin;
        uint32_t mode; // 2 alternate function, 3 analog
        uint32_t function;
    };
    const LaterPin later[] = {
        {{'D', 7}, 2, 12},
        {{'C', 4}, 3, 0}, {{'C', 5}, 3, 0}, {{'F', 6}, 3, 0}, {{'F', 7}, 3, 0},
        {{'A', 0}, 2, 8}, {{'A', 1}, 2, 8}, {{'C', 6}, 2, 8}, {{'C', 7}, 2, 8},
        {{'B', 6}, 2, 7}, {{'B', 7}, 2, 7}, {{'A', 2}, 2, 7}, {{'A', 3}, 2, 7},
        {{'C', 8}, 2, 12}, {{'C', 9}, 2, 12}, {{'C', 10}, 2, 12}, {{'C', 11}, 2, 12}, {{'C', 12}, 2, 12},
        {{'D', 2}, 2, 12},
    };
    for (const LaterPin& l : later)
    {
        const GPIO_TypeDef* gpio = VELMORA_PHYS(GPIO_TypeDef, GPIOA_BASE + (l.pin.port - 'A') * 0x400u);
        EXPECT_EQ((gpio->MODER >> (l.pin.pin * 2)) & 3u, l.mode) << "P" << l.pin.port << l.pin.pin << " mode";
        if (l.mode == 2)
        {
            EXPECT_EQ((gpio->AFR[l.pin.pin / 8] >> (l.pin.pin % 8 * 4)) & 15u, l.function)
                << "P" << l.pin.port << l.pin.pin << " alternate function";
        }
        expectLocked(l.pin);
    }
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
