// The virtual board: the bus that routes register accesses to the models, the virtual clock,
// the core's exception model and every chip peripheral and board device.
//
// There is one board per process, created before any static constructor of the firmware. The
// firmware's thread is the CPU: every register access and every __NOP() comes through here, costs
// virtual time, runs the events that became due and takes the interrupts that may preempt.
#pragma once

#include "sim/Clock.h"
#include "sim/Core.h"
#include "sim/Peripheral.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Sim
{

class Rcc;
class Fsmc;
class SSD1963;
class Ssd1963Bus;
class Flash;
class Pwr;
class Gpio;
class Syscfg;
class Exti;
class Timer;
class Dma;
class Scs;
class I2c;
class I2cBoard;
class Adc;
class AdcCommon;
class AnalogPins;
class TouchScreen;
class Buzzer;
class Sdio;
class SdCard;
class OtgFs;
class UsbHost;
class Usart;
class Spi;

class Board
{
public:
    // The board of this process (created on first use).
    static Board& Instance();

    Clock& clock() { return m_clock; }
    Core& core() { return m_core; }

    // ---- bus (the hot path) ----
    // `site`: the host code that made the access (the firmware's instruction), for the stacked
    // frame of a bus fault.
    uint32_t Read(uint32_t address, unsigned size, const void* site = nullptr);
    void Write(uint32_t address, uint32_t value, unsigned size, const void* site = nullptr);
    // A 32-bit register written with a whole host pointer (see velmora_register.h).
    void WriteAddress(uint32_t address, uint64_t value);
    // __NOP(): one cycle; a run of them with nothing in between jumps to the next event.
    void Nop();

    // Where a bus master (DMA) reaches the memory address `value` held in the register at
    // `registerAddress`: the host pointer the firmware wrote there, or the physical address inside
    // the reserved address space (internal and external SRAM). Peripheral addresses are bus
    // accesses instead: check Lookup(value) first.
    void* HostAddress(uint32_t registerAddress, uint32_t value) const;

    // Maps a model's address range (called by the Peripheral constructor).
    void Attach(Peripheral& peripheral);
    Peripheral* Lookup(uint32_t address) const
    {
        Peripheral* const* page = m_pages[address >> 20];
        return page == nullptr ? nullptr : page[(address >> pageShift) & (pagesPerMegabyte - 1)];
    }

    // ---- clock tree (set by the RCC model) ----
    void SetClockTree(uint32_t sysclkHz, uint32_t hclkHz, uint32_t pclk1Hz, uint32_t pclk2Hz);
    uint32_t SysclkHz() const { return m_sysclkHz; }
    uint32_t HclkHz() const { return m_hclkHz; }
    uint32_t Pclk1Hz() const { return m_pclk1Hz; }
    uint32_t Pclk2Hz() const { return m_pclk2Hz; }
    // Timer kernel clocks: twice the APB clock when its prescaler is not 1.
    uint32_t Apb1TimerHz() const { return m_pclk1Hz == m_hclkHz ? m_pclk1Hz : 2 * m_pclk1Hz; }
    uint32_t Apb2TimerHz() const { return m_pclk2Hz == m_hclkHz ? m_pclk2Hz : 2 * m_pclk2Hz; }
    Tick CycleTicks() const { return m_cycleTicks; }
    // CPU cycles since reset at the configured SYSCLK (exact while it did not change).
    uint64_t Cycles() const { return m_clock.Now() / m_cycleTicks; }

    // ---- models ----
    Rcc& rcc() { return *m_rcc; }
    Scs& scs() { return *m_scs; }
    Flash& flash() { return *m_flash; }
    Pwr& pwr() { return *m_pwr; }
    Gpio& gpio(int port) { return *m_gpio[port]; }
    Exti& exti() { return *m_exti; }
    Syscfg& syscfg() { return *m_syscfg; }
    Timer* timer(int number) { return number >= 1 && number <= 14 ? m_timers[number] : nullptr; }
    Fsmc& fsmc() { return *m_fsmc; }
    // The display controller behind FSMC region 3.
    SSD1963& ssd1963();
    // DMA1 or DMA2.
    Dma& dma(int number) { return *m_dma[number == 1 ? 1 : 2]; }
    // I2C1 or I2C2, and the buses and devices they reach.
    I2c& i2c(int number) { return *m_i2c[number == 2 ? 2 : 1]; }
    I2cBoard& i2cDevices() { return *m_i2cBoard; }
    // ADC1..ADC3, the voltages on the analog pins, and the touch screen and buzzer on the board.
    Adc& adc(int number) { return *m_adc[number >= 1 && number <= 3 ? number : 1]; }
    AnalogPins& analogPins() { return *m_analogPins; }
    TouchScreen& touchScreen() { return *m_touchScreen; }
    Buzzer& buzzer() { return *m_buzzer; }
    // The SD host controller and the card socket behind it.
    Sdio& sdio() { return *m_sdio; }
    SdCard& sdCard() { return *m_sdCard; }
    // The USB core and the host at the other end of the cable.
    OtgFs& otgFs() { return *m_otgFs; }
    UsbHost& usbHost() { return *m_usbHost; }
    // USART1, USART2, UART4 and USART6 (the board's serial ports; null for the others) and SPI1.
    Usart* usart(int number) { return number >= 1 && number <= 6 ? m_usart[number] : nullptr; }
    Spi& spi1() { return *m_spi1; }

    // Power-on reset of every model, time back to 0, nothing pending.
    void PowerOnReset();
    // System reset (AIRCR.SYSRESETREQ): the core and every on-chip peripheral return to their
    // reset state; virtual time runs on and what lies outside the chip (models mapped on the
    // external memory bus, scheduled world events) keeps its state.
    void SystemReset();

    // ---- faults and resets ----
    void SetFaultStatus(uint32_t cfsr, uint32_t hfsr, uint32_t faultAddress, bool addressValid);
    void RequestReset();
    // Called on a reset request instead of throwing ResetRequest.
    void SetResetHandler(std::function<void()> handler) { m_resetHandler = std::move(handler); }

    // ---- diagnostics ----
    // Strict (the default, as in tests): an access no model implements is an error that stops the
    // process. Otherwise it is a warning (and an unmapped address faults as on the chip).
    void SetStrict(bool strict) { m_strict = strict; }
    bool Strict() const { return m_strict; }
    void Diagnose(const char* message);
    void Warn(const char* message);
    // Diagnostics go through this when set (tests capture them); otherwise to stderr.
    void SetDiagnosticSink(std::function<void(const std::string&, bool error)> sink)
    {
        m_diagnosticSink = std::move(sink);
    }

    // Register access trace (nullptr: off).
    void SetTrace(std::FILE* file) { m_trace = file; }

    // Event log: exception entries and exits and whatever models and tests add, with the virtual
    // time. Two runs of the same scenario give the same log.
    void EnableEventLog(bool enable) { m_logEnabled = enable; }
    void Log(const std::string& text);
    const std::vector<std::string>& EventLog() const { return m_log; }
    void ClearEventLog() { m_log.clear(); }
    void NoteExceptionEntry(int exception);
    void NoteExceptionExit(int exception);

    // Stall detector: reports when host time runs for `seconds` while virtual time stands still
    // (a busy-wait that neither touches a register nor calls __NOP()). 0 disables it.
    void SetStallTimeout(double seconds);
    // The last register touched, for reports ("GPIOA+0x10 (IDR) read").
    std::string LastAccess() const;

    // Statistics.
    uint64_t AccessCount() const { return m_accessCount; }

private:
    Board();
    ~Board();
    void CreateModels();
    uint32_t Unmapped(uint32_t address, uint32_t value, unsigned size, bool write, const void* site);
    void LostWrite(Peripheral& peripheral, uint32_t offset);
    void TraceAccess(Peripheral& peripheral, uint32_t offset, uint32_t value, unsigned size, bool write);
    void StartStallDetector();

    // Bumps time for one access and runs what became due before the access is served. Every
    // access costs its bus cycles, also when the firmware polls: a polling loop's pass costs at
    // least its register reads, so a loop that counts passes for a timeout sees no fewer passes
    // per millisecond than on the chip.
    void Charge(Peripheral& peripheral, uint32_t address, bool write)
    {
        const uint32_t extra = peripheral.ExtraCost(address - peripheral.Base(), write);
        m_clock.Advance(m_busCost[static_cast<int>(peripheral.Bus())] + extra * m_hclkTicks);
        m_pollStart = never;
        m_lastAddress = address;
        m_lastWasWrite = write;
        m_lastPeripheral = &peripheral;
        m_lastWasNop = false;
        ++m_accessCount;
        m_progress.store(m_clock.Now(), std::memory_order_relaxed);
        m_clock.RunDue();
    }

    // __NOP() after __NOP() with nothing scheduled: let time pass in steps of an eighth of the
    // time spent so far (so a wait overshoots by at most about 12 %), at most about 6 us.
    Tick NopStep(Tick minimum)
    {
        const Tick now = m_clock.Now();
        if (m_pollStart == never)
            m_pollStart = now;
        Tick step = (now - m_pollStart) / 8;
        if (step < minimum)
            step = minimum;
        if (step > maxNopStep)
            step = maxNopStep;
        return step;
    }

    static constexpr unsigned pageShift = 8; // 256-byte pages
    static constexpr unsigned pagesPerMegabyte = 1u << (20 - pageShift);

    Clock m_clock;
    Core m_core;
    Peripheral** m_pages[4096] = {};
    std::vector<std::unique_ptr<Peripheral*[]>> m_pageStorage;
    std::vector<Peripheral*> m_peripherals;
    std::vector<std::unique_ptr<Peripheral>> m_owned;
    // Upper halves of host pointers written to address registers, by register address.
    std::vector<std::pair<uint32_t, uint32_t>> m_addressUpper;

    uint32_t m_sysclkHz = 16000000;
    uint32_t m_hclkHz = 16000000;
    uint32_t m_pclk1Hz = 16000000;
    uint32_t m_pclk2Hz = 16000000;
    Tick m_cycleTicks = TicksPerCycle(16000000);
    Tick m_hclkTicks = TicksPerCycle(16000000);
    Tick m_busCost[static_cast<int>(BusKind::Count)] = {};

    static constexpr Tick maxNopStep = 1024 * 50; // about 6 us at 168 MHz
    Tick m_pollStart = never;
    uint32_t m_lastAddress = 0xFFFFFFFF;
    bool m_lastWasWrite = true;
    bool m_lastWasNop = false;
    Peripheral* m_lastPeripheral = nullptr;
    uint64_t m_accessCount = 0;

    Rcc* m_rcc = nullptr;
    Scs* m_scs = nullptr;
    Flash* m_flash = nullptr;
    Pwr* m_pwr = nullptr;
    Gpio* m_gpio[9] = {};
    Syscfg* m_syscfg = nullptr;
    Exti* m_exti = nullptr;
    Timer* m_timers[15] = {};
    Fsmc* m_fsmc = nullptr;
    Ssd1963Bus* m_ssd1963 = nullptr;
    Dma* m_dma[3] = {};
    I2c* m_i2c[3] = {};
    std::unique_ptr<I2cBoard> m_i2cBoard;
    Adc* m_adc[4] = {};
    std::unique_ptr<AnalogPins> m_analogPins;
    std::unique_ptr<TouchScreen> m_touchScreen;
    std::unique_ptr<Buzzer> m_buzzer;
    Sdio* m_sdio = nullptr;
    std::unique_ptr<SdCard> m_sdCard;
    OtgFs* m_otgFs = nullptr;
    std::unique_ptr<UsbHost> m_usbHost;
    Usart* m_usart[7] = {};
    Spi* m_spi1 = nullptr;

    bool m_strict = true;
    std::function<void(const std::string&, bool)> m_diagnosticSink;
    std::function<void()> m_resetHandler;
    std::FILE* m_trace = nullptr;
    bool m_logEnabled = false;
    std::vector<std::string> m_log;

    std::atomic<Tick> m_progress{0};
    std::atomic<uint64_t> m_stallTimeoutMs{0};
    bool m_stallDetectorStarted = false;

    friend class Scs;
};

} // namespace Sim
