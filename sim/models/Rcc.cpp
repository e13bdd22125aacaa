// Fidelity: see the note in Rcc.h (the manual sections followed, what is modelled, what differs).
#include "sim/models/Rcc.h"

#include "sim/Board.h"
#include "sim/models/Flash.h"
#include "sim/models/Pwr.h"
#include "stm32f4xx.h"

namespace Sim
{

namespace
{
const uint32_t cr = 0x00, pllcfgr = 0x04, cfgr = 0x08, cir = 0x0C, bdcr = 0x70, csr = 0x74;
const uint32_t resetOffsets[5] = {0x10, 0x14, 0x18, 0x20, 0x24};
const uint32_t enableOffsets[5] = {0x30, 0x34, 0x38, 0x40, 0x44};

const Tick hseStartup = 2 * ticksPerMillisecond;
const Tick pllLock = 100 * ticksPerMicrosecond;
const Tick lseStartup = 2 * ticksPerSecond; // the crystal's typical start-up time

const uint8_t ahbShift[16] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 6, 7, 8, 9};
const uint8_t apbShift[8] = {0, 0, 0, 0, 1, 2, 3, 4};

const uint32_t ahb1Bits = 0x7E7411FF;
const uint32_t ahb2Bits = 0x000000F1;
const uint32_t ahb3Bits = 0x00000001;
const uint32_t apb1Bits = 0x36FEC9FF;
const uint32_t apb2Bits = 0x00075F33;
} // namespace

Rcc::Rcc(Board& board)
    : Peripheral(board, "RCC", RCC_BASE, 0x400, BusKind::Ahb1), m_hseEvent("HSE ready", &Rcc::HseReady, this),
      m_pllEvent("PLL locked", &Rcc::PllReady, this), m_lseEvent("LSE ready", &Rcc::LseReady, this)
{
    Define("CR", cr, 0x00007A83)
        .Rw(RCC_CR_HSION | RCC_CR_HSITRIM | RCC_CR_HSEON | RCC_CR_HSEBYP | RCC_CR_CSSON | RCC_CR_PLLON |
            RCC_CR_PLLI2SON)
        .Ro(RCC_CR_HSIRDY | RCC_CR_HSICAL | RCC_CR_HSERDY | RCC_CR_PLLRDY | RCC_CR_PLLI2SRDY)
        .OnWrite(&Rcc::WriteCr);
    // Bit 29 is reserved but reads 1 after reset; software commonly writes it as 0.
    Define("PLLCFGR", pllcfgr, 0x24003010)
        .Rw(RCC_PLLCFGR_PLLM | RCC_PLLCFGR_PLLN | RCC_PLLCFGR_PLLP | RCC_PLLCFGR_PLLSRC | RCC_PLLCFGR_PLLQ |
            0x20000000);
    Define("CFGR", cfgr, 0)
        .Rw(~RCC_CFGR_SWS & 0xFFFFFCF3)
        .Ro(RCC_CFGR_SWS)
        .OnWrite(&Rcc::WriteCfgr);
    Define("CIR", cir, 0)
        .Ro(0x000000BF)
        .Rw(0x00003F00)
        .Wo(0x00BF0000)
        .OnWrite(&Rcc::WriteCir);
    Define("AHB1RSTR", resetOffsets[0], 0).Rw(ahb1Bits & ~RCC_AHB1ENR_CCMDATARAMEN & ~RCC_AHB1ENR_BKPSRAMEN)
        .OnWrite(&Rcc::WriteReset);
    Define("AHB2RSTR", resetOffsets[1], 0).Rw(ahb2Bits).OnWrite(&Rcc::WriteReset);
    Define("AHB3RSTR", resetOffsets[2], 0).Rw(ahb3Bits).OnWrite(&Rcc::WriteReset);
    Define("APB1RSTR", resetOffsets[3], 0).Rw(apb1Bits).OnWrite(&Rcc::WriteReset);
    Define("APB2RSTR", resetOffsets[4], 0).Rw(apb2Bits).OnWrite(&Rcc::WriteReset);
    Define("AHB1ENR", enableOffsets[0], 0x00100000).Rw(ahb1Bits).OnWrite(&Rcc::WriteEnable);
    Define("AHB2ENR", enableOffsets[1], 0).Rw(ahb2Bits).OnWrite(&Rcc::WriteEnable);
    Define("AHB3ENR", enableOffsets[2], 0).Rw(ahb3Bits).OnWrite(&Rcc::WriteEnable);
    Define("APB1ENR", enableOffsets[3], 0).Rw(apb1Bits).OnWrite(&Rcc::WriteEnable);
    Define("APB2ENR", enableOffsets[4], 0).Rw(apb2Bits).OnWrite(&Rcc::WriteEnable);
    Define("AHB1LPENR", 0x50, 0x7E6791FF).Rw(0x7E7791FF);
    Define("AHB2LPENR", 0x54, 0x000000F1).Rw(ahb2Bits);
    Define("AHB3LPENR", 0x58, 0x00000001).Rw(ahb3Bits);
    Define("APB1LPENR", 0x60, 0x36FEC9FF).Rw(apb1Bits);
    Define("APB2LPENR", 0x64, 0x00075F33).Rw(apb2Bits);
    // Bit 15 (RTCEN) onwards and the LSE bits belong to the backup domain.
    Define("BDCR", bdcr, 0)
        .Rw(RCC_BDCR_LSEON | RCC_BDCR_LSEBYP | RCC_BDCR_RTCSEL | RCC_BDCR_RTCEN | RCC_BDCR_BDRST)
        .Ro(RCC_BDCR_LSERDY)
        .OnWrite(&Rcc::WriteBdcr);
    Define("CSR", csr, 0x0E000000)
        .Rw(RCC_CSR_LSION | RCC_CSR_RMVF)
        .Ro(RCC_CSR_LSIRDY | 0xFE000000)
        .OnWrite(&Rcc::WriteCsr);
    Define("SSCGR", 0x80, 0).Rw(0xCFFFFFFF);
    Define("PLLI2SCFGR", 0x84, 0x20003000).Rw(0x70007FC0);
}

void Rcc::Reset()
{
    board().clock().Cancel(m_hseEvent);
    board().clock().Cancel(m_pllEvent);
    board().clock().Cancel(m_lseEvent);
    Peripheral::Reset();
    m_bdcrProtectedReported = false;
    PushClockTree();
}

void Rcc::SystemReset()
{
    // The backup domain (BDCR, the LSE keeps starting or running) and the reset flags survive a
    // system reset; the reset adds the software and pin flags (NRST is driven low by it).
    const uint32_t backup = Reg(bdcr).value;
    const uint32_t flags = Reg(csr).value & 0xFE000000;
    const bool lseStarting = m_lseEvent.scheduled;
    const Tick lseAt = m_lseEvent.when;
    board().clock().Cancel(m_hseEvent);
    board().clock().Cancel(m_pllEvent);
    Peripheral::Reset();
    Reg(bdcr).value = backup;
    Reg(csr).value = (Reg(csr).value & ~0xFE000000u) | flags | RCC_CSR_SFTRSTF | RCC_CSR_PADRSTF;
    if (lseStarting)
        board().clock().Schedule(m_lseEvent, lseAt);
    PushClockTree();
}

void Rcc::LseReady(void* self)
{
    Rcc& rcc = *static_cast<Rcc*>(self);
    if ((rcc.Reg(bdcr).value & RCC_BDCR_LSEON) == 0)
        return;
    rcc.Reg(bdcr).value |= RCC_BDCR_LSERDY;
    rcc.Reg(cir).value |= RCC_CIR_LSERDYF;
}

void Rcc::Connect(Peripheral& peripheral, RccBus bus, uint32_t bit)
{
    m_connections.push_back({&peripheral, bus, bit});
    peripheral.SetClockGate(&Reg(enableOffsets[static_cast<int>(bus)]).value, bit);
    peripheral.SetResetGate(&Reg(resetOffsets[static_cast<int>(bus)]).value, bit);
}

void Rcc::HseReady(void* self)
{
    Rcc& rcc = *static_cast<Rcc*>(self);
    if ((rcc.Reg(cr).value & RCC_CR_HSEON) == 0)
        return;
    rcc.SetReady(RCC_CR_HSERDY, RCC_CIR_HSERDYF, true);
    // A PLL waiting for its source locks now.
    if ((rcc.Reg(cr).value & RCC_CR_PLLON) != 0 && (rcc.Reg(pllcfgr).value & RCC_PLLCFGR_PLLSRC) != 0)
        rcc.board().clock().ScheduleIn(rcc.m_pllEvent, pllLock);
    rcc.TrySwitch();
}

void Rcc::PllReady(void* self)
{
    Rcc& rcc = *static_cast<Rcc*>(self);
    if ((rcc.Reg(cr).value & RCC_CR_PLLON) == 0)
        return;
    rcc.SetReady(RCC_CR_PLLRDY, RCC_CIR_PLLRDYF, true);
    rcc.TrySwitch();
}

void Rcc::SetReady(uint32_t readyBit, uint32_t cirFlag, bool ready)
{
    Register& control = Reg(cr);
    if (ready)
    {
        control.value |= readyBit;
        Reg(cir).value |= cirFlag;
    }
    else
        control.value &= ~readyBit;
}

void Rcc::WriteCr(Register& reg, uint32_t previous, uint32_t, uint32_t)
{
    const uint32_t turnedOn = reg.value & ~previous;
    const uint32_t turnedOff = previous & ~reg.value;
    const bool pllFromHse = (Reg(pllcfgr).value & RCC_PLLCFGR_PLLSRC) != 0;

    // The oscillator that drives SYSCLK cannot be stopped.
    const uint32_t sws = (Reg(cfgr).value & RCC_CFGR_SWS) >> 2;
    if ((turnedOff & RCC_CR_HSION) && sws == 0)
        reg.value |= RCC_CR_HSION;

    if (turnedOn & RCC_CR_HSION)
        SetReady(RCC_CR_HSIRDY, RCC_CIR_HSIRDYF, true);
    if ((turnedOff & RCC_CR_HSION) && (reg.value & RCC_CR_HSION) == 0)
        SetReady(RCC_CR_HSIRDY, 0, false);

    if (turnedOn & RCC_CR_HSEON)
        board().clock().ScheduleIn(m_hseEvent, hseStartup);
    if (turnedOff & RCC_CR_HSEON)
    {
        board().clock().Cancel(m_hseEvent);
        SetReady(RCC_CR_HSERDY, 0, false);
    }

    if (turnedOn & RCC_CR_PLLON)
    {
        CheckPll();
        const bool sourceReady = pllFromHse ? (reg.value & RCC_CR_HSERDY) != 0 : (reg.value & RCC_CR_HSIRDY) != 0;
        if (sourceReady)
            board().clock().ScheduleIn(m_pllEvent, pllLock);
    }
    if (turnedOff & RCC_CR_PLLON)
    {
        board().clock().Cancel(m_pllEvent);
        SetReady(RCC_CR_PLLRDY, 0, false);
    }

    if (turnedOn & RCC_CR_PLLI2SON)
        SetReady(RCC_CR_PLLI2SRDY, RCC_CIR_PLLI2SRDYF, true);
    if (turnedOff & RCC_CR_PLLI2SON)
        SetReady(RCC_CR_PLLI2SRDY, 0, false);
}

void Rcc::WriteCfgr(Register&, uint32_t, uint32_t, uint32_t) { TrySwitch(); }

void Rcc::TrySwitch()
{
    Register& config = Reg(cfgr);
    const uint32_t sw = config.value & RCC_CFGR_SW;
    const uint32_t control = Reg(cr).value;
    bool ready = false;
    switch (sw)
    {
    case 0:
        ready = (control & RCC_CR_HSIRDY) != 0;
        break;
    case 1:
        ready = (control & RCC_CR_HSERDY) != 0;
        break;
    case 2:
        ready = (control & RCC_CR_PLLRDY) != 0;
        break;
    default:
        break;
    }
    if (ready)
        config.value = (config.value & ~RCC_CFGR_SWS) | (sw << 2);
    PushClockTree();
}

void Rcc::WriteCir(Register& reg, uint32_t, uint32_t written, uint32_t)
{
    // Clear bits (16..23) clear the flag 16 positions below.
    reg.value &= ~((written >> 16) & 0xBF);
}

void Rcc::WriteReset(Register& reg, uint32_t, uint32_t, uint32_t)
{
    int bus = 0;
    while (resetOffsets[bus] != reg.offset)
        ++bus;
    // A peripheral is held in reset while its bit is set: it is reset now and the bus drops its
    // writes until the bit is cleared.
    for (const Connection& connection : m_connections)
        if (static_cast<int>(connection.bus) == bus && (reg.value & connection.bit) != 0)
            connection.peripheral->Reset();
}

void Rcc::WriteEnable(Register& reg, uint32_t previous, uint32_t, uint32_t)
{
    int bus = 0;
    while (enableOffsets[bus] != reg.offset)
        ++bus;
    const uint32_t changed = reg.value ^ previous;
    for (const Connection& connection : m_connections)
        if (static_cast<int>(connection.bus) == bus && (changed & connection.bit) != 0)
            connection.peripheral->OnClockChange();
}

void Rcc::WriteBdcr(Register& reg, uint32_t previous, uint32_t, uint32_t)
{
    if (!board().pwr().BackupWritable())
    {
        // Write-protected: the backup domain ignores the write.
        reg.value = previous;
        if (!m_bdcrProtectedReported)
        {
            m_bdcrProtectedReported = true;
            board().Warn("RCC: write to BDCR while the backup domain is write-protected (PWR_CR.DBP clear): "
                         "the write is lost");
        }
        return;
    }
    if (reg.value & RCC_BDCR_BDRST)
    {
        // The backup domain reset clears the whole domain while the bit is set.
        board().clock().Cancel(m_lseEvent);
        reg.value = RCC_BDCR_BDRST;
        return;
    }
    const uint32_t turnedOn = reg.value & ~previous;
    if ((reg.value & RCC_BDCR_LSEON) == 0)
    {
        board().clock().Cancel(m_lseEvent);
        reg.value &= ~RCC_BDCR_LSERDY;
    }
    else if (turnedOn & RCC_BDCR_LSEON)
    {
        if (reg.value & RCC_BDCR_LSEBYP)
            reg.value |= RCC_BDCR_LSERDY; // an external clock needs no start-up
        else
            board().clock().ScheduleIn(m_lseEvent, lseStartup);
    }
}

void Rcc::WriteCsr(Register& reg, uint32_t, uint32_t, uint32_t)
{
    if (reg.value & RCC_CSR_LSION)
        reg.value |= RCC_CSR_LSIRDY;
    else
        reg.value &= ~RCC_CSR_LSIRDY;
    if (reg.value & RCC_CSR_RMVF)
        reg.value &= ~(0xFE000000 | RCC_CSR_RMVF);
}

uint32_t Rcc::PllOutputHz() const
{
    const uint32_t config = Reg(pllcfgr).value;
    const uint64_t source = (config & RCC_PLLCFGR_PLLSRC) != 0 ? HSE_VALUE : HSI_VALUE;
    const uint32_t m = config & RCC_PLLCFGR_PLLM;
    const uint32_t n = (config & RCC_PLLCFGR_PLLN) >> 6;
    const uint32_t p = (((config & RCC_PLLCFGR_PLLP) >> 16) + 1) * 2;
    return m == 0 ? 0 : static_cast<uint32_t>(source * n / m / p);
}

uint32_t Rcc::Pll48Hz() const
{
    const uint32_t config = Reg(pllcfgr).value;
    const uint64_t source = (config & RCC_PLLCFGR_PLLSRC) != 0 ? HSE_VALUE : HSI_VALUE;
    const uint32_t m = config & RCC_PLLCFGR_PLLM;
    const uint32_t n = (config & RCC_PLLCFGR_PLLN) >> 6;
    const uint32_t q = (config & RCC_PLLCFGR_PLLQ) >> 24;
    return m == 0 || q < 2 ? 0 : static_cast<uint32_t>(source * n / m / q);
}

uint32_t Rcc::SysclkHz() const
{
    switch ((Reg(cfgr).value & RCC_CFGR_SWS) >> 2)
    {
    case 1:
        return HSE_VALUE;
    case 2:
        return PllOutputHz();
    default:
        return HSI_VALUE;
    }
}

uint32_t Rcc::Mco1Hz() const
{
    const uint32_t config = Reg(cfgr).value;
    const uint32_t control = Reg(cr).value;
    uint32_t hz = 0;
    switch ((config & RCC_CFGR_MCO1) >> 21)
    {
    case 0:
        hz = (control & RCC_CR_HSIRDY) != 0 ? HSI_VALUE : 0;
        break;
    case 1:
        hz = (Reg(bdcr).value & RCC_BDCR_LSERDY) != 0 ? 32768 : 0;
        break;
    case 2:
        hz = (control & RCC_CR_HSERDY) != 0 ? HSE_VALUE : 0;
        break;
    default:
        hz = (control & RCC_CR_PLLRDY) != 0 ? PllOutputHz() : 0;
        break;
    }
    const uint32_t pre = (config & RCC_CFGR_MCO1PRE) >> 24;
    const uint32_t divider = pre < 4 ? 1 : pre - 2;
    return hz / divider;
}

void Rcc::PushClockTree()
{
    const uint32_t config = Reg(cfgr).value;
    const uint32_t sysclk = SysclkHz();
    const uint32_t hclk = sysclk >> ahbShift[(config & RCC_CFGR_HPRE) >> 4];
    const uint32_t pclk1 = hclk >> apbShift[(config & RCC_CFGR_PPRE1) >> 10];
    const uint32_t pclk2 = hclk >> apbShift[(config & RCC_CFGR_PPRE2) >> 13];
    if (sysclk == board().SysclkHz() && hclk == board().HclkHz() && pclk1 == board().Pclk1Hz() &&
        pclk2 == board().Pclk2Hz())
        return;
    board().SetClockTree(sysclk, hclk, pclk1, pclk2);
    CheckFlashLatency();
    CheckClockLimits();
}

void Rcc::CheckFlashLatency()
{
    // At 2.7-3.6 V each flash wait state covers 30 MHz of HCLK.
    const uint32_t hclk = board().HclkHz();
    const uint32_t needed = hclk == 0 ? 0 : (hclk - 1) / 30000000;
    const uint32_t latency = board().flash().Latency();
    if (latency < needed)
    {
        char message[160];
        std::snprintf(message, sizeof message,
                      "HCLK %u Hz needs %u flash wait states but FLASH_ACR has %u: the core would read garbage",
                      static_cast<unsigned>(hclk), static_cast<unsigned>(needed), static_cast<unsigned>(latency));
        board().Diagnose(message);
    }
}

void Rcc::CheckClockLimits()
{
    const uint32_t hclkLimit = board().pwr().ScaleOne() ? 168000000u : 144000000u;
    struct Limit
    {
        const char* name;
        uint32_t hz;
        uint32_t limit;
        const char* why;
    };
    const Limit limits[] = {
        {"HCLK", board().HclkHz(), hclkLimit,
         board().pwr().ScaleOne() ? "the chip's maximum" : "the limit of regulator scale 2 (PWR_CR.VOS clear)"},
        {"PCLK1", board().Pclk1Hz(), 42000000u, "the APB1 maximum"},
        {"PCLK2", board().Pclk2Hz(), 84000000u, "the APB2 maximum"},
    };
    for (const Limit& limit : limits)
        if (limit.hz > limit.limit)
        {
            char message[160];
            std::snprintf(message, sizeof message, "RCC: %s at %u Hz exceeds %u Hz, %s", limit.name,
                          static_cast<unsigned>(limit.hz), static_cast<unsigned>(limit.limit), limit.why);
            board().Diagnose(message);
        }
}

void Rcc::CheckPll()
{
    const uint32_t config = Reg(pllcfgr).value;
    const uint64_t source = (config & RCC_PLLCFGR_PLLSRC) != 0 ? HSE_VALUE : HSI_VALUE;
    const uint32_t m = config & RCC_PLLCFGR_PLLM;
    const uint32_t n = (config & RCC_PLLCFGR_PLLN) >> 6;
    const uint64_t input = m == 0 ? 0 : source / m;
    const uint64_t vco = input * n;
    char message[160];
    const char* problem = nullptr;
    uint64_t hz = 0;
    if (m < 2 || input < 1000000 || input > 2000000)
    {
        problem = "VCO input (source / PLLM) outside 1..2 MHz";
        hz = input;
    }
    else if (vco < 100000000 || vco > 432000000)
    {
        problem = "VCO output (x PLLN) outside 100..432 MHz";
        hz = vco;
    }
    else if (PllOutputHz() > 168000000)
    {
        problem = "main output (/ PLLP) above 168 MHz";
        hz = PllOutputHz();
    }
    else if (Pll48Hz() > 48000000 || ((config & RCC_PLLCFGR_PLLQ) >> 24) < 2)
    {
        problem = "48 MHz output (/ PLLQ, at least 2) above 48 MHz";
        hz = Pll48Hz();
    }
    if (problem == nullptr)
        return;
    std::snprintf(message, sizeof message, "RCC: PLL started with its %s: %llu Hz (PLLCFGR 0x%08X)", problem,
                  static_cast<unsigned long long>(hz), static_cast<unsigned>(config));
    board().Diagnose(message);
}

} // namespace Sim
