#include "sim/models/Fsmc.h"

#include "sim/Board.h"
#include "sim/models/Gpio.h"

#include "stm32f4xx.h"

#include <cstdio>

namespace Sim
{

namespace
{

constexpr uint32_t bcr1Reset = 0x000030DB;
constexpr uint32_t bcrReset = 0x000030D2;
constexpr uint32_t timingReset = 0x0FFFFFFF;
constexpr uint32_t fsmcFunction = 12;

// The bus pins every access of a 16-bit asynchronous device uses: D0..D15, NOE, NWE.
struct BusPin
{
    int port;
    int pin;
};
constexpr BusPin dataAndStrobePins[] = {
    {3, 14}, {3, 15}, {3, 0}, {3, 1}, {4, 7}, {4, 8}, {4, 9}, {4, 10}, {4, 11}, {4, 12},
    {4, 13}, {4, 14}, {4, 15}, {3, 8}, {3, 9}, {3, 10}, {3, 4}, {3, 5},
};
// NE1..NE4: PD7, PG9, PG10, PG12.
constexpr BusPin chipSelects[] = {{3, 7}, {6, 9}, {6, 10}, {6, 12}};

const char* const bcrNames[] = {"BCR1", "BCR2", "BCR3", "BCR4"};
const char* const btrNames[] = {"BTR1", "BTR2", "BTR3", "BTR4"};
const char* const bwtrNames[] = {"BWTR1", "BWTR2", "BWTR3", "BWTR4"};

} // namespace

Fsmc::Fsmc(Board& board) : Peripheral(board, "FSMC", FSMC_R_BASE, 0x1000, BusKind::Ahb3)
{
    for (unsigned region = 0; region < 4; ++region)
    {
        Define(bcrNames[region], region * 8, region == 0 ? bcr1Reset : bcrReset).Rw(0x0008FFFF);
        Define(btrNames[region], region * 8 + 4, timingReset).Rw(0x3FFFFFFF);
        Define(bwtrNames[region], 0x104 + region * 8, timingReset).Rw(0x3FFFFFFF);
    }
    for (unsigned region = 0; region < 4; ++region)
    {
        m_bcr[region] = FindRegister(region * 8);
        m_btr[region] = FindRegister(region * 8 + 4);
        m_bwtr[region] = FindRegister(0x104 + region * 8);
    }
}

unsigned Fsmc::StrobeCycles(unsigned region, bool write) const
{
    const uint32_t timing = Timing(region, write);
    const unsigned dataSetup = (timing >> 8) & 0xFF;
    return write ? dataSetup : dataSetup + 2;
}

unsigned Fsmc::AccessCycles(unsigned region, bool write) const
{
    const uint32_t timing = Timing(region, write);
    const unsigned addressSetup = timing & 0xF;
    const unsigned addressHold = (timing >> 4) & 0xF;
    const unsigned dataSetup = (timing >> 8) & 0xFF;
    const unsigned busTurnaround = (timing >> 16) & 0xF;
    const unsigned accessMode = (timing >> 28) & 0x3;
    const unsigned hold = accessMode == 3 ? addressHold + 1 : 0;
    return addressSetup + hold + dataSetup + (write ? 1 : 2) + busTurnaround;
}

// RM0090 marks a zero data phase reserved in every mode, and a zero address hold in mode D, the
// one mode that has that phase; the silicon's behaviour with them is undefined, so no access goes
// out with them.
const char* Fsmc::ReservedTiming(unsigned region, bool write) const
{
    const uint32_t timing = Timing(region, write);
    if (((timing >> 8) & 0xFF) == 0)
        return "with a reserved data-phase duration (DATAST 0)";
    if (((timing >> 28) & 0x3) == 3 && ((timing >> 4) & 0xF) == 0)
        return "with a reserved address-hold duration (ADDHLD 0 in mode D)";
    return nullptr;
}

FsmcWindow::FsmcWindow(Board& board, Fsmc& fsmc, const char* name, unsigned region, uint32_t offset, uint32_t size)
    : Peripheral(board, name, 0x60000000u + region * 0x04000000u + offset, size, BusKind::Ahb3), m_fsmc(fsmc),
      m_region(region)
{
    RequireAddressPin(chipSelects[region].port, chipSelects[region].pin);
    for (const BusPin& pin : dataAndStrobePins)
        RequireAddressPin(pin.port, pin.pin);
}

bool FsmcWindow::Reaches(uint32_t offset, bool write)
{
    const char* problem = nullptr;
    if (!m_fsmc.ClockEnabled())
        problem = "while the FSMC clock is off";
    else if (!m_fsmc.IsRegionEnabled(m_region))
        problem = "while its region is disabled (MBKEN clear)";
    else if (m_fsmc.DataWidth(m_region) != 16)
        problem = "with the region configured 8 bits wide";
    else if (const char* reserved = m_fsmc.ReservedTiming(m_region, write))
        problem = reserved;
    else if ((m_fsmc.Bcr(m_region) & FSMC_BCR1_MUXEN) != 0)
        problem = "with address/data multiplexing on (MUXEN): the device has address lines of its own";
    else if ((m_memoryTypes & (1u << ((m_fsmc.Bcr(m_region) & FSMC_BCR1_MTYP) >> 2))) == 0)
        problem = "with a memory type (MTYP) the device is not";
    else if (write && (m_fsmc.Bcr(m_region) & FSMC_BCR1_WREN) == 0)
        problem = "with writes disabled in its region (WREN clear): the controller answers with a bus error";
    else if ((m_fsmc.Bcr(m_region) & FSMC_BCR1_EXTMOD) != 0)
    {
        // In extended mode the access mode is programmed and must suit the memory type.
        const uint32_t mode = (m_fsmc.Timing(m_region, write) >> 28) & 3;
        const bool nor = (m_fsmc.Bcr(m_region) & FSMC_BCR1_MTYP) == FSMC_BCR1_MTYP_1;
        if (mode != 3 && (mode == 0) == nor)
            problem = nor ? "with access mode A (ACCMOD) in a NOR region" : "with access mode B or C (ACCMOD) in an SRAM region";
    }
    if (problem == nullptr)
    {
        for (int port = 0; port < 9 && problem == nullptr; ++port)
            if (m_busPins[port] != 0 && !board().gpio(port).RoutedTo(m_busPins[port], fsmcFunction))
                problem = "while its bus pins are not routed to the FSMC (AF12)";
    }
    if (problem == nullptr)
        return true;
    ReportUnreached(offset, write, problem);
    return false;
}

void FsmcWindow::ReportUnreached(uint32_t offset, bool write, const char* problem)
{
    char message[200];
    std::snprintf(message, sizeof message, "%s: %s at 0x%08X %s", Name(), write ? "write" : "read",
                  static_cast<unsigned>(Base() + offset), problem);
    board().Diagnose(message);
}

uint32_t FsmcWindow::Read(uint32_t offset, unsigned size)
{
    if (size != 2)
        Unimplemented("read that is not 16 bits wide", offset, 0);
    if (!Reaches(offset, false))
        return 0;
    return DeviceRead(offset, m_fsmc.StrobeCycles(m_region, false) * TicksPerCycle(board().HclkHz()));
}

void FsmcWindow::Write(uint32_t offset, uint32_t value, unsigned size)
{
    if (size != 2)
        Unimplemented("write that is not 16 bits wide", offset, value);
    if (!Reaches(offset, true))
        return;
    DeviceWrite(offset, static_cast<uint16_t>(value), m_fsmc.StrobeCycles(m_region, true) * TicksPerCycle(board().HclkHz()));
}

uint32_t FsmcWindow::ExtraCost(uint32_t, bool write) const
{
    return m_fsmc.AccessCycles(m_region, write);
}

} // namespace Sim
