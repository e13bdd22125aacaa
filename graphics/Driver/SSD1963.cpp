#include "graphics/Driver/SSD1963.h"

#include "drivers/Driver/DigitalInput.h"
#include "drivers/Driver/DigitalOutput.h"
#include "drivers/Driver/GPIO.h"
#include "system/Driver/FSMC.h"
#include "system/Stopwatch.h"

#include "stm32f4xx.h"
#include "stm32f4xx_exti.h"
#include "stm32f4xx_rcc.h"

namespace Driver
{

namespace
{

// FSMC region 2 (NE3) starts at 0x68000000; processor address bit 4 drives the chip's D/C line,
// so the data register sits 0x10 above the command register.
constexpr uint32_t commandAddress = 0x68000000;
constexpr uint32_t dataAddress = 0x68000010;

inline __IO16* CommandRegister()
{
    return VELMORA_PHYS(__IO16, commandAddress);
}

inline __IO16* DataRegister()
{
    return VELMORA_PHYS(__IO16, dataAddress);
}

// The tearing-effect line (PG7, EXTI line 7) and the chip's reset line (PB5, low resets).
constexpr DigitalInput::Channel tearingChannel = 1;
constexpr DigitalOutput::Channel resetChannel = 0;
constexpr uint32_t tearingLine = EXTI_Line7;

// Bus timings of the panel region in HCLK cycles, derived where they are programmed.
constexpr uint8_t slowAddressSetup = 12;
constexpr uint8_t slowAddressHold = 15;
constexpr uint8_t slowDataSetup = 24;
constexpr uint8_t fastAddressHold = 1;
constexpr uint8_t fastDataSetup = 1;

DigitalInput& TearingInput()
{
    return DigitalInput::GetInstance(tearingChannel);
}

} // namespace

SSD1963& SSD1963::GetInstance()
{
    static SSD1963 instance;
    return instance;
}

SSD1963::SSD1963()
{
    // The chip latches the write strobe with its system clock, so a strobe and the gap between two
    // strobes must each span at least one period of that clock. The region runs in mode B, where a
    // write is ADDSET HCLK cycles with the strobe high, then DATAST + 1 cycles with it low; the
    // address-hold phase exists only in mode D and is set to a legal value all the same.
    //
    // Until its PLL is up the chip runs from the 8 MHz reference clock: 125 ns a period. At
    // 168 MHz (5.95 ns a cycle) 12 set-up cycles give 71 ns high and 24 + 1 data cycles 149 ns low;
    // with the turnaround and the controller's own cycle the gap between strobes exceeds 125 ns too.
    FSMC::GetInstance().EnableBank(FSMC::SRAMBank::Region2, slowAddressSetup, slowAddressHold, slowDataSetup, 0);

    // Reference clock: MCO1 on PA8, the internal 16 MHz oscillator divided by 2.
    GPIO::GetInstance().AlternateFunction(GPIO::Port::A, 8, 0,
                                          GPIO::OutputType::PushPull, GPIO::Pull::Up, true, GPIO::Speed::High);
    RCC_MCO1Config(RCC_MCO1Source_HSI, RCC_MCO1Div_2);

    DigitalOutput& reset = DigitalOutput::GetInstance(resetChannel);
    reset.Low(true);
    Velmora::Stopwatch::DelayMilliseconds(100);
    reset.High(true);
    Velmora::Stopwatch::DelayMilliseconds(100);

    // PLL: multiplier 50 and divider 4 on the 8 MHz reference: 400 MHz oscillator, 100 MHz PLL.
    WriteCommand(0xE2);
    WriteData(0x31);
    WriteData(0x03);
    WriteData(0x04);

    // Start the PLL, let it lock, then switch the chip over to it.
    WriteCommand(0xE0);
    WriteData(0x01);
    Velmora::Stopwatch::DelayMilliseconds(5);
    WriteCommand(0xE0);
    WriteData(0x03);
    Velmora::Stopwatch::DelayMilliseconds(5);

    WriteCommand(0x01);
    Velmora::Stopwatch::DelayMilliseconds(5);

    // From the 100 MHz PLL (10 ns a period) the shortest legal write is enough: DATAST 1 holds the
    // strobe low for 2 cycles, 11.9 ns, and each store takes ADDSET 0 + DATAST 1 + 1 = 2 cycles.
    // A zero data phase is reserved; this is also as fast as the bus goes.
    FSMC::GetInstance().EnableBank(FSMC::SRAMBank::Region2, 0, fastAddressHold, fastDataSetup, 0);

    // The frame starts when the tearing line falls; the interrupt stays off until a user arms it.
    TearingInput().SetInterruptEdge(Velmora::Edge::Falling);
}

void SSD1963::WriteCommand(uint16_t command)
{
    *CommandRegister() = command;
}

void SSD1963::WriteData(uint16_t data)
{
    *DataRegister() = data;
}

void SSD1963::SendBytes(uint16_t value)
{
    WriteData(static_cast<uint16_t>(value >> 8));
    WriteData(static_cast<uint16_t>(value & 0xFF));
}

void SSD1963::SetOnVerticalRefresh(std::function<void()> handler)
{
    TearingInput().SetInterruptHandler(std::move(handler));
}

bool SSD1963::IsRefreshEnabled() const
{
    return TearingInput().IsInterruptEnabled();
}

void SSD1963::EnableRefresh(bool enable)
{
    if (enable)
        ArmRefresh();
    else
        TearingInput().DisableInterrupt(true);
}

void SSD1963::DisableRefresh(bool disable)
{
    if (disable)
        TearingInput().DisableInterrupt(true);
    else
        ArmRefresh();
}

// Masking the line leaves its edge detector running, so a falling edge seen while refresh was off
// (or while a flush ran) is still pending. Arming on top of it would flush at once, wherever the
// scan happens to be, and tear the frame; the first flush must wait for the next frame start.
void SSD1963::ArmRefresh()
{
    DigitalInput& input = TearingInput();
    if (!input.IsInterruptEnabled())
        EXTI_ClearITPendingBit(tearingLine);
    input.EnableInterrupt(true);
}

} // namespace Driver
