#include "sim/Board.h"

#include "sim/devices/Buzzer.h"
#include "sim/devices/I2cBoard.h"
#include "sim/devices/TouchScreen.h"
#include "sim/devices/UsbHost.h"
#include "sim/models/Adc.h"
#include "sim/devices/SdCard.h"
#include "sim/models/Spi.h"
#include "sim/models/Usart.h"
#include "sim/devices/Ssd1963Bus.h"
#include "sim/models/Dma.h"
#include "sim/models/Exti.h"
#include "sim/models/Fsmc.h"
#include "sim/models/Flash.h"
#include "sim/models/Gpio.h"
#include "sim/models/I2c.h"
#include "sim/models/OtgFs.h"
#include "sim/models/Pwr.h"
#include "sim/models/Rcc.h"
#include "sim/models/Scs.h"
#include "sim/models/Sdio.h"
#include "sim/models/Syscfg.h"
#include "sim/models/Timer.h"
#include "stm32f4xx.h"

#include <dlfcn.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace Sim
{

namespace
{
Board* m_board = nullptr;

// A stand-in for the program counter of firmware code running on the host: the flash address
// 0x08000000 plus the offset of the host instruction in its program or shared object. It is the
// same in every run of one build (load addresses are not), and the offset leads back to the
// source line with the host's tools (addr2line -e <object> <PC - 0x08000000>).
uint32_t FirmwareCodeAddress(const void* site)
{
    Dl_info info{};
    if (site == nullptr || dladdr(site, &info) == 0 || info.dli_fbase == nullptr)
        return 0;
    const uintptr_t offset = reinterpret_cast<uintptr_t>(site) - reinterpret_cast<uintptr_t>(info.dli_fbase);
    return static_cast<uint32_t>(0x08000000u + (offset & 0x00FFFFFEu));
}
} // namespace

Board& Board::Instance()
{
    if (m_board == nullptr)
    {
        m_board = new Board();
        m_board->CreateModels();
        m_board->PowerOnReset();
    }
    return *m_board;
}

Board::Board() : m_core(*this)
{
    SetClockTree(16000000, 16000000, 16000000, 16000000);
    if (const char* trace = std::getenv("VELMORA_SIM_TRACE"))
        m_trace = std::fopen(trace, "w");
    double stallSeconds = 20;
    if (const char* stall = std::getenv("VELMORA_STALL_SECONDS"))
        stallSeconds = std::atof(stall);
    SetStallTimeout(stallSeconds);
}

Board::~Board() = default;

void Board::CreateModels()
{
    auto own = [this](auto* model) {
        m_owned.emplace_back(model);
        return model;
    };
    m_rcc = own(new Rcc(*this));
    m_scs = own(new Scs(*this));
    m_flash = own(new Flash(*this));
    m_pwr = own(new Pwr(*this));
    for (int port = 0; port < 9; ++port)
        m_gpio[port] = own(new Gpio(*this, port));
    m_syscfg = own(new Syscfg(*this));
    m_exti = own(new Exti(*this));
    for (int number : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14})
        m_timers[number] = own(new Timer(*this, number));
    m_dma[1] = own(new Dma(*this, 1));
    m_dma[2] = own(new Dma(*this, 2));

    // Clock enables and resets (the bit numbers of RCC's enable and reset registers).
    for (int port = 0; port < 9; ++port)
        m_rcc->Connect(*m_gpio[port], RccBus::Ahb1, 1u << port);
    m_rcc->Connect(*m_pwr, RccBus::Apb1, RCC_APB1ENR_PWREN);
    m_rcc->Connect(*m_dma[1], RccBus::Ahb1, RCC_AHB1ENR_DMA1EN);
    m_rcc->Connect(*m_dma[2], RccBus::Ahb1, RCC_AHB1ENR_DMA2EN);
    m_sdCard.reset(new SdCard(*this));
    m_sdio = own(new Sdio(*this, *m_sdCard));
    m_rcc->Connect(*m_sdio, RccBus::Apb2, RCC_APB2ENR_SDIOEN);
    m_rcc->Connect(*m_syscfg, RccBus::Apb2, RCC_APB2ENR_SYSCFGEN);
    const uint32_t apb1Timers[15] = {0, 0, RCC_APB1ENR_TIM2EN, RCC_APB1ENR_TIM3EN, RCC_APB1ENR_TIM4EN,
                                     RCC_APB1ENR_TIM5EN, RCC_APB1ENR_TIM6EN, RCC_APB1ENR_TIM7EN, 0, 0, 0, 0,
                                     RCC_APB1ENR_TIM12EN, RCC_APB1ENR_TIM13EN, RCC_APB1ENR_TIM14EN};
    const uint32_t apb2Timers[15] = {0, RCC_APB2ENR_TIM1EN, 0, 0, 0, 0, 0, 0, RCC_APB2ENR_TIM8EN,
                                     RCC_APB2ENR_TIM9EN, RCC_APB2ENR_TIM10EN, RCC_APB2ENR_TIM11EN, 0, 0, 0};
    for (int number = 1; number <= 14; ++number)
    {
        if (apb1Timers[number] != 0)
            m_rcc->Connect(*m_timers[number], RccBus::Apb1, apb1Timers[number]);
        else
            m_rcc->Connect(*m_timers[number], RccBus::Apb2, apb2Timers[number]);
    }

    // The I2C controllers and the buses they drive (alternate function 4 on both pin pairs).
    m_i2cBoard.reset(new I2cBoard(*this));
    m_i2c[1] = own(new I2c(*this, 1, m_i2cBoard->Bus(1), 4));
    m_i2c[2] = own(new I2c(*this, 2, m_i2cBoard->Bus(2), 4));
    m_rcc->Connect(*m_i2c[1], RccBus::Apb1, RCC_APB1ENR_I2C1EN);
    m_rcc->Connect(*m_i2c[2], RccBus::Apb1, RCC_APB1ENR_I2C2EN);

    // Board wiring of alternate functions: the buzzer on PA10 is TIM1 channel 3 (AF1).
    m_timers[1]->RouteChannel(3, 0, 10, 1);
    m_buzzer.reset(new Buzzer(*this, *m_timers[1]));

    // The analog converters, the voltages on their pins and the touch screen on PC0..PC3/PF10/PF11.
    m_analogPins.reset(new AnalogPins());
    AdcCommon* adcCommon = own(new AdcCommon(*this));
    const uint32_t adcBits[4] = {0, RCC_APB2ENR_ADC1EN, RCC_APB2ENR_ADC2EN, RCC_APB2ENR_ADC3EN};
    for (int number = 1; number <= 3; ++number)
    {
        m_adc[number] = own(new Adc(*this, number, *m_analogPins, *adcCommon));
        m_rcc->Connect(*m_adc[number], RccBus::Apb2, adcBits[number]);
    }
    // The common registers answer while any converter has its clock.
    m_rcc->Connect(*adcCommon, RccBus::Apb2, adcBits[1] | adcBits[2] | adcBits[3]);
    m_touchScreen.reset(new TouchScreen(*this, *m_analogPins));

    // The serial ports with their pins (TX, RX) and alternate functions, and SPI1.
    m_usart[4] = own(new Usart(*this, 4, 0, 0, 0, 1, 8));
    m_usart[6] = own(new Usart(*this, 6, 2, 6, 2, 7, 8));
    m_usart[1] = own(new Usart(*this, 1, 1, 6, 1, 7, 7));
    m_usart[2] = own(new Usart(*this, 2, 0, 2, 0, 3, 7));
    m_rcc->Connect(*m_usart[4], RccBus::Apb1, RCC_APB1ENR_UART4EN);
    m_rcc->Connect(*m_usart[6], RccBus::Apb2, RCC_APB2ENR_USART6EN);
    m_rcc->Connect(*m_usart[1], RccBus::Apb2, RCC_APB2ENR_USART1EN);
    m_rcc->Connect(*m_usart[2], RccBus::Apb1, RCC_APB1ENR_USART2EN);
    m_spi1 = own(new Spi(*this, 1));
    m_rcc->Connect(*m_spi1, RccBus::Apb2, RCC_APB2ENR_SPI1EN);

    // The external memory controller and the display controller on its region 3.
    m_fsmc = own(new Fsmc(*this));
    m_rcc->Connect(*m_fsmc, RccBus::Ahb3, RCC_AHB3ENR_FSMCEN);
    m_ssd1963 = own(new Ssd1963Bus(*this, *m_fsmc));

    // The USB full-speed core (D+/D- on PA11/PA12, VBUS sensed on PA9) and the host on its cable.
    m_otgFs = own(new OtgFs(*this));
    m_rcc->Connect(*m_otgFs, RccBus::Ahb2, RCC_AHB2ENR_OTGFSEN);
    m_usbHost.reset(new UsbHost(*this, *m_otgFs));
}

SSD1963& Board::ssd1963()
{
    return m_ssd1963->chip();
}

void Board::Attach(Peripheral& peripheral)
{
    for (uint32_t offset = 0; offset < peripheral.Size(); offset += 1u << pageShift)
    {
        const uint32_t address = peripheral.Base() + offset;
        Peripheral**& page = m_pages[address >> 20];
        if (page == nullptr)
        {
            m_pageStorage.emplace_back(new Peripheral*[pagesPerMegabyte]());
            page = m_pageStorage.back().get();
        }
        page[(address >> pageShift) & (pagesPerMegabyte - 1)] = &peripheral;
    }
    m_peripherals.push_back(&peripheral);
}

void Board::PowerOnReset()
{
    if (m_i2cBoard)
        m_i2cBoard->BeforeTimeRestarts();
    m_clock.Reset();
    m_core.Reset();
    SetClockTree(16000000, 16000000, 16000000, 16000000);
    // Models in creation order: RCC first, so that the others see their clocks at reset state.
    for (Peripheral* peripheral : m_peripherals)
    {
        peripheral->m_clockOffReported = false;
        peripheral->Reset();
    }
    m_lastAddress = 0xFFFFFFFF;
    m_lastWasWrite = true;
    m_lastWasNop = false;
    m_lastPeripheral = nullptr;
    m_pollStart = never;
    m_accessCount = 0;
    m_addressUpper.clear();
    if (m_i2cBoard)
        m_i2cBoard->PowerOnReset();
    if (m_usbHost)
        m_usbHost->PowerOnReset();
}

void Board::SystemReset()
{
    m_core.Reset();
    SetClockTree(16000000, 16000000, 16000000, 16000000);
    for (Peripheral* peripheral : m_peripherals)
    {
        // Devices on the FSMC banks (0x60000000 to 0x9FFFFFFF) are outside the chip.
        const bool external = peripheral->Base() >= 0x60000000u && peripheral->Base() < 0xA0000000u;
        if (!external)
            peripheral->SystemReset();
    }
    m_lastAddress = 0xFFFFFFFF;
    m_lastWasWrite = true;
    m_lastWasNop = false;
    m_lastPeripheral = nullptr;
}

void Board::SetClockTree(uint32_t sysclkHz, uint32_t hclkHz, uint32_t pclk1Hz, uint32_t pclk2Hz)
{
    m_sysclkHz = sysclkHz;
    m_hclkHz = hclkHz;
    m_pclk1Hz = pclk1Hz;
    m_pclk2Hz = pclk2Hz;
    m_cycleTicks = TicksPerCycle(sysclkHz);
    m_hclkTicks = TicksPerCycle(hclkHz);
    // An AHB access takes two HCLK cycles (address and data phase). An APB access adds the bridge:
    // two cycles of the APB clock. Core registers answer in one cycle.
    const Tick ahb = 2 * m_hclkTicks;
    m_busCost[static_cast<int>(BusKind::Ahb1)] = ahb;
    m_busCost[static_cast<int>(BusKind::Ahb2)] = ahb;
    m_busCost[static_cast<int>(BusKind::Ahb3)] = ahb;
    m_busCost[static_cast<int>(BusKind::Apb1)] = ahb + 2 * TicksPerCycle(pclk1Hz);
    m_busCost[static_cast<int>(BusKind::Apb2)] = ahb + 2 * TicksPerCycle(pclk2Hz);
    m_busCost[static_cast<int>(BusKind::Ppb)] = m_cycleTicks;
    for (Peripheral* peripheral : m_peripherals)
        peripheral->OnClockChange();
}

uint32_t Board::Read(uint32_t address, unsigned size, const void* site)
{
    Peripheral* peripheral = Lookup(address);
    if (peripheral == nullptr)
        return Unmapped(address, 0, size, false, site);
    Charge(*peripheral, address, false);
    // With its clock off a peripheral reads 0 (firmware may check "is it running" that way).
    const uint32_t value =
        peripheral->ClockEnabled() ? peripheral->Read(address - peripheral->Base(), size) : 0;
    if (m_trace != nullptr)
        TraceAccess(*peripheral, address - peripheral->Base(), value, size, false);
    m_core.Poll();
    return value;
}

void Board::Write(uint32_t address, uint32_t value, unsigned size, const void* site)
{
    if (!m_addressUpper.empty())
        for (auto it = m_addressUpper.begin(); it != m_addressUpper.end(); ++it)
            if (it->first == (address & ~3u))
            {
                m_addressUpper.erase(it);
                break;
            }
    Peripheral* peripheral = Lookup(address);
    if (peripheral == nullptr)
    {
        Unmapped(address, value, size, true, site);
        return;
    }
    Charge(*peripheral, address, true);
    if (m_trace != nullptr)
        TraceAccess(*peripheral, address - peripheral->Base(), value, size, true);
    if (peripheral->ClockEnabled() && !peripheral->HeldInReset())
        peripheral->Write(address - peripheral->Base(), value, size);
    else
        LostWrite(*peripheral, address - peripheral->Base());
    m_core.Poll();
}

void Board::WriteAddress(uint32_t address, uint64_t value)
{
    Write(address, static_cast<uint32_t>(value), 4);
    // Kept even when the upper half is 0: the value is a host pointer either way.
    m_addressUpper.emplace_back(address, static_cast<uint32_t>(value >> 32));
}

void* Board::HostAddress(uint32_t registerAddress, uint32_t value) const
{
    for (const auto& entry : m_addressUpper)
        if (entry.first == registerAddress)
            return reinterpret_cast<void*>((static_cast<uintptr_t>(entry.second) << 32) | value);
    return reinterpret_cast<void*>(VelmoraHost::g_addressSpaceBase + value);
}

void Board::Nop()
{
    Tick cost = m_cycleTicks;
    if (m_lastWasNop && !m_core.InterruptReady())
    {
        // The firmware spins on __NOP() with nothing else going on: jump to the next event. With
        // nothing scheduled, let time pass in growing steps so that time-outs still expire.
        const Tick next = m_clock.NextEventTime();
        if (next != never && next > m_clock.Now())
            cost = next - m_clock.Now();
        else
            cost = NopStep(m_cycleTicks);
    }
    else
        m_pollStart = never;
    m_clock.Advance(cost);
    m_lastWasNop = true;
    m_lastAddress = 0xFFFFFFFF;
    m_progress.store(m_clock.Now(), std::memory_order_relaxed);
    m_clock.RunDue();
    m_core.Poll();
}

uint32_t Board::Unmapped(uint32_t address, uint32_t value, unsigned size, bool write, const void* site)
{
    char message[200];
    if (write)
        std::snprintf(message, sizeof message,
                      "%u-byte write to address 0x%08X, value 0x%08X: no peripheral is modelled there", size,
                      static_cast<unsigned>(address), static_cast<unsigned>(value));
    else
        std::snprintf(message, sizeof message, "%u-byte read from address 0x%08X: no peripheral is modelled there",
                      size, static_cast<unsigned>(address));
    if (m_strict || m_diagnosticSink)
    {
        Diagnose(message);
        return 0;
    }
    // On the chip an access to a reserved address is a precise bus fault, escalated to HardFault.
    // The stacked frame holds what a load or store would have had in its registers: the address
    // in r0, the value stored in r1, the width in r2, and for the PC the access's place in the
    // host code (see FirmwareCodeAddress).
    Warn(message);
    VelmoraExceptionFrame frame{};
    frame.r0 = address;
    frame.r1 = write ? value : 0;
    frame.r2 = size;
    frame.pc = FirmwareCodeAddress(site);
    frame.xpsr = 0x01000000;
    m_core.Fault(SCB_CFSR_PRECISERR | SCB_CFSR_BFARVALID, address, true, frame);
    return 0;
}

void Board::LostWrite(Peripheral& peripheral, uint32_t offset)
{
    // As on the chip the write is lost; say so once per peripheral, since it is usually a
    // forgotten clock enable (or a reset bit not released).
    if (peripheral.m_clockOffReported)
        return;
    peripheral.m_clockOffReported = true;
    const char* regName = peripheral.RegisterName(offset);
    char message[200];
    std::snprintf(message, sizeof message, "%s: write to %s (offset 0x%03X) while %s: the write is lost",
                  peripheral.Name(), regName != nullptr ? regName : "a register", static_cast<unsigned>(offset),
                  peripheral.HeldInReset() ? "its RCC reset bit holds it in reset" : "its clock is off");
    Warn(message);
}

void Board::SetFaultStatus(uint32_t cfsr, uint32_t hfsr, uint32_t faultAddress, bool addressValid)
{
    m_scs->RaiseFault(cfsr, hfsr, faultAddress, addressValid);
}

void Board::RequestReset()
{
    Log("reset requested");
    if (m_resetHandler)
    {
        m_resetHandler();
        return;
    }
    throw ResetRequest();
}

void Board::Diagnose(const char* message)
{
    std::string text = message;
    if (m_lastPeripheral != nullptr)
        text += " [last access: " + LastAccess() + "]";
    if (m_diagnosticSink)
    {
        m_diagnosticSink(text, true);
        return;
    }
    std::fprintf(stderr, "virtual board: %s: %s\n", m_strict ? "error" : "warning", text.c_str());
    std::fflush(stderr);
    if (m_strict)
        std::abort();
}

void Board::Warn(const char* message)
{
    if (m_diagnosticSink)
    {
        m_diagnosticSink(message, false);
        return;
    }
    std::fprintf(stderr, "virtual board: warning: %s\n", message);
}

std::string Board::LastAccess() const
{
    if (m_lastWasNop)
        return "__NOP()";
    if (m_lastPeripheral == nullptr)
        return "none";
    const uint32_t offset = m_lastAddress - m_lastPeripheral->Base();
    const char* regName = m_lastPeripheral->RegisterName(offset);
    char text[128];
    std::snprintf(text, sizeof text, "%s+0x%03X%s%s%s %s", m_lastPeripheral->Name(), static_cast<unsigned>(offset),
                  regName != nullptr ? " (" : "", regName != nullptr ? regName : "", regName != nullptr ? ")" : "",
                  m_lastWasWrite ? "write" : "read");
    return text;
}

void Board::TraceAccess(Peripheral& peripheral, uint32_t offset, uint32_t value, unsigned size, bool write)
{
    const char* regName = peripheral.RegisterName(offset);
    std::fprintf(m_trace, "%14llu %c%u %s+0x%03X %-8s 0x%08X\n", static_cast<unsigned long long>(m_clock.Now()),
                 write ? 'W' : 'R', size * 8, peripheral.Name(), static_cast<unsigned>(offset),
                 regName != nullptr ? regName : "?", static_cast<unsigned>(value));
}

void Board::Log(const std::string& text)
{
    if (!m_logEnabled)
        return;
    m_log.push_back(std::to_string(m_clock.Now()) + " " + text);
}

void Board::NoteExceptionEntry(int exception)
{
    if (m_logEnabled)
        Log(std::string("enter ") + Core::ExceptionName(exception));
}

void Board::NoteExceptionExit(int exception)
{
    if (m_logEnabled)
        Log(std::string("exit ") + Core::ExceptionName(exception));
}

void Board::SetStallTimeout(double seconds)
{
    m_stallTimeoutMs.store(seconds <= 0 ? 0 : static_cast<uint64_t>(seconds * 1000), std::memory_order_relaxed);
    if (seconds > 0 && !m_stallDetectorStarted)
        StartStallDetector();
}

void Board::StartStallDetector()
{
    m_stallDetectorStarted = true;
    // A monitor, not a CPU: it only watches whether virtual time moves.
    std::thread([this] {
        Tick seen = m_progress.load(std::memory_order_relaxed);
        auto since = std::chrono::steady_clock::now();
        bool reported = false;
        for (;;)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            const Tick now = m_progress.load(std::memory_order_relaxed);
            const auto hostNow = std::chrono::steady_clock::now();
            if (now != seen || now == 0)
            {
                // Time moved (or the firmware has not started): not a stall.
                seen = now;
                since = hostNow;
                reported = false;
                continue;
            }
            const uint64_t limit = m_stallTimeoutMs.load(std::memory_order_relaxed);
            const auto stalledMs =
                std::chrono::duration_cast<std::chrono::milliseconds>(hostNow - since).count();
            if (limit == 0 || reported || static_cast<uint64_t>(stalledMs) < limit)
                continue;
            reported = true;
            std::fprintf(stderr,
                         "virtual board: stall: virtual time has stood at %llu ticks for %llu ms of host time; "
                         "the firmware spins without touching a register or calling __NOP(). Last access: %s\n",
                         static_cast<unsigned long long>(now), static_cast<unsigned long long>(stalledMs),
                         LastAccess().c_str());
            std::fflush(stderr);
            if (m_strict)
                std::abort();
        }
    }).detach();
}

} // namespace Sim
